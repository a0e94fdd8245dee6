#pragma once

#include <QObject>

// moc cannot read the control names' Chinese identifiers; it needs none of them.
#ifndef Q_MOC_RUN
#include "tests/qt/window_fixture.h"
#endif

namespace animal_ids::testing {

// The frame, the twelve controls as the window's description has them, the
// labels' drawing and the keyboard.
class WindowLayoutTest : public QObject {
  Q_OBJECT

 private slots:
  void init();
  void cleanup();
  void frameIsFixedCentredAndCaptioned();
  void centringRoundsTowardZero_data();
  void centringRoundsTowardZero();
  void controls_data();
  void controls();
  void stackingAndTheUnseenBox();
  void labelsAreDrawnAsTheWindowDrawsThem();
  void tabOrderWrapsBothWays_data();
  void tabOrderWrapsBothWays();
  void typingAfterTabReachesTheUnseenBox();
  void enterBreaksALineOnlyInMultiLineBoxes();
  void escapeClosesFromEveryControl_data();
  void escapeClosesFromEveryControl();
  void focusComesBackAfterDeactivation();

 private:
  WindowFixture fixture_;
};

}  // namespace animal_ids::testing
