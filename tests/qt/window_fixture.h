#pragma once

// What the window tests share: a fresh MainWindow per test, its controls by
// name, texts written in UTF-8, message boxes answered as they show, and a
// main that runs the test classes on Qt's offscreen platform.

#include <QMessageBox>
#include <QObject>
#include <QPointer>
#include <QString>
#include <QtTest>
#include <functional>
#include <string>
#include <vector>

#include "app/main_window.h"
#include "app/main_window_qt.h"
#include "text/text.h"

namespace animal_ids::testing {

// Texts are written here in UTF-8 and held by the program in code page 936.
Text Ansi(const char* utf8);
std::string Utf8(const Text& text);
QString Q(const char* utf8);

// The control's name as the table spells it, for test data rows.
const char* NameOf(Control control);

class WindowFixture {
 public:
  // Makes the window; shown, it is also active with the focus in it.
  MainWindowQt* Open(bool shown = true);
  // Closes what is left of it and lets Qt delete it.
  void Close();

  MainWindowQt* window() const { return window_; }
  QWidget* widget(Control control) const { return window_ ? window_->control(control) : nullptr; }
  template <typename Widget>
  Widget* as(Control control) const {
    return qobject_cast<Widget*>(widget(control));
  }

 private:
  QPointer<MainWindowQt> window_;
};

// What a message box showed before it was answered.
struct ShownBox {
  QString title;
  QString text;
  QList<QAbstractButton*> buttons;
  bool modal = false;
  std::vector<QImage> buttonImages;
  Qt::CursorShape cursor = Qt::ArrowCursor;
  bool hadOverrideCursor = false;
};

// Watches for message boxes: each one is recorded, then answered with the
// button answer picks (by default its first button).
class BoxAnswerer {
 public:
  using Pick = std::function<QAbstractButton*(QMessageBox&)>;
  explicit BoxAnswerer(Pick answer = {});
  ~BoxAnswerer();
  BoxAnswerer(const BoxAnswerer&) = delete;
  BoxAnswerer& operator=(const BoxAnswerer&) = delete;

  const std::vector<ShownBox>& shown() const { return shown_; }

 private:
  void Look();

  Pick answer_;
  QTimer timer_;
  std::vector<ShownBox> shown_;
};

// Types text as an input method commits it: QTest's key clicks spell Latin-1 only.
void Type(QWidget* widget, const QString& text);

// Runs the test objects in turn on the offscreen platform; the exit code is
// the number of failed tests.
int RunQtTests(int argc, char** argv, const std::vector<QObject*>& tests);

}  // namespace animal_ids::testing
