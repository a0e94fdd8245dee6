#include "tests/qt/handler_test.h"

#include <QApplication>
#include <QFile>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>

#include "catalogue/catalogue.h"
#include "text/files.h"

namespace animal_ids::testing {
namespace {

using enum Control;

int LineCount(const std::string& text) {
  return static_cast<int>(std::count(text.begin(), text.end(), '\n'));
}

QString SavedListPath() { return QString::fromStdString(Utf8(RunDirectory())) + Q("/动物ID.txt"); }

// Counts the paint events a widget gets while a handler runs.
class PaintCounter : public QObject {
 public:
  explicit PaintCounter(QWidget* widget) { widget->installEventFilter(this); }
  int duringHandlers = 0;

 protected:
  bool eventFilter(QObject*, QEvent* event) override {
    if (event->type() == QEvent::Paint && RunningHandlers() > 0) ++duringHandlers;
    return false;
  }
};

}  // namespace

void HandlerTest::initTestCase() { server_ = std::make_unique<TestServer>(); }

void HandlerTest::cleanupTestCase() { server_.reset(); }

void HandlerTest::init() {
  UseServer("");
  QFile::remove(SavedListPath());
  fixture_.Open();
}

void HandlerTest::cleanup() {
  fixture_.Close();
  QFile::remove(SavedListPath());
  QCOMPARE(QApplication::overrideCursor(), nullptr);
}

void HandlerTest::UseServer(const std::string& options) {
  SetCatalogueServer(Text(server_->Base() + options));
}

void HandlerTest::lookupInATypedList_data() {
  QTest::addColumn<QString>("name");
  QTest::addColumn<QByteArray>("id");
  QTest::newRow("a name in the list") << Q("鸭") << QByteArray("1002");
  QTest::newRow("the last line, without a line end") << Q("鹅") << QByteArray("1003");
  QTest::newRow("a name the list lacks empties the ID") << Q("牛") << QByteArray();
}

void HandlerTest::lookupInATypedList() {
  QFETCH(QString, name);
  QFETCH(QByteArray, id);
  SetText(编辑框5, Ansi("old"));
  QWidget* list = fixture_.widget(编辑框1);
  Type(list, Q("动物ID:1001----鸡"));
  QTest::keyClick(list, Qt::Key_Return);
  Type(list, Q("动物ID:1002----鸭"));
  QTest::keyClick(list, Qt::Key_Return);
  Type(list, Q("动物ID:1003----鹅"));
  auto* nameBox = fixture_.as<QLineEdit>(编辑框2);
  nameBox->setFocus(Qt::TabFocusReason);
  nameBox->selectAll();
  Type(nameBox, name);
  QTest::mouseClick(fixture_.widget(按钮2), Qt::LeftButton);
  QCOMPARE(QByteArray::fromStdString(Utf8(GetText(编辑框5))), id);
  QCOMPARE(fixture_.as<QLineEdit>(编辑框5)->text(), QString::fromUtf8(id));
}

void HandlerTest::fetchLookupAndSave() {
  QTest::mouseClick(fixture_.widget(按钮4), Qt::LeftButton);
  QCOMPARE(Utf8(GetText(编辑框4)), std::string("22"));
  const std::string list = Utf8(GetText(编辑框1));
  QCOMPARE(LineCount(list), 22);
  QVERIFY(list.rfind("动物ID:1001----鸡\r\n", 0) == 0);
  QVERIFY(QApplication::overrideCursor() == nullptr);

  auto* nameBox = fixture_.as<QLineEdit>(编辑框2);
  QCOMPARE(nameBox->text(), Q("羊"));
  QTest::mouseClick(fixture_.widget(按钮2), Qt::LeftButton);
  const std::string id = Utf8(GetText(编辑框5));
  QVERIFY(!id.empty());
  QVERIFY(list.find("动物ID:" + id + "----羊\r\n") != std::string::npos);

  BoxAnswerer answerer;
  QTest::mouseClick(fixture_.widget(按钮3), Qt::LeftButton);
  QCOMPARE(answerer.shown().size(), size_t(1));
  QCOMPARE(answerer.shown().front().title, Q("信息："));
  QCOMPARE(answerer.shown().front().text, Q("动物ID已经成功保存在当前运行目录下！"));
  QFile saved(SavedListPath());
  QVERIFY(saved.open(QIODevice::ReadOnly));
  QCOMPARE(saved.readAll().toStdString(), GetText(编辑框1).str());
}

void HandlerTest::failedFetchTellsTheUserUnderTheArrow() {
  SetText(编辑框6, Ansi("999"));
  BoxAnswerer answerer;
  QTest::mouseClick(fixture_.widget(按钮4), Qt::LeftButton);
  QCOMPARE(answerer.shown().size(), size_t(1));
  const ShownBox& box = answerer.shown().front();
  QVERIFY2(box.text.startsWith(Q("获取动物ID失败")), qPrintable(box.text));
  QCOMPARE(box.title, Q("信息："));
  QVERIFY(box.hadOverrideCursor);
  QCOMPARE(box.cursor, Qt::ArrowCursor);
  QCOMPARE(Utf8(GetText(编辑框4)), std::string("0"));
  QCOMPARE(QApplication::overrideCursor(), nullptr);
}

void HandlerTest::nestedFetchRunsWholeWhileTheWindowStaysLive() {
  // A catalogue of a few kilobytes in 512-byte pieces: many rounds of events.
  UseServer("/b/drip=512:0.05");
  auto* fetch = fixture_.as<QPushButton>(按钮4);
  auto* nameBox = fixture_.as<QLineEdit>(编辑框2);
  PaintCounter paints(nameBox);
  struct Seen {
    int handlersOuter = 0, handlersNested = 0, handlersAfterNested = 0;
    Qt::CursorShape cursorOuter = Qt::ArrowCursor, cursorNested = Qt::ArrowCursor,
                    cursorAfterNested = Qt::ArrowCursor;
    int linesAfterNested = 0;
    QString typed;
  } seen;
  auto cursorNow = [] {
    const QCursor* cursor = QApplication::overrideCursor();
    return cursor ? cursor->shape() : Qt::ArrowCursor;
  };
  // Runs in the first round of events of the first download.
  QTimer::singleShot(0, [&] {
    seen.handlersOuter = RunningHandlers();
    seen.cursorOuter = cursorNow();
    // The user types while the list downloads.
    nameBox->setFocus(Qt::MouseFocusReason);
    nameBox->selectAll();
    Type(nameBox, Q("鸭"));
    seen.typed = nameBox->text();
    nameBox->update();
    QTimer::singleShot(0, [&] {
      seen.handlersNested = RunningHandlers();
      seen.cursorNested = cursorNow();
    });
    QTest::mouseClick(fetch, Qt::LeftButton);
    seen.handlersAfterNested = RunningHandlers();
    seen.cursorAfterNested = cursorNow();
    seen.linesAfterNested = LineCount(Utf8(GetText(编辑框1)));
  });
  QTest::mouseClick(fetch, Qt::LeftButton);

  QCOMPARE(seen.handlersOuter, 1);
  QCOMPARE(seen.cursorOuter, Qt::BusyCursor);
  QCOMPARE(seen.handlersNested, 2);
  QCOMPARE(seen.cursorNested, Qt::BusyCursor);
  // The nested fetch ran whole, and the outer one was still busy after it.
  QCOMPARE(seen.linesAfterNested, 22);
  QCOMPARE(seen.handlersAfterNested, 1);
  QCOMPARE(seen.cursorAfterNested, Qt::BusyCursor);
  QCOMPARE(seen.typed, Q("鸭"));
  QVERIFY(paints.duringHandlers > 0);

  const std::string list = Utf8(GetText(编辑框1));
  QCOMPARE(LineCount(list), 44);
  QCOMPARE(list.substr(0, list.size() / 2), list.substr(list.size() / 2));
  QCOMPARE(Utf8(GetText(编辑框4)), std::string("22"));
  QCOMPARE(RunningHandlers(), 0);
  QCOMPARE(QApplication::overrideCursor(), nullptr);
}

void HandlerTest::closingDuringADownloadTouchesNoControl() {
  // Cut short, the download would end in a message; the window is gone by then.
  UseServer("/b/drip=256:0.05&cut=1500");
  QPointer<MainWindowQt> window = fixture_.window();
  QPointer<QPlainTextEdit> list = fixture_.as<QPlainTextEdit>(编辑框1);
  QPointer<QLineEdit> count = fixture_.as<QLineEdit>(编辑框4);
  BoxAnswerer answerer;
  int handlersAtClose = 0;
  QTimer::singleShot(0, [&] {
    handlersAtClose = RunningHandlers();
    QTest::keyClick(window, Qt::Key_Escape);
  });
  QTest::mouseClick(fixture_.widget(按钮4), Qt::LeftButton);

  QCOMPARE(handlersAtClose, 1);
  QCOMPARE(CurrentMainWindow(), nullptr);
  QVERIFY(answerer.shown().empty());
  QCoreApplication::processEvents();
  QVERIFY(answerer.shown().empty());
  // Whatever Qt has not deleted yet was left as it was at the close.
  if (list) QCOMPARE(list->toPlainText(), QString());
  if (count) QCOMPARE(count->text(), QString());
  QCOMPARE(RunningHandlers(), 0);
  QCOMPARE(QApplication::overrideCursor(), nullptr);
  QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  QVERIFY(window.isNull());
}

}  // namespace animal_ids::testing
