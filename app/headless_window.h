#pragma once

// What the headless window offers beyond the control operations: the
// command line and the tests drive it through these.

#include <functional>
#include <vector>

#include "app/main_window.h"
#include "text/text.h"

namespace animal_ids {

// The control operations on the controls held in memory. The headless
// program links them as its window; a window backend hands its operations
// to them while it runs as a command line, before any window exists.
namespace headless {
Text GetText(Control control);
void SetText(Control control, const Text& text);
void AppendText(Control editBox, const Text& text);
void ProcessPendingEvents();
int ShowInfoBox(const Text& text, int buttons, const Text& title);
int EnableSkin(int scheme);
}  // namespace headless

// Gives every control its initial text again and forgets queued events and shown boxes.
void ResetHeadlessWindow();

// Queues an event (a click, a keystroke) that the next ProcessPendingEvents handles.
void PostHeadlessEvent(std::function<void()> event);

// How many times ProcessPendingEvents ran since the last reset.
long long PendingEventRounds();

// The texts of the message boxes shown since the last reset, oldest first.
const std::vector<Text>& ShownInfoBoxes();

// Whether a shown message box is also written to standard error (on by default).
void EchoInfoBoxes(bool on);

}  // namespace animal_ids
