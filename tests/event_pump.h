#pragma once

// A stand-in for the window's ProcessPendingEvents in the web tests: it
// records when it was called and can run an event, as a click would.

#include <chrono>
#include <functional>

namespace animal_ids::testing {

struct EventPump {
  long long calls = 0;
  std::chrono::steady_clock::duration longestGap{};
  std::function<void()> onEvent;  // run once, at the next call
};

EventPump& Pump();

// Forgets what was recorded; the next call starts the gap clock.
void ResetPump();

}  // namespace animal_ids::testing
