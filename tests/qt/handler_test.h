#pragma once

#include <QObject>
#include <memory>

// moc cannot read the control names' Chinese identifiers; it needs none of them.
#ifndef Q_MOC_RUN
#include "tests/qt/window_fixture.h"
#include "tests/test_server.h"
#endif

namespace animal_ids::testing {

// The buttons' handlers in the window, against the test server: the whole
// fetch, lookup and save, a nested fetch, and a close while one runs.
class HandlerTest : public QObject {
  Q_OBJECT

 private slots:
  void initTestCase();
  void cleanupTestCase();
  void init();
  void cleanup();
  void lookupInATypedList_data();
  void lookupInATypedList();
  void fetchLookupAndSave();
  void failedFetchTellsTheUserUnderTheArrow();
  void nestedFetchRunsWholeWhileTheWindowStaysLive();
  void closingDuringADownloadTouchesNoControl();

 private:
  void UseServer(const std::string& options);

  std::unique_ptr<TestServer> server_;
  WindowFixture fixture_;
};

}  // namespace animal_ids::testing
