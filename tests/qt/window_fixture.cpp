#include "tests/qt/window_fixture.h"

#include <QApplication>
#include <QInputMethodEvent>
#include <QPushButton>

#include "app/window_layout.h"
#include "text/files.h"
#include "web/codepage.h"

namespace animal_ids::testing {

Text Ansi(const char* utf8) { return AnsiFromUtf8(utf8); }

std::string Utf8(const Text& text) { return AnsiToUtf8(text); }

QString Q(const char* utf8) { return QString::fromUtf8(utf8); }

const char* NameOf(Control control) {
  static const char* const kNames[] = {"编辑框1", "编辑框2", "编辑框3", "编辑框4",
                                       "编辑框5", "编辑框6", "按钮2",   "按钮3",
                                       "按钮4",   "标签1",   "标签2",   "超级链接框1"};
  return kNames[static_cast<size_t>(control)];
}

MainWindowQt* WindowFixture::Open(bool shown) {
  Close();
  window_ = new MainWindowQt;
  // The pointer starts over bare background, not over a control a test left it on.
  const QPoint bare(window_->width() - 2, window_->height() - 2);
  QCursor::setPos(window_->mapToGlobal(bare));
  if (shown) {
    window_->show();
    window_->activateWindow();
    if (!QTest::qWaitForWindowActive(window_)) qWarning("the window did not become active");
    QTest::mouseMove(window_, bare);
  }
  return window_;
}

void WindowFixture::Close() {
  if (window_) window_->close();
  // Deletion on close is deferred; the deletion events wait here.
  QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  delete window_.data();
  window_ = nullptr;
}

BoxAnswerer::BoxAnswerer(Pick answer) : answer_(std::move(answer)) {
  QObject::connect(&timer_, &QTimer::timeout, [this] { Look(); });
  timer_.start(10);
}

BoxAnswerer::~BoxAnswerer() { timer_.stop(); }

void BoxAnswerer::Look() {
  for (QWidget* top : QApplication::topLevelWidgets()) {
    auto* box = qobject_cast<QMessageBox*>(top);
    if (!box || !box->isVisible()) continue;
    ShownBox seen;
    seen.title = box->windowTitle();
    seen.text = box->text();
    seen.buttons = box->buttons();
    seen.modal = box->isModal() && QApplication::activeModalWidget() == box;
    for (QAbstractButton* button : seen.buttons)
      seen.buttonImages.push_back(button->grab().toImage());
    if (const QCursor* cursor = QApplication::overrideCursor()) {
      seen.hadOverrideCursor = true;
      seen.cursor = cursor->shape();
    }
    shown_.push_back(seen);
    QAbstractButton* pick = answer_ ? answer_(*box) : nullptr;
    if (!pick && !seen.buttons.isEmpty()) pick = seen.buttons.front();
    if (pick) {
      pick->click();
    } else {
      box->reject();
    }
  }
}

void Type(QWidget* widget, const QString& text) {
  QInputMethodEvent commit;
  commit.setCommitString(text);
  QApplication::sendEvent(widget, &commit);
}

int RunQtTests(int argc, char** argv, const std::vector<QObject*>& tests) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  EstablishRunDirectory();
  QApplication application(argc, argv);
  int failed = 0;
  for (QObject* test : tests) failed += QTest::qExec(test, argc, argv);
  return failed;
}

}  // namespace animal_ids::testing
