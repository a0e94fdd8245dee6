#pragma once

// The description of MainWindow: every control's kind, place, size, initial
// text and settings, the stacking and the tab order. Every window backend
// reads this one table; a change of layout is a change here only.

#include <array>
#include <span>

#include "app/main_window.h"

namespace animal_ids {

enum class ControlKind { kEditBox, kButton, kLabel, kHyperLinker };
enum class Align { kLeft, kCenter };

struct ControlDescription {
  Control control;
  ControlKind kind;
  int left, top, width, height;  // client coordinates, pixels
  const char* initialText;       // UTF-8; backends convert it to the ANSI code page
  bool multiLine;
  bool verticalScrollBar;
  bool wordWrap;
  Align align;
};

struct WindowDescription {
  const char* caption;  // UTF-8
  int outerWidth, outerHeight;
  int designLeft, designTop;  // overridden by centring on the primary screen
  int backgroundRed, backgroundGreen, backgroundBlue;
};

const WindowDescription& MainWindowDescription();

// The twelve controls, top of the stacking first.
std::span<const ControlDescription> MainWindowControls();

// The keyboard's tab order.
std::span<const Control> MainWindowTabOrder();

const ControlDescription& DescriptionOf(Control control);

// The hyperlink's target; a placeholder until the distributor sets it.
const char* DownloadPageUrl();

}  // namespace animal_ids
