#include "app/main_window_qt.h"

#include <QApplication>
#include <QCloseEvent>
#include <QFile>
#include <QGuiApplication>
#include <QIcon>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMessageBox>
#include <QPainter>
#include <QPlainTextEdit>
#include <QPointer>
#include <QPushButton>
#include <QScreen>
#include <QTextDocument>

#include "app/headless_window.h"
#include "app/hyperlink_qt.h"
#include "app/label_qt.h"
#include "app/look.h"
#include "app/text_qt.h"
#include "catalogue/catalogue.h"
#include "web/codepage.h"

namespace animal_ids {
namespace {

// A fixed dialog frame of the classic look at 96 dpi: SM_CXDLGFRAME and SM_CYCAPTION.
constexpr int kDialogFrame = 3;
constexpr int kCaptionBar = 19;
// Windows imposes no length limit of its own on an edit box.
constexpr int kNoLengthLimit = 0x3FFFFFFF;
constexpr const char* kIconResource = ":/animal-ids/animal-ids.png";

struct WindowState {
  QPointer<MainWindowQt> window;
  bool everMade = false;
  bool closed = false;
  int runningHandlers = 0;
  void (*closedDuringHandler)() = nullptr;
};

WindowState& State() {
  static WindowState state;
  return state;
}

// The control ops go to the headless controls until a window exists.
bool Headless() { return !State().everMade; }

QWidget* LiveControl(Control control) {
  MainWindowQt* window = CurrentMainWindow();
  return window ? window->control(control) : nullptr;
}

QColor ToColour(Rgb rgb) { return QColor(rgb.red, rgb.green, rgb.blue); }

// The busy pointer over every window while a download runs, one level per nested download.
class BusyCursor {
 public:
  BusyCursor() { QApplication::setOverrideCursor(Qt::BusyCursor); }
  ~BusyCursor() { QApplication::restoreOverrideCursor(); }
  BusyCursor(const BusyCursor&) = delete;
  BusyCursor& operator=(const BusyCursor&) = delete;
};

class RunningHandler {
 public:
  RunningHandler() { ++State().runningHandlers; }
  ~RunningHandler() { --State().runningHandlers; }
  RunningHandler(const RunningHandler&) = delete;
  RunningHandler& operator=(const RunningHandler&) = delete;
};

void RunFetch() {
  RunningHandler running;
  BusyCursor busy;
  FetchAnimalIds();
}

void RunLookup() {
  RunningHandler running;
  LookupAnimalId();
}

void RunSave() {
  RunningHandler running;
  SaveAnimalList();
}

QFont DefaultGuiFont() {
  // Windows' default GUI font is 9 points at 96 dpi; these families hold the Chinese texts.
  QFont font;
  font.setFamilies({QStringLiteral("WenQuanYi Micro Hei"), QStringLiteral("Noto Sans CJK SC"),
                    QStringLiteral("Droid Sans Fallback")});
  font.setPixelSize(12);
  return font;
}

QPalette WindowPalette(QPalette palette) {
  QColor background = ToColour(kWindowBackground);
  palette.setColor(QPalette::Window, background);
  palette.setColor(QPalette::WindowText, Qt::black);
  palette.setColor(QPalette::Base, Qt::white);
  palette.setColor(QPalette::Text, Qt::black);
  palette.setColor(QPalette::ButtonText, Qt::black);
  return palette;
}

QMessageBox::StandardButtons ButtonsOf(int buttons) {
  switch (buttons & 0xF) {
    case 1:
      return QMessageBox::Ok | QMessageBox::Cancel;
    case 2:
      return QMessageBox::Abort | QMessageBox::Retry | QMessageBox::Ignore;
    case 3:
      return QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel;
    case 4:
      return QMessageBox::Yes | QMessageBox::No;
    case 5:
      return QMessageBox::Retry | QMessageBox::Cancel;
    default:
      return QMessageBox::Ok;
  }
}

QMessageBox::Icon IconOf(int buttons) {
  switch (buttons & 0xF0) {
    case 0x10:
      return QMessageBox::Critical;
    case 0x20:
      return QMessageBox::Question;
    case 0x30:
      return QMessageBox::Warning;
    case 0x40:
      return QMessageBox::Information;
    default:
      return QMessageBox::NoIcon;
  }
}

// IDOK 0, IDCANCEL 1, IDABORT 2, IDRETRY 3, IDIGNORE 4, IDYES 5, IDNO 6.
int ResultOf(QMessageBox::StandardButton button) {
  switch (button) {
    case QMessageBox::Cancel:
      return 1;
    case QMessageBox::Abort:
      return 2;
    case QMessageBox::Retry:
      return 3;
    case QMessageBox::Ignore:
      return 4;
    case QMessageBox::Yes:
      return 5;
    case QMessageBox::No:
      return 6;
    default:
      return 0;
  }
}

}  // namespace

MainWindowQt::MainWindowQt()
    : QWidget(nullptr, Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                           Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint) {
  WindowState& state = State();
  state.window = this;
  state.everMade = true;
  state.closed = false;

  const WindowDescription& description = MainWindowDescription();
  setAttribute(Qt::WA_DeleteOnClose);
  setWindowTitle(FromProgramLiteral(description.caption));
  if (QFile::exists(QString::fromLatin1(kIconResource))) {
    setWindowIcon(QIcon(QString::fromLatin1(kIconResource)));
  }
  setFont(DefaultGuiFont());
  setPalette(WindowPalette(palette()));
  setFixedSize(ClientSizeOf(description));
  if (QScreen* screen = QGuiApplication::primaryScreen()) {
    move(CentredPlace(screen->geometry(), description.outerWidth, description.outerHeight));
  }

  // The table lists the top of the stacking first; a later sibling lies above.
  auto controls = MainWindowControls();
  for (auto it = controls.rbegin(); it != controls.rend(); ++it) {
    QWidget* widget = MakeControl(*it);
    controls_[static_cast<size_t>(it->control)] = widget;
    widget->setGeometry(it->left, it->top, it->width, it->height);
    widget->show();
  }
  auto order = MainWindowTabOrder();
  for (size_t i = 0; i + 1 < order.size(); ++i) {
    setTabOrder(control(order[i]), control(order[i + 1]));
  }
  if (!order.empty()) control(order.front())->setFocus(Qt::OtherFocusReason);

  // The window's created handler: every control is skinned before the first paint.
  EnableSkin(3);
}

MainWindowQt::~MainWindowQt() {
  WindowState& state = State();
  if (state.window == this) state.closed = true;
}

QWidget* MainWindowQt::MakeControl(const ControlDescription& d) {
  const Text initial = AnsiFromUtf8(d.initialText);
  Qt::Alignment align = d.align == Align::kCenter ? Qt::AlignHCenter : Qt::AlignLeft;
  switch (d.kind) {
    case ControlKind::kEditBox:
      if (d.multiLine) {
        auto* edit = new QPlainTextEdit(this);
        // Tab moves the focus on, as in a window that handles its own keyboard.
        edit->setTabChangesFocus(true);
        edit->setLineWrapMode(d.wordWrap ? QPlainTextEdit::WidgetWidth : QPlainTextEdit::NoWrap);
        edit->setWordWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
        edit->setVerticalScrollBarPolicy(d.verticalScrollBar ? Qt::ScrollBarAlwaysOn
                                                             : Qt::ScrollBarAlwaysOff);
        edit->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
        QTextOption option = edit->document()->defaultTextOption();
        option.setAlignment(align);
        edit->document()->setDefaultTextOption(option);
        edit->document()->setDocumentMargin(2);
        edit->setPlainText(ToWidgetText(initial, true));
        return edit;
      } else {
        auto* edit = new QLineEdit(this);
        edit->setMaxLength(kNoLengthLimit);
        edit->setAlignment(align | Qt::AlignVCenter);
        edit->setText(ToWidgetText(initial));
        edit->setCursorPosition(0);
        return edit;
      }
    case ControlKind::kButton: {
      auto* button = new QPushButton(ToWidgetText(initial), this);
      button->setAutoDefault(false);
      button->setDefault(false);
      void (*handler)() = d.control == Control::按钮4   ? &RunFetch
                          : d.control == Control::按钮3 ? &RunSave
                                                        : &RunLookup;
      connect(button, &QPushButton::clicked, this, [handler] { handler(); });
      return button;
    }
    case ControlKind::kLabel: {
      auto* label = new LabelQt(d.wordWrap, this);
      label->setText(ToWidgetText(initial, true));
      return label;
    }
    case ControlKind::kHyperLinker: {
      auto* link = new HyperlinkQt(this);
      link->setCaption(ToWidgetText(initial));
      link->setTarget(HyperlinkQt::Kind::kWeb, QString::fromUtf8(DownloadPageUrl()));
      return link;
    }
  }
  return nullptr;
}

void MainWindowQt::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  const WindowDescription& d = MainWindowDescription();
  painter.fillRect(rect(), QColor(d.backgroundRed, d.backgroundGreen, d.backgroundBlue));
}

void MainWindowQt::keyPressEvent(QKeyEvent* event) {
  // The controls leave Esc to the window, which closes as by its close button.
  if (event->key() == Qt::Key_Escape && event->modifiers() == Qt::NoModifier) {
    close();
    return;
  }
  QWidget::keyPressEvent(event);
}

void MainWindowQt::closeEvent(QCloseEvent* event) {
  event->accept();
  WindowState& state = State();
  if (state.window == this) state.closed = true;
}

MainWindowQt* CurrentMainWindow() {
  const WindowState& state = State();
  return state.closed ? nullptr : state.window.data();
}

QSize ClientSizeOf(const WindowDescription& window) {
  return QSize(window.outerWidth - 2 * kDialogFrame,
               window.outerHeight - 2 * kDialogFrame - kCaptionBar);
}

QPoint CentredPlace(const QRect& screen, int outerWidth, int outerHeight) {
  return screen.topLeft() +
         QPoint((screen.width() - outerWidth) / 2, (screen.height() - outerHeight) / 2);
}

int RunningHandlers() { return State().runningHandlers; }

void SetClosedDuringHandler(void (*action)()) { State().closedDuringHandler = action; }

Text GetText(Control control) {
  if (Headless()) return headless::GetText(control);
  QWidget* widget = LiveControl(control);
  if (auto* box = qobject_cast<QPlainTextEdit*>(widget)) {
    // The raw text keeps U+2029 between paragraphs: one pass makes them CR LF.
    return FromWidgetText(box->document()->toRawText(), true);
  }
  if (auto* line = qobject_cast<QLineEdit*>(widget)) return FromWidgetText(line->text());
  if (auto* button = qobject_cast<QPushButton*>(widget)) return FromWidgetText(button->text());
  if (auto* label = dynamic_cast<LabelQt*>(widget)) return FromWidgetText(label->text(), true);
  if (auto* link = dynamic_cast<HyperlinkQt*>(widget)) return FromWidgetText(link->caption());
  return Text();
}

void SetText(Control control, const Text& text) {
  if (Headless()) return headless::SetText(control, text);
  QWidget* widget = LiveControl(control);
  if (auto* box = qobject_cast<QPlainTextEdit*>(widget)) {
    box->setPlainText(ToWidgetText(text, true));
  } else if (auto* line = qobject_cast<QLineEdit*>(widget)) {
    line->setText(ToWidgetText(text));
    line->setCursorPosition(0);
  } else if (auto* button = qobject_cast<QPushButton*>(widget)) {
    button->setText(ToWidgetText(text));
  } else if (auto* label = dynamic_cast<LabelQt*>(widget)) {
    label->setText(ToWidgetText(text, true));
  } else if (auto* link = dynamic_cast<HyperlinkQt*>(widget)) {
    link->setCaption(ToWidgetText(text));
  }
}

void AppendText(Control editBox, const Text& text) {
  if (Headless()) return headless::AppendText(editBox, text);
  QWidget* widget = LiveControl(editBox);
  if (auto* box = qobject_cast<QPlainTextEdit*>(widget)) {
    QTextDocument* document = box->document();
    QTextCursor end(document);
    end.movePosition(QTextCursor::End);
    // An append cannot be undone, and it empties what could be undone before.
    document->setUndoRedoEnabled(false);
    end.insertText(ToWidgetText(text, true));
    document->setUndoRedoEnabled(true);
    box->setTextCursor(end);
    box->ensureCursorVisible();
  } else if (auto* line = qobject_cast<QLineEdit*>(widget)) {
    line->setText(line->text() + ToWidgetText(text));
    line->end(false);
  }
}

void ProcessPendingEvents() {
  if (Headless() || !QCoreApplication::instance()) return headless::ProcessPendingEvents();
  QCoreApplication::processEvents(QEventLoop::AllEvents);
  const WindowState& state = State();
  if (state.closed && state.runningHandlers > 0 && state.closedDuringHandler) {
    state.closedDuringHandler();
  }
}

int ShowInfoBox(const Text& text, int buttons, const Text& title) {
  if (Headless()) return headless::ShowInfoBox(text, buttons, title);
  MainWindowQt* window = CurrentMainWindow();
  if (!window) return 0;
  QMessageBox box(IconOf(buttons),
                  title.empty() ? FromProgramLiteral("信息：") : ToWidgetText(title),
                  ToWidgetText(text, true), ButtonsOf(buttons));
  box.setTextFormat(Qt::PlainText);
  box.setFont(window->font());
  box.setWindowModality(Qt::ApplicationModal);
  // The arrow, not the busy pointer of a download, while the user answers.
  bool busy = QApplication::overrideCursor() != nullptr;
  if (busy) QApplication::setOverrideCursor(Qt::ArrowCursor);
  box.exec();
  if (busy) QApplication::restoreOverrideCursor();
  return ResultOf(box.standardButton(box.clickedButton()));
}

}  // namespace animal_ids
