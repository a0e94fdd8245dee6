#pragma once

// The control operations through which the handlers and the HTTP exchange
// touch the user interface. One backend per program: the Win32 window, the
// Qt window, or the headless window of the command line and the tests.

#include "text/text.h"

namespace animal_ids {

enum class Control {
  编辑框1,
  编辑框2,
  编辑框3,
  编辑框4,
  编辑框5,
  编辑框6,
  按钮2,
  按钮3,
  按钮4,
  标签1,
  标签2,
  超级链接框1,
};

// The control's current text, read from the control each time.
Text GetText(Control control);

// Replaces the control's whole text and shows it at once.
void SetText(Control control, const Text& text);

// Adds text at the very end of an edit box and scrolls there.
void AppendText(Control editBox, const Text& text);

// Lets the user interface handle every waiting message except a quit
// message, then returns.
void ProcessPendingEvents();

// A modal message box captioned "信息：" unless a title is given; returns
// which button closed it (0 for OK).
int ShowInfoBox(const Text& text, int buttons = 0, const Text& title = Text());

// Switches the skinned look of buttons and edit boxes on (schemes 1 to 3) or off.
int EnableSkin(int scheme);

}  // namespace animal_ids
