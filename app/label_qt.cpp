#include "app/label_qt.h"

#include <QPainter>

#include "app/look.h"

namespace animal_ids {

LabelQt::LabelQt(bool wordWrap, QWidget* parent) : QWidget(parent), wordWrap_(wordWrap) {
  setAttribute(Qt::WA_OpaquePaintEvent);
  setFocusPolicy(Qt::NoFocus);
  setCursor(Qt::ArrowCursor);
}

void LabelQt::setText(const QString& text) {
  text_ = text;
  update();
}

void LabelQt::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  painter.fillRect(rect(),
                   QColor(kWindowBackground.red, kWindowBackground.green, kWindowBackground.blue));
  painter.setPen(QColor(kLabelText.red, kLabelText.green, kLabelText.blue));
  painter.setFont(font());
  if (wordWrap_) {
    // Each line break starts a new line, so a doubled one leaves an empty line.
    painter.drawText(rect(), Qt::AlignLeft | Qt::AlignTop | Qt::TextWordWrap, text_);
  } else {
    QString line = text_;
    line.replace(QLatin1Char('\n'), QLatin1Char(' '));
    painter.drawText(
        rect(), Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine | Qt::TextDontClip, line);
  }
}

}  // namespace animal_ids
