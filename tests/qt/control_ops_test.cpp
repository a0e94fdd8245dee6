#include "tests/qt/control_ops_test.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScrollBar>

#include "app/hyperlink_qt.h"
#include "app/label_qt.h"

namespace animal_ids::testing {
namespace {

using enum Control;

// For the keys QTest cannot spell.
void SendKey(QWidget* widget, Qt::Key key, Qt::KeyboardModifiers modifiers, const QString& text) {
  QKeyEvent press(QEvent::KeyPress, key, modifiers, text);
  QApplication::sendEvent(widget, &press);
  QKeyEvent release(QEvent::KeyRelease, key, modifiers, text);
  QApplication::sendEvent(widget, &release);
}

}  // namespace

void ControlOpsTest::init() { fixture_.Open(); }

void ControlOpsTest::cleanup() { fixture_.Close(); }

void ControlOpsTest::textsCrossTheBoundary_data() {
  QTest::addColumn<int>("control");
  QTest::addColumn<QByteArray>("set");       // UTF-8, as the program holds it in code page 936
  QTest::addColumn<QString>("shown");        // what the widget holds
  QTest::addColumn<QByteArray>("readBack");  // GetText, UTF-8
  auto row = [](const char* name, Control c, const char* set, const char* shown, const char* back) {
    QTest::newRow(name) << static_cast<int>(c) << QByteArray(set) << QString::fromUtf8(shown)
                        << QByteArray(back);
  };
  row("CR LF lines in the list box", 编辑框1, "动物ID:1----鸡\r\n动物ID:2----羊\r\n",
      "动物ID:1----鸡\n动物ID:2----羊\n", "动物ID:1----鸡\r\n动物ID:2----羊\r\n");
  row("an empty line stays", 编辑框1, "a\r\n\r\nb", "a\n\nb", "a\r\n\r\nb");
  row("a lone LF or CR is a line break too", 编辑框1, "a\nb\rc", "a\nb\nc", "a\r\nb\r\nc");
  row("the empty text", 编辑框1, "", "", "");
  row("a single-line box", 编辑框2, "小羊", "小羊", "小羊");
  row("the count box", 编辑框4, "22", "22", "22");
  row("a button's caption", 按钮3, "保存", "保存", "保存");
  row("a label", 标签1, "种数", "种数", "种数");
  row("a label's lines", 标签2, "一\r\n\r\n二", "一\n\n二", "一\r\n\r\n二");
  row("the hyperlink's caption", 超级链接框1, "下载 & QQ", "下载 & QQ", "下载 & QQ");
}

void ControlOpsTest::textsCrossTheBoundary() {
  QFETCH(int, control);
  QFETCH(QByteArray, set);
  QFETCH(QString, shown);
  QFETCH(QByteArray, readBack);
  Control c = static_cast<Control>(control);
  SetText(c, Ansi(set.constData()));
  QWidget* widget = fixture_.widget(c);
  QString held;
  if (auto* box = qobject_cast<QPlainTextEdit*>(widget)) held = box->toPlainText();
  if (auto* line = qobject_cast<QLineEdit*>(widget)) held = line->text();
  if (auto* button = qobject_cast<QPushButton*>(widget)) held = button->text();
  if (auto* label = dynamic_cast<LabelQt*>(widget)) held = label->text();
  if (auto* link = dynamic_cast<HyperlinkQt*>(widget)) held = link->caption();
  QCOMPARE(held, shown);
  QCOMPARE(QByteArray::fromStdString(Utf8(GetText(c))), readBack);
}

void ControlOpsTest::typedLineBreaksReadBackAsCrLf() {
  auto* box = fixture_.as<QPlainTextEdit>(编辑框1);
  Type(box, Q("动物ID:1001----鸡"));
  QTest::keyClick(box, Qt::Key_Return);
  QTest::keyClicks(box, Q("x"));
  QTest::keyClick(box, Qt::Key_Return, Qt::ShiftModifier);
  SendKey(box, Qt::Key_Enter, Qt::KeypadModifier, QStringLiteral("\r"));
  QCOMPARE(Utf8(GetText(编辑框1)), std::string("动物ID:1001----鸡\r\nx\r\n\r\n"));
  // The user empties the box: the empty text.
  box->selectAll();
  SendKey(box, Qt::Key_Delete, Qt::NoModifier, QStringLiteral("\x7f"));
  QCOMPARE(Utf8(GetText(编辑框1)), std::string());
}

void ControlOpsTest::appendGoesToTheVeryEndAndScrollsThere_data() {
  QTest::addColumn<QByteArray>("appended");
  QTest::newRow("a line") << QByteArray("动物ID:9----牛\r\n");
  QTest::newRow("two lines") << QByteArray("a\r\nb\r\n");
  QTest::newRow("nothing still moves the caret") << QByteArray();
}

void ControlOpsTest::appendGoesToTheVeryEndAndScrollsThere() {
  QFETCH(QByteArray, appended);
  auto* box = fixture_.as<QPlainTextEdit>(编辑框1);
  std::string before;
  for (int i = 0; i < 60; ++i) before += "line " + std::to_string(i) + "\r\n";
  SetText(编辑框1, Ansi(before.c_str()));
  // The user goes back to the top, types there and selects a word.
  box->moveCursor(QTextCursor::Start);
  box->ensureCursorVisible();
  QTest::keyClicks(box, Q("typed "));
  QTextCursor selection = box->textCursor();
  selection.movePosition(QTextCursor::NextWord, QTextCursor::KeepAnchor);
  box->setTextCursor(selection);
  QCOMPARE(box->verticalScrollBar()->value(), 0);

  AppendText(编辑框1, Ansi(appended.constData()));
  QCOMPARE(Utf8(GetText(编辑框1)), "typed " + before + appended.toStdString());
  QTextCursor caret = box->textCursor();
  QVERIFY(!caret.hasSelection());
  QCOMPARE(caret.position(), box->document()->characterCount() - 1);
  QCoreApplication::processEvents();
  QCOMPARE(box->verticalScrollBar()->value(), box->verticalScrollBar()->maximum());
  QVERIFY(box->verticalScrollBar()->maximum() > 0);
}

void ControlOpsTest::appendCannotBeUndone() {
  auto* box = fixture_.as<QPlainTextEdit>(编辑框1);
  QTest::keyClicks(box, Q("typed"));
  AppendText(编辑框1, Ansi("\r\nappended"));
  QVERIFY(!box->document()->isUndoAvailable());
  QTest::keyClick(box, Qt::Key_Z, Qt::ControlModifier);
  QCOMPARE(Utf8(GetText(编辑框1)), std::string("typed\r\nappended"));
  // What the user types after it can be undone as usual.
  QTest::keyClicks(box, Q("!"));
  QVERIFY(box->document()->isUndoAvailable());
}

void ControlOpsTest::appendToASingleLineBox() {
  auto* line = fixture_.as<QLineEdit>(编辑框2);
  line->setCursorPosition(0);
  AppendText(编辑框2, Ansi("群"));
  QCOMPARE(Utf8(GetText(编辑框2)), std::string("羊群"));
  QCOMPARE(line->cursorPosition(), line->text().size());
}

void ControlOpsTest::pendingEventsAreHandledWithoutWaiting() {
  bool handled = false;
  QTimer::singleShot(0, [&] { handled = true; });
  bool late = false;
  QTimer::singleShot(60000, [&] { late = true; });
  SetText(编辑框4, Ansi("7"));
  fixture_.widget(编辑框4)->update();
  QElapsedTimer clock;
  clock.start();
  ProcessPendingEvents();
  QVERIFY(handled);
  QVERIFY(!late);
  // Nothing waits for the far timer; the bound only catches a hang.
  QVERIFY(clock.elapsed() < 5000);
  clock.restart();
  ProcessPendingEvents();
  QVERIFY(clock.elapsed() < 5000);
}

void ControlOpsTest::infoBox_data() {
  QTest::addColumn<int>("buttons");
  QTest::addColumn<QByteArray>("title");
  QTest::addColumn<QStringList>("offered");
  QTest::addColumn<QString>("answer");
  QTest::addColumn<int>("result");
  QTest::newRow("OK alone under the default caption")
      << 0 << QByteArray() << QStringList{"OK"} << "OK" << 0;
  QTest::newRow("a caption of the caller's")
      << 0 << QByteArray("标题") << QStringList{"OK"} << "OK" << 0;
  QTest::newRow("OK and cancel, answered cancel")
      << 1 << QByteArray() << QStringList{"Cancel", "OK"} << "Cancel" << 1;
  QTest::newRow("yes and no, answered no")
      << 4 << QByteArray() << QStringList{"No", "Yes"} << "No" << 6;
}

void ControlOpsTest::infoBox() {
  QFETCH(int, buttons);
  QFETCH(QByteArray, title);
  QFETCH(QStringList, offered);
  QFETCH(QString, answer);
  QFETCH(int, result);
  auto nameOf = [](QMessageBox& box, QAbstractButton* button) {
    switch (box.standardButton(button)) {
      case QMessageBox::Ok:
        return QStringLiteral("OK");
      case QMessageBox::Cancel:
        return QStringLiteral("Cancel");
      case QMessageBox::Yes:
        return QStringLiteral("Yes");
      case QMessageBox::No:
        return QStringLiteral("No");
      default:
        return button->text();
    }
  };
  QStringList seen;
  BoxAnswerer answerer([&](QMessageBox& box) -> QAbstractButton* {
    QAbstractButton* pick = nullptr;
    for (QAbstractButton* button : box.buttons()) {
      seen << nameOf(box, button);
      if (nameOf(box, button) == answer) pick = button;
    }
    return pick;
  });
  int got = ShowInfoBox(Ansi("第一行\r\n第二行"), buttons, Ansi(title.constData()));
  QCOMPARE(got, result);
  QCOMPARE(answerer.shown().size(), size_t(1));
  const ShownBox& box = answerer.shown().front();
  QCOMPARE(box.title, title.isEmpty() ? Q("信息：") : QString::fromUtf8(title));
  QCOMPARE(box.text, Q("第一行\n第二行"));
  QVERIFY(box.modal);
  seen.sort();
  QCOMPARE(seen, offered);
}

void ControlOpsTest::operationsDoNothingOnceTheWindowIsGone() {
  QPointer<QPlainTextEdit> list = fixture_.as<QPlainTextEdit>(编辑框1);
  SetText(编辑框1, Ansi("kept"));
  fixture_.window()->close();
  QCOMPARE(CurrentMainWindow(), nullptr);
  // Until Qt deletes it, the box still shows what it held when it was closed.
  SetText(编辑框1, Ansi("late"));
  AppendText(编辑框1, Ansi("late"));
  QCOMPARE(list->toPlainText(), Q("kept"));
  QCOMPARE(GetText(编辑框1), Text());
  BoxAnswerer answerer;
  QCOMPARE(ShowInfoBox(Ansi("never shown")), 0);
  QCoreApplication::processEvents();
  QVERIFY(answerer.shown().empty());
  ProcessPendingEvents();
  QVERIFY(list.isNull() || !list->isVisible());
}

}  // namespace animal_ids::testing
