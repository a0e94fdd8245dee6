#pragma once

#include <QObject>

// moc cannot read the control names' Chinese identifiers; it needs none of them.
#ifndef Q_MOC_RUN
#include "tests/qt/window_fixture.h"
#endif

namespace animal_ids::testing {

// The skinned look of buttons and edit boxes in the three schemes, on and off.
class SkinTest : public QObject {
  Q_OBJECT

 private slots:
  void init();
  void cleanup();
  void enableSkinResults_data();
  void enableSkinResults();
  void buttonsInEveryState_data();
  void buttonsInEveryState();
  void captionMovesWhenPressed();
  void editEdges_data();
  void editEdges();
  void offGivesThePlainLook();
  void messageBoxButtonsAreSkinned();

 private:
  WindowFixture fixture_;
};

// The hyperlink's colours, its pointer states and its opening.
class HyperlinkTest : public QObject {
  Q_OBJECT

 private slots:
  void init();
  void cleanup();
  void coloursFollowThePointerAndTheLastOpen();
  void opensOnButtonDown();
  void targets_data();
  void targets();
  void desktopOpenerFallsBackInOrder_data();
  void desktopOpenerFallsBackInOrder();

 private:
  WindowFixture fixture_;
};

}  // namespace animal_ids::testing
