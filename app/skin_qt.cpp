#include "app/skin_qt.h"

#include <QAbstractScrollArea>
#include <QApplication>
#include <QLineEdit>
#include <QPainter>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QStyleFactory>
#include <QStyleOption>
#include <QTextEdit>

#include "app/headless_window.h"
#include "app/main_window.h"

namespace animal_ids {
namespace {

constexpr int kEditEdgeWidth = 2;
constexpr int kCaptionInset = 3;
constexpr int kDisabledOutlineLess = 32;

QColor ToColour(Rgb rgb) { return QColor(rgb.red, rgb.green, rgb.blue); }

Rgb ToRgb(const QColor& colour) { return {colour.red(), colour.green(), colour.blue()}; }

bool IsEditBox(const QWidget* widget) {
  return qobject_cast<const QLineEdit*>(widget) || qobject_cast<const QPlainTextEdit*>(widget) ||
         qobject_cast<const QTextEdit*>(widget);
}

// The style the application had before the look was first switched on.
QString& PlainStyleName() {
  static QString name;
  return name;
}

QStyle* MakePlainStyle() {
  QStyle* style = QStyleFactory::create(PlainStyleName());
  return style ? style : QStyleFactory::create(QStringLiteral("Fusion"));
}

// Row by row, so that the first row is exactly the top colour and the last the bottom one.
void FillVerticalGradient(QPainter* painter, const QRect& rect, ButtonFace face) {
  int rows = rect.height();
  for (int row = 0; row < rows; ++row) {
    auto mix = [&](int top, int bottom) {
      return rows > 1 ? top + (bottom - top) * row / (rows - 1) : top;
    };
    QColor colour(mix(face.top.red, face.bottom.red), mix(face.top.green, face.bottom.green),
                  mix(face.top.blue, face.bottom.blue));
    painter->fillRect(QRect(rect.left(), rect.top() + row, rect.width(), 1), colour);
  }
}

}  // namespace

ButtonState SkinButtonState(bool enabled, bool pressed, bool hot, bool focusedOrDefault) {
  if (!enabled) return ButtonState::kDisabled;
  if (pressed) return ButtonState::kPressed;
  if (hot) return ButtonState::kHot;
  if (focusedOrDefault) return ButtonState::kFocused;
  return ButtonState::kNormal;
}

SkinStyle::SkinStyle(QStyle* base, int scheme)
    : QProxyStyle(base), scheme_(scheme), colours_(*SkinSchemeOf(scheme)) {}

void SkinStyle::polish(QWidget* widget) {
  QProxyStyle::polish(widget);
  // The hot face needs hover events.
  if (qobject_cast<QPushButton*>(widget)) widget->setAttribute(Qt::WA_Hover);
}

int SkinStyle::pixelMetric(PixelMetric metric, const QStyleOption* option,
                           const QWidget* widget) const {
  if (metric == PM_DefaultFrameWidth && IsEditBox(widget)) return kEditEdgeWidth;
  if (metric == PM_ButtonShiftHorizontal || metric == PM_ButtonShiftVertical) return 1;
  return QProxyStyle::pixelMetric(metric, option, widget);
}

void SkinStyle::drawPrimitive(PrimitiveElement element, const QStyleOption* option,
                              QPainter* painter, const QWidget* widget) const {
  if (element == PE_PanelLineEdit && qobject_cast<const QLineEdit*>(widget)) {
    const auto* frame = qstyleoption_cast<const QStyleOptionFrame*>(option);
    bool readOnly = frame && (frame->state & State_ReadOnly);
    painter->fillRect(option->rect, option->palette.brush(QPalette::Base));
    if (!frame || frame->lineWidth > 0) DrawEditEdge(option, painter, readOnly);
    return;
  }
  if (element == PE_FrameLineEdit && qobject_cast<const QLineEdit*>(widget)) {
    DrawEditEdge(option, painter, option->state & State_ReadOnly);
    return;
  }
  QProxyStyle::drawPrimitive(element, option, painter, widget);
}

void SkinStyle::drawControl(ControlElement element, const QStyleOption* option, QPainter* painter,
                            const QWidget* widget) const {
  if (element == CE_ShapedFrame && IsEditBox(widget)) {
    const auto* area = qobject_cast<const QAbstractScrollArea*>(widget);
    bool readOnly = false;
    if (const auto* plain = qobject_cast<const QPlainTextEdit*>(area))
      readOnly = plain->isReadOnly();
    if (const auto* rich = qobject_cast<const QTextEdit*>(area)) readOnly = rich->isReadOnly();
    DrawEditEdge(option, painter, readOnly);
    return;
  }
  if (element == CE_PushButton && qstyleoption_cast<const QStyleOptionButton*>(option)) {
    DrawPushButton(option, painter);
    return;
  }
  QProxyStyle::drawControl(element, option, painter, widget);
}

// An outer line in the scheme's edge colour, an inner one in the window colour.
void SkinStyle::DrawEditEdge(const QStyleOption* option, QPainter* painter, bool readOnly) const {
  bool enabled = option->state & State_Enabled;
  QColor face = option->palette.color(QPalette::Button);
  QColor outer =
      enabled ? ToColour(colours_.editEdge) : ToColour(Darker(ToRgb(face), kDisabledOutlineLess));
  QColor inner = enabled && !readOnly ? option->palette.color(QPalette::Base) : face;
  QRect r = option->rect;
  painter->save();
  painter->setRenderHint(QPainter::Antialiasing, false);
  painter->setBrush(Qt::NoBrush);
  painter->setPen(outer);
  painter->drawRect(r.adjusted(0, 0, -1, -1));
  painter->setPen(inner);
  painter->drawRect(r.adjusted(1, 1, -2, -2));
  painter->restore();
}

// Outline with cut corners, gradient face, caption, and the focus rectangle.
void SkinStyle::DrawPushButton(const QStyleOption* option, QPainter* painter) const {
  const auto* button = qstyleoption_cast<const QStyleOptionButton*>(option);
  const State state = option->state;
  bool enabled = state & State_Enabled;
  bool pressed = state & (State_Sunken | State_On);
  bool hot = state & State_MouseOver;
  bool focused = (state & State_HasFocus) || (button->features & QStyleOptionButton::DefaultButton);
  ButtonState look = SkinButtonState(enabled, pressed, hot, focused);

  const QRect r = option->rect;
  painter->save();
  painter->setRenderHint(QPainter::Antialiasing, false);
  if (r.width() > 2 && r.height() > 2) {
    FillVerticalGradient(painter, r.adjusted(1, 1, -1, -1), ButtonFaceOf(look));
  }
  QColor outline =
      enabled
          ? ToColour(colours_.buttonOutline)
          : ToColour(Darker(ToRgb(option->palette.color(QPalette::Button)), kDisabledOutlineLess));
  painter->setPen(outline);
  int left = r.left(), top = r.top(), right = r.right(), bottom = r.bottom();
  painter->drawLine(left + 2, top, right - 2, top);
  painter->drawLine(left + 2, bottom, right - 2, bottom);
  painter->drawLine(left, top + 2, left, bottom - 2);
  painter->drawLine(right, top + 2, right, bottom - 2);
  painter->drawPoint(left + 1, top + 1);
  painter->drawPoint(right - 1, top + 1);
  painter->drawPoint(left + 1, bottom - 1);
  painter->drawPoint(right - 1, bottom - 1);

  QRect caption = r.adjusted(kCaptionInset, kCaptionInset, -kCaptionInset, -kCaptionInset);
  if (pressed) {
    caption.translate(pixelMetric(PM_ButtonShiftHorizontal, option),
                      pixelMetric(PM_ButtonShiftVertical, option));
  }
  painter->setPen(ToColour(enabled ? kButtonCaption : kDisabledButtonCaption));
  painter->drawText(caption, Qt::AlignCenter | Qt::TextShowMnemonic | Qt::TextWordWrap,
                    button->text);

  if (focused && (state & State_HasFocus)) {
    QPen dotted(ToColour(kButtonCaption));
    dotted.setStyle(Qt::DotLine);
    painter->setPen(dotted);
    painter->drawRect(
        r.adjusted(kCaptionInset, kCaptionInset, -kCaptionInset - 1, -kCaptionInset - 1));
  }
  painter->restore();
}

int CurrentSkinScheme() {
  const auto* skin = dynamic_cast<const SkinStyle*>(QApplication::style());
  return skin ? skin->scheme() : 0;
}

int EnableSkin(int scheme) {
  if (!qobject_cast<QApplication*>(QCoreApplication::instance())) {
    return headless::EnableSkin(scheme);
  }
  bool wasOn = CurrentSkinScheme() != 0;
  if (!wasOn) PlainStyleName() = QApplication::style()->name();
  if (SkinSchemeOf(scheme)) {
    // Replacing the style repolishes and repaints every widget, message boxes' included.
    QApplication::setStyle(new SkinStyle(MakePlainStyle(), scheme));
    return 1;
  }
  if (!wasOn) return 0;
  QApplication::setStyle(MakePlainStyle());
  return 1;
}

}  // namespace animal_ids
