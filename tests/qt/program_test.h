#pragma once

#include <QObject>

namespace animal_ids::testing {

// The program as a process: its exit after a close during a download, the
// command line's options in the window, no display, and no window program.
class ProgramTest : public QObject {
  Q_OBJECT

 private slots:
  void closingDuringADownloadEndsTheProcessAtOnce();
  void commandLineOptionsReachTheWindow();
  void withoutADisplayItPointsToTheCommandLine();
  void withoutTheWindowProgramItSaysSo();
};

}  // namespace animal_ids::testing
