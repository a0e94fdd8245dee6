#include "app/hyperlink_qt.h"

#include <QDesktopServices>
#include <QMouseEvent>
#include <QPainter>
#include <QProcess>
#include <QStandardPaths>
#include <QUrl>

#include "app/look.h"

namespace animal_ids {
namespace {

UrlOpener currentOpener = &OpenUrlOnDesktop;

QColor ToColour(Rgb rgb) { return QColor(rgb.red, rgb.green, rgb.blue); }

}  // namespace

bool OpenUrlOnDesktop(const QString& url) {
  if (QDesktopServices::openUrl(QUrl(url))) return true;
  for (const char* program : {"xdg-open", "x-www-browser", "sensible-browser"}) {
    QString path = QStandardPaths::findExecutable(QString::fromLatin1(program));
    if (!path.isEmpty()) return QProcess::startDetached(path, {url});
  }
  return false;
}

UrlOpener SetUrlOpener(UrlOpener opener) {
  UrlOpener previous = currentOpener;
  currentOpener = opener ? opener : &OpenUrlOnDesktop;
  return previous;
}

HyperlinkQt::HyperlinkQt(QWidget* parent) : QWidget(parent) {
  setAttribute(Qt::WA_OpaquePaintEvent);
  setFocusPolicy(Qt::NoFocus);
  setMouseTracking(true);
  // The Windows program's hand cursor is a resource of its own; Qt's hand stands in for it.
  setCursor(Qt::PointingHandCursor);
}

void HyperlinkQt::setCaption(const QString& caption) {
  caption_ = caption;
  update();
}

void HyperlinkQt::setTarget(Kind kind, const QString& address) {
  kind_ = kind;
  address_ = address;
  update();
}

QColor HyperlinkQt::textColour() const { return ToColour(LinkTextColour(hot_, visited_)); }

bool HyperlinkQt::open() {
  bool opened = false;
  if (!address_.isEmpty()) {
    QString target = kind_ == Kind::kMail ? QStringLiteral("mailto:") + address_ : address_;
    opened = currentOpener(target);
  }
  visited_ = opened;
  update();
  return opened;
}

void HyperlinkQt::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  painter.fillRect(rect(), ToColour(kLinkBackground));
  painter.setPen(textColour());
  painter.setFont(font());
  QString shown = caption_;
  if (shown.isEmpty()) shown = address_;
  shown.replace(QLatin1Char('\n'), QLatin1Char(' '));
  // Drawn as it stands: "&" is no mnemonic here.
  painter.drawText(rect(), Qt::AlignCenter | Qt::TextSingleLine | Qt::TextDontClip, shown);
}

void HyperlinkQt::mouseMoveEvent(QMouseEvent* event) {
  setHot(rect().contains(event->position().toPoint()));
  QWidget::mouseMoveEvent(event);
}

void HyperlinkQt::leaveEvent(QEvent* event) {
  setHot(false);
  QWidget::leaveEvent(event);
}

void HyperlinkQt::mousePressEvent(QMouseEvent* event) {
  if (event->button() == Qt::LeftButton) {
    open();
    event->accept();
    return;
  }
  QWidget::mousePressEvent(event);
}

void HyperlinkQt::setHot(bool hot) {
  if (hot == hot_) return;
  hot_ = hot;
  update();
}

}  // namespace animal_ids
