#pragma once

// The skinned look as a Qt style: flat two-pixel edges on edit boxes and
// self-drawn push buttons in one of the three colour schemes. EnableSkin
// makes it the application's style, so message boxes get it too.

#include <QProxyStyle>

#include "app/look.h"

namespace animal_ids {

class SkinStyle : public QProxyStyle {
 public:
  SkinStyle(QStyle* base, int scheme);

  int scheme() const { return scheme_; }

  void polish(QWidget* widget) override;
  using QProxyStyle::polish;
  int pixelMetric(PixelMetric metric, const QStyleOption* option = nullptr,
                  const QWidget* widget = nullptr) const override;
  void drawPrimitive(PrimitiveElement element, const QStyleOption* option, QPainter* painter,
                     const QWidget* widget = nullptr) const override;
  void drawControl(ControlElement element, const QStyleOption* option, QPainter* painter,
                   const QWidget* widget = nullptr) const override;

 private:
  void DrawEditEdge(const QStyleOption* option, QPainter* painter, bool readOnly) const;
  void DrawPushButton(const QStyleOption* option, QPainter* painter) const;

  int scheme_;
  SkinScheme colours_;
};

// The state whose face a push button shows: disabled, then pressed, then
// hot, then focused or default.
ButtonState SkinButtonState(bool enabled, bool pressed, bool hot, bool focusedOrDefault);

// The scheme the application is skinned with, 0 when the look is off.
int CurrentSkinScheme();

}  // namespace animal_ids
