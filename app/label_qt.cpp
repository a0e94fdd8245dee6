#include "app/label_qt.h"

#include <QFontMetrics>
#include <QPainter>
#include <QTextLayout>
#include <algorithm>

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

int LabelQt::lineStep() const {
  QFontMetrics metrics(font());
  int size = font().pixelSize() > 0 ? font().pixelSize() : metrics.height();
  return std::min(metrics.lineSpacing(), size + 1);
}

void LabelQt::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  painter.fillRect(rect(),
                   QColor(kWindowBackground.red, kWindowBackground.green, kWindowBackground.blue));
  painter.setPen(QColor(kLabelText.red, kLabelText.green, kLabelText.blue));
  painter.setFont(font());
  if (wordWrap_) {
    // Each line break starts a new line, so a doubled one leaves an empty line;
    // a line wider than the label breaks between words, or anywhere in Chinese.
    QTextOption option(Qt::AlignLeft);
    option.setWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
    const int step = lineStep();
    int top = 0;
    for (const QString& paragraph : text_.split(QLatin1Char('\n'))) {
      if (top >= height()) break;
      QTextLayout layout(paragraph, font());
      layout.setTextOption(option);
      layout.beginLayout();
      int lines = 0;
      for (QTextLine line = layout.createLine(); line.isValid(); line = layout.createLine()) {
        line.setLineWidth(width());
        line.setPosition(QPointF(0, top + lines * step));
        ++lines;
      }
      layout.endLayout();
      layout.draw(&painter, QPointF(0, 0));
      top += std::max(lines, 1) * step;
    }
  } else {
    QString line = text_;
    line.replace(QLatin1Char('\n'), QLatin1Char(' '));
    painter.drawText(
        rect(), Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine | Qt::TextDontClip, line);
  }
}

}  // namespace animal_ids
