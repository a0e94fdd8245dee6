#include "tests/qt/layout_test.h"

#include <QApplication>
#include <QFontMetrics>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScreen>
#include <QScrollBar>

#include "app/hyperlink_qt.h"
#include "app/label_qt.h"
#include "app/look.h"
#include "app/window_layout.h"

namespace animal_ids::testing {
namespace {

using enum Control;

QRgb ToQRgb(Rgb c) { return qRgb(c.red, c.green, c.blue); }

// The rows of an image that hold any dark pixel (text drawn in black).
std::vector<int> InkedRows(const QImage& image) {
  std::vector<int> rows;
  for (int y = 0; y < image.height(); ++y) {
    for (int x = 0; x < image.width(); ++x) {
      if (qGray(image.pixel(x, y)) < 128) {
        rows.push_back(y);
        break;
      }
    }
  }
  return rows;
}

// Runs of consecutive inked rows: [first, last] of each line of text.
std::vector<std::pair<int, int>> Bands(const std::vector<int>& rows) {
  std::vector<std::pair<int, int>> bands;
  for (int y : rows) {
    if (bands.empty() || y > bands.back().second + 1) {
      bands.push_back({y, y});
    } else {
      bands.back().second = y;
    }
  }
  return bands;
}

}  // namespace

void WindowLayoutTest::init() { fixture_.Open(); }

void WindowLayoutTest::cleanup() { fixture_.Close(); }

void WindowLayoutTest::frameIsFixedCentredAndCaptioned() {
  MainWindowQt* window = fixture_.window();
  const WindowDescription& d = MainWindowDescription();
  QCOMPARE(window->windowTitle(), Q("青岚舍--QQ牧场动物ID查询"));
  // A 308 x 454 frame around a three-pixel border and a 19-pixel caption bar.
  QCOMPARE(ClientSizeOf(d), QSize(302, 429));
  QCOMPARE(window->size(), ClientSizeOf(d));
  QCOMPARE(window->minimumSize(), window->maximumSize());
  Qt::WindowFlags flags = window->windowFlags();
  QVERIFY(flags & Qt::WindowCloseButtonHint);
  QVERIFY(flags & Qt::WindowTitleHint);
  QVERIFY(!(flags & Qt::WindowMinimizeButtonHint));
  QVERIFY(!(flags & Qt::WindowMaximizeButtonHint));
  QVERIFY(!window->parentWidget());
  QRect screen = QGuiApplication::primaryScreen()->geometry();
  QCOMPARE(window->pos(),
           screen.topLeft() + QPoint((screen.width() - 308) / 2, (screen.height() - 454) / 2));
  QImage image = window->grab().toImage();
  QCOMPARE(image.pixel(2, 2), ToQRgb(kWindowBackground));
  QCOMPARE(image.pixel(300, 427), ToQRgb(kWindowBackground));
}

void WindowLayoutTest::centringRoundsTowardZero_data() {
  QTest::addColumn<QRect>("screen");
  QTest::addColumn<QPoint>("place");
  QTest::newRow("a common screen") << QRect(0, 0, 1920, 1080) << QPoint(806, 313);
  QTest::newRow("odd leftovers are rounded down") << QRect(0, 0, 1025, 769) << QPoint(358, 157);
  QTest::newRow("a screen that does not start at 0, 0")
      << QRect(100, 50, 800, 600) << QPoint(346, 123);
  // (300 - 308) / 2 is -4, and (451 - 454) / 2 is -1, not -2.
  QTest::newRow("a screen smaller than the frame") << QRect(0, 0, 300, 451) << QPoint(-4, -1);
}

void WindowLayoutTest::centringRoundsTowardZero() {
  QFETCH(QRect, screen);
  QFETCH(QPoint, place);
  QCOMPARE(CentredPlace(screen, 308, 454), place);
}

void WindowLayoutTest::controls_data() {
  QTest::addColumn<int>("index");
  for (size_t i = 0; i < MainWindowControls().size(); ++i) {
    QTest::newRow(NameOf(MainWindowControls()[i].control)) << static_cast<int>(i);
  }
}

void WindowLayoutTest::controls() {
  QFETCH(int, index);
  const ControlDescription& d = MainWindowControls()[static_cast<size_t>(index)];
  QWidget* widget = fixture_.widget(d.control);
  QVERIFY(widget);
  QCOMPARE(widget->geometry(), QRect(d.left, d.top, d.width, d.height));
  QVERIFY(widget->isVisibleTo(fixture_.window()));
  QVERIFY(widget->isEnabled());
  QCOMPARE(Utf8(GetText(d.control)), std::string(d.initialText));

  Qt::Alignment horizontal = d.align == Align::kCenter ? Qt::AlignHCenter : Qt::AlignLeft;
  switch (d.kind) {
    case ControlKind::kEditBox:
      if (d.multiLine) {
        auto* box = qobject_cast<QPlainTextEdit*>(widget);
        QVERIFY(box);
        QCOMPARE(box->verticalScrollBarPolicy(),
                 d.verticalScrollBar ? Qt::ScrollBarAlwaysOn : Qt::ScrollBarAlwaysOff);
        QCOMPARE(box->horizontalScrollBarPolicy(), Qt::ScrollBarAlwaysOff);
        QCOMPARE(box->lineWrapMode() == QPlainTextEdit::WidgetWidth, d.wordWrap);
        QCOMPARE(box->document()->defaultTextOption().alignment() & Qt::AlignHorizontal_Mask,
                 horizontal);
        QVERIFY(!box->isReadOnly());
        QCOMPARE(box->textCursor().position(), 0);
      } else {
        auto* line = qobject_cast<QLineEdit*>(widget);
        QVERIFY(line);
        QCOMPARE(line->alignment() & Qt::AlignHorizontal_Mask, horizontal);
        QVERIFY(!line->isReadOnly());
        QCOMPARE(line->echoMode(), QLineEdit::Normal);
        QCOMPARE(line->cursorPosition(), 0);
        QVERIFY(line->maxLength() >= 0x3FFFFFFF);
      }
      QCOMPARE(widget->focusPolicy(), Qt::StrongFocus);
      break;
    case ControlKind::kButton: {
      auto* button = qobject_cast<QPushButton*>(widget);
      QVERIFY(button);
      QVERIFY(!button->isDefault());
      QVERIFY(!button->autoDefault());
      QVERIFY(!button->text().contains(QLatin1Char('&')));
      QVERIFY(button->focusPolicy() & Qt::TabFocus);
      break;
    }
    case ControlKind::kLabel:
      QVERIFY(dynamic_cast<LabelQt*>(widget));
      QCOMPARE(widget->focusPolicy(), Qt::NoFocus);
      break;
    case ControlKind::kHyperLinker:
      QVERIFY(dynamic_cast<HyperlinkQt*>(widget));
      QCOMPARE(widget->focusPolicy(), Qt::NoFocus);
      QCOMPARE(widget->cursor().shape(), Qt::PointingHandCursor);
      break;
  }

  // A font with the Chinese characters, at the pixel size of Windows' default GUI font.
  QCOMPARE(widget->font().pixelSize(), 12);
  QFontMetrics metrics(widget->font());
  for (QChar c : Q("动物种数获取查询青岚舍")) QVERIFY(metrics.inFont(c));
}

void WindowLayoutTest::stackingAndTheUnseenBox() {
  MainWindowQt* window = fixture_.window();
  // The hyperlink lies over the last eight rows of 标签2.
  QCOMPARE(window->childAt(100, 391), fixture_.widget(标签2));
  QCOMPARE(window->childAt(100, 392), fixture_.widget(超级链接框1));
  QCOMPARE(window->childAt(100, 399), fixture_.widget(超级链接框1));
  QWidget* unseen = fixture_.widget(编辑框3);
  QVERIFY(!window->rect().intersects(unseen->geometry()));
  QVERIFY(unseen->isVisible());
}

void WindowLayoutTest::labelsAreDrawnAsTheWindowDrawsThem() {
  // 标签1: one line, centred in the label's height.
  QImage one = fixture_.widget(标签1)->grab().toImage();
  QCOMPARE(one.pixel(0, 0), ToQRgb(kWindowBackground));
  auto oneBands = Bands(InkedRows(one));
  QCOMPARE(oneBands.size(), size_t(1));
  int middle = (oneBands[0].first + oneBands[0].second) / 2;
  QVERIFY2(std::abs(middle - one.height() / 2) <= 2, qPrintable(QString::number(middle)));

  // 标签2: its first sentence from the top, an empty line, then the example,
  // broken where it is wider than the label; below 48 pixels nothing shows.
  QWidget* label = fixture_.widget(标签2);
  QImage two = label->grab().toImage();
  auto bands = Bands(InkedRows(two));
  QVERIFY2(bands.size() >= 2, qPrintable(QString::number(bands.size())));
  // Lines a pixel apart more than the font's size, as with Windows' default GUI font.
  const int step = dynamic_cast<LabelQt*>(label)->lineStep();
  QCOMPARE(step, 13);
  QVERIFY(bands[0].first < step);
  QVERIFY2(bands[1].first >= 2 * step && bands[1].first < 3 * step,
           qPrintable(QString::number(bands[1].first)));
  // The example stays clear of the hyperlink over the label's last eight rows.
  QVERIFY2(bands[1].second < 40, qPrintable(QString::number(bands[1].second)));

  // A line wider than the label breaks; Chinese text breaks between characters.
  SetText(标签2, Ansi("一二三四五六七八九十一二三四五六七八九十一二三四五六七八九十"));
  auto wrapped = Bands(InkedRows(label->grab().toImage()));
  QCOMPARE(wrapped.size(), size_t(2));
  QVERIFY(wrapped[1].first >= step && wrapped[1].first < 2 * step);
}

void WindowLayoutTest::tabOrderWrapsBothWays_data() {
  QTest::addColumn<int>("from");
  QTest::addColumn<int>("next");
  QTest::addColumn<int>("previous");
  auto order = MainWindowTabOrder();
  const size_t n = order.size();
  for (size_t i = 0; i < n; ++i) {
    QTest::newRow(NameOf(order[i]))
        << static_cast<int>(order[i]) << static_cast<int>(order[(i + 1) % n])
        << static_cast<int>(order[(i + n - 1) % n]);
  }
}

void WindowLayoutTest::tabOrderWrapsBothWays() {
  QFETCH(int, from);
  QFETCH(int, next);
  QFETCH(int, previous);
  QWidget* start = fixture_.widget(static_cast<Control>(from));
  start->setFocus(Qt::OtherFocusReason);
  QCOMPARE(QApplication::focusWidget(), start);
  QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
  QCOMPARE(QApplication::focusWidget(), fixture_.widget(static_cast<Control>(next)));
  start->setFocus(Qt::OtherFocusReason);
  QTest::keyClick(QApplication::focusWidget(), Qt::Key_Backtab, Qt::ShiftModifier);
  QCOMPARE(QApplication::focusWidget(), fixture_.widget(static_cast<Control>(previous)));
}

void WindowLayoutTest::typingAfterTabReachesTheUnseenBox() {
  QCOMPARE(QApplication::focusWidget(), fixture_.widget(编辑框1));
  QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
  QCOMPARE(QApplication::focusWidget(), fixture_.widget(编辑框2));
  QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
  QCOMPARE(QApplication::focusWidget(), fixture_.widget(编辑框3));
  QTest::keyClicks(QApplication::focusWidget(), Q("hidden"));
  QCOMPARE(Utf8(GetText(编辑框3)), std::string("hidden"));
  QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
  QCOMPARE(QApplication::focusWidget(), fixture_.widget(编辑框4));
}

void WindowLayoutTest::enterBreaksALineOnlyInMultiLineBoxes() {
  QWidget* list = fixture_.widget(编辑框1);
  QTest::keyClicks(list, Q("a"));
  QTest::keyClick(list, Qt::Key_Return);
  QTest::keyClicks(list, Q("b"));
  QCOMPARE(Utf8(GetText(编辑框1)), std::string("a\r\nb"));
  QCOMPARE(QApplication::focusWidget(), list);

  QWidget* version = fixture_.widget(编辑框6);
  version->setFocus(Qt::OtherFocusReason);
  QTest::keyClick(version, Qt::Key_Return);
  QCOMPARE(QApplication::focusWidget(), version);
  QCOMPARE(Utf8(GetText(编辑框6)), std::string("115"));
  QVERIFY(fixture_.window()->isVisible());
}

void WindowLayoutTest::escapeClosesFromEveryControl_data() {
  QTest::addColumn<int>("focused");
  for (Control c : MainWindowTabOrder()) QTest::newRow(NameOf(c)) << static_cast<int>(c);
}

void WindowLayoutTest::escapeClosesFromEveryControl() {
  QFETCH(int, focused);
  QPointer<MainWindowQt> window = fixture_.window();
  QWidget* widget = fixture_.widget(static_cast<Control>(focused));
  widget->setFocus(Qt::OtherFocusReason);
  QTest::keyClick(widget, Qt::Key_Escape);
  QCOMPARE(CurrentMainWindow(), nullptr);
  QVERIFY(!window || !window->isVisible());
  QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  QVERIFY(window.isNull());
}

void WindowLayoutTest::focusComesBackAfterDeactivation() {
  QCOMPARE(QApplication::focusWidget(), fixture_.widget(编辑框1));
  QWidget* remembered = fixture_.widget(编辑框5);
  remembered->setFocus(Qt::MouseFocusReason);
  QWidget other;
  QLineEdit field(&other);
  other.show();
  other.activateWindow();
  QVERIFY(QTest::qWaitForWindowActive(&other));
  QCOMPARE(QApplication::focusWidget(), &field);
  fixture_.window()->activateWindow();
  QVERIFY(QTest::qWaitForWindowActive(fixture_.window()));
  QCOMPARE(QApplication::focusWidget(), remembered);
}

}  // namespace animal_ids::testing
