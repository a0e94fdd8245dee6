// Runs the window program as the installed one does, scripted from inside:
//   window_program_helper close-during-download ARGS...   clicks 按钮4, then
//       closes the window while the download runs
//   window_program_helper options ARGS...                 prints what the
//       command line set in the window, then closes it
//   window_program_helper screenshot FILE ARGS...         fetches the list,
//       looks up the default name and saves the window's picture as FILE

#include <QApplication>
#include <QPushButton>
#include <QTimer>
#include <cstdio>
#include <string>
#include <vector>

#include "app/command_line.h"
#include "app/main_window_qt.h"
#include "app/window_program_qt.h"
#include "catalogue/catalogue.h"
#include "text/files.h"
#include "web/codepage.h"

using namespace animal_ids;

namespace {

void Say(const std::string& line) {
  std::fputs((line + "\n").c_str(), stdout);
  std::fflush(stdout);
}

QPushButton* Button(MainWindowQt& window, Control control) {
  return static_cast<QPushButton*>(window.control(control));
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) return 64;
  std::string scenario = argv[1];
  int first = 2;
  std::string picture;
  if (scenario == "screenshot") {
    if (argc < 3) return 64;
    picture = argv[2];
    first = 3;
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  }
  EstablishRunDirectory();
  CommandLine commandLine = ParseCommandLine(std::vector<std::string>(argv + first, argv + argc));
  if (commandLine.action != CommandLine::Action::kWindow) return 64;

  std::function<void(MainWindowQt&)> script;
  if (scenario == "close-during-download") {
    script = [](MainWindowQt& window) {
      QTimer::singleShot(0, &window, [&window] {
        QTimer::singleShot(300, &window, [&window] {
          Say(RunningHandlers() > 0 ? "closing during the download" : "closing after it");
          window.close();
        });
        Button(window, Control::按钮4)->click();
        Say("the handler ended");
      });
    };
  } else if (scenario == "options") {
    script = [](MainWindowQt& window) {
      Say("version " + AnsiToUtf8(GetText(Control::编辑框6)));
      Say("url " + AnsiToUtf8(CatalogueUrl(GetText(Control::编辑框6))));
      QTimer::singleShot(0, &window, [&window] { window.close(); });
    };
  } else if (scenario == "screenshot") {
    script = [picture](MainWindowQt& window) {
      QTimer::singleShot(0, &window, [&window, picture] {
        Button(window, Control::按钮4)->click();
        Button(window, Control::按钮2)->click();
        bool saved = window.grab().save(QString::fromStdString(picture), "PNG");
        Say(saved ? "saved " + picture : "could not save " + picture);
        window.close();
      });
    };
  } else {
    return 64;
  }
  return RunWindowProgram(argv[0], commandLine, script);
}
