#include "tests/event_pump.h"

#include "app/main_window.h"

namespace animal_ids {
namespace testing {
namespace {

std::chrono::steady_clock::time_point lastCall;

}  // namespace

EventPump& Pump() {
  static EventPump pump;
  return pump;
}

void ResetPump() {
  Pump() = EventPump();
  lastCall = {};
}

}  // namespace testing

void ProcessPendingEvents() {
  testing::EventPump& pump = testing::Pump();
  auto now = std::chrono::steady_clock::now();
  if (pump.calls > 0 && now - testing::lastCall > pump.longestGap) {
    pump.longestGap = now - testing::lastCall;
  }
  testing::lastCall = now;
  ++pump.calls;
  if (pump.onEvent) {
    auto event = std::move(pump.onEvent);
    pump.onEvent = nullptr;
    event();
  }
}

}  // namespace animal_ids
