#include <cstdio>
#include <deque>
#include <map>

#include "app/headless_window.h"
#include "app/window_layout.h"
#include "web/codepage.h"

// Controls held in memory; message boxes go to standard error. The command
// line of every program and the handler tests run on these.

namespace animal_ids {
namespace {

struct HeadlessWindow {
  HeadlessWindow() { Reset(); }
  void Reset() {
    texts.clear();
    for (const ControlDescription& d : MainWindowControls()) {
      texts[d.control] = AnsiFromUtf8(d.initialText);
    }
    events.clear();
    boxes.clear();
    rounds = 0;
  }
  std::map<Control, Text> texts;
  std::deque<std::function<void()>> events;
  std::vector<Text> boxes;
  long long rounds = 0;
  bool echo = true;
  int scheme = 0;
};

HeadlessWindow& Window() {
  static HeadlessWindow window;
  return window;
}

}  // namespace

namespace headless {

Text GetText(Control control) { return Window().texts[control]; }

void SetText(Control control, const Text& text) { Window().texts[control] = text; }

void AppendText(Control editBox, const Text& text) { Window().texts[editBox] += text; }

void ProcessPendingEvents() {
  HeadlessWindow& window = Window();
  ++window.rounds;
  // Events posted while handling one wait for the next round, as in a message queue.
  std::deque<std::function<void()>> waiting;
  waiting.swap(window.events);
  for (auto& event : waiting) event();
}

int ShowInfoBox(const Text& text, int, const Text&) {
  HeadlessWindow& window = Window();
  window.boxes.push_back(text);
  if (window.echo) {
    std::string line = AnsiToUtf8(text) + "\n";
    std::fwrite(line.data(), 1, line.size(), stderr);
    std::fflush(stderr);
  }
  return 0;
}

int EnableSkin(int scheme) {
  HeadlessWindow& window = Window();
  bool wasOn = window.scheme >= 1 && window.scheme <= 3;
  window.scheme = scheme;
  if (scheme >= 1 && scheme <= 3) return 1;
  return wasOn ? 1 : 0;
}

}  // namespace headless

void ResetHeadlessWindow() { Window().Reset(); }

void PostHeadlessEvent(std::function<void()> event) { Window().events.push_back(std::move(event)); }

long long PendingEventRounds() { return Window().rounds; }

const std::vector<Text>& ShownInfoBoxes() { return Window().boxes; }

void EchoInfoBoxes(bool on) { Window().echo = on; }

}  // namespace animal_ids
