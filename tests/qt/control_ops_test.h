#pragma once

#include <QObject>

// moc cannot read the control names' Chinese identifiers; it needs none of them.
#ifndef Q_MOC_RUN
#include "tests/qt/window_fixture.h"
#endif

namespace animal_ids::testing {

// GetText, SetText, AppendText, ProcessPendingEvents and ShowInfoBox with the
// Windows semantics, and what they do once the window is gone.
class ControlOpsTest : public QObject {
  Q_OBJECT

 private slots:
  void init();
  void cleanup();
  void textsCrossTheBoundary_data();
  void textsCrossTheBoundary();
  void typedLineBreaksReadBackAsCrLf();
  void appendGoesToTheVeryEndAndScrollsThere_data();
  void appendGoesToTheVeryEndAndScrollsThere();
  void appendCannotBeUndone();
  void appendToASingleLineBox();
  void pendingEventsAreHandledWithoutWaiting();
  void infoBox_data();
  void infoBox();
  void operationsDoNothingOnceTheWindowIsGone();

 private:
  WindowFixture fixture_;
};

}  // namespace animal_ids::testing
