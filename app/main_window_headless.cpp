#include "app/headless_window.h"
#include "app/main_window.h"

// The window of the program without one: the controls held in memory.

namespace animal_ids {

Text GetText(Control control) { return headless::GetText(control); }

void SetText(Control control, const Text& text) { headless::SetText(control, text); }

void AppendText(Control editBox, const Text& text) { headless::AppendText(editBox, text); }

void ProcessPendingEvents() { headless::ProcessPendingEvents(); }

int ShowInfoBox(const Text& text, int buttons, const Text& title) {
  return headless::ShowInfoBox(text, buttons, title);
}

int EnableSkin(int scheme) { return headless::EnableSkin(scheme); }

}  // namespace animal_ids
