#include "app/window_program_qt.h"

#include <QApplication>
#include <cstdio>
#include <cstdlib>

#include "app/main_window_qt.h"

namespace animal_ids {
namespace {

bool IsSet(const char* name) {
  const char* value = std::getenv(name);
  return value && *value;
}

// Closing the window while a handler waits for its download ends the program
// at once, as closing it otherwise does: nothing of the handler is left to do
// that the user could still see, and the download would keep it for seconds.
[[noreturn]] void EndProcessNow() {
  std::fflush(nullptr);
  std::_Exit(0);
}

}  // namespace

bool HasDisplay() {
  return IsSet("QT_QPA_PLATFORM") || IsSet("DISPLAY") || IsSet("WAYLAND_DISPLAY");
}

int RunWindowProgram(const char* programName, const CommandLine& commandLine,
                     const std::function<void(MainWindowQt&)>& shown) {
  // Qt's own options are not taken from the command line: the program has its own.
  static char* arguments[] = {const_cast<char*>(programName), nullptr};
  static int count = 1;
  QApplication application(count, arguments);

  auto* window = new MainWindowQt;
  ApplyCatalogueOptions(commandLine);
  SetClosedDuringHandler(&EndProcessNow);
  window->show();
  if (shown) shown(*window);
  int code = application.exec();
  SetClosedDuringHandler(nullptr);
  return code;
}

}  // namespace animal_ids
