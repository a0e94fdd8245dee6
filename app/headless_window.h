#pragma once

// What the headless window offers beyond the control operations: the
// command line and the tests drive it through these.

#include <functional>
#include <vector>

#include "text/text.h"

namespace animal_ids {

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
