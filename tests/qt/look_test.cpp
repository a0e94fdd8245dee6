#include "tests/qt/look_test.h"

#include <QApplication>
#include <QFile>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTemporaryDir>

#include "app/hyperlink_qt.h"
#include "app/look.h"
#include "app/skin_qt.h"
#include "app/window_layout.h"

namespace animal_ids::testing {
namespace {

using enum Control;

QRgb ToQRgb(Rgb c) { return qRgb(c.red, c.green, c.blue); }
Rgb ToRgb(const QColor& c) { return {c.red(), c.green(), c.blue()}; }

QString Describe(QRgb c) { return QString("(%1,%2,%3)").arg(qRed(c)).arg(qGreen(c)).arg(qBlue(c)); }

#define COMPARE_PIXEL(image, x, y, expected)                 \
  QVERIFY2((image).pixel((x), (y)) == (expected),            \
           qPrintable(QString("pixel (%1,%2) is %3, not %4") \
                          .arg(x)                            \
                          .arg(y)                            \
                          .arg(Describe((image).pixel((x), (y))), Describe(expected))))

// The smallest rectangle around the caption's dark pixels.
QRect InkBounds(const QImage& image) {
  QRect bounds;
  for (int y = 2; y < image.height() - 2; ++y) {
    for (int x = 2; x < image.width() - 2; ++x) {
      if (qGray(image.pixel(x, y)) < 100) bounds |= QRect(x, y, 1, 1);
    }
  }
  return bounds;
}

bool HasPixel(const QImage& image, QRgb colour) {
  for (int y = 0; y < image.height(); ++y) {
    for (int x = 0; x < image.width(); ++x) {
      if (image.pixel(x, y) == colour) return true;
    }
  }
  return false;
}

struct Opened {
  std::vector<QString> urls;
  bool succeed = true;
};
Opened opened;

bool RecordingOpener(const QString& url) {
  opened.urls.push_back(url);
  return opened.succeed;
}

}  // namespace

void SkinTest::init() { fixture_.Open(); }

void SkinTest::cleanup() {
  fixture_.Close();
  EnableSkin(3);
}

void SkinTest::enableSkinResults_data() {
  QTest::addColumn<int>("before");
  QTest::addColumn<int>("scheme");
  QTest::addColumn<int>("result");
  QTest::addColumn<int>("after");
  QTest::newRow("on while off") << 0 << 1 << 1 << 1;
  QTest::newRow("the same scheme again re-attaches") << 3 << 3 << 1 << 3;
  QTest::newRow("another scheme while on") << 3 << 2 << 1 << 2;
  QTest::newRow("off while on") << 3 << 0 << 1 << 0;
  QTest::newRow("off while off changes nothing") << 0 << 0 << 0 << 0;
  QTest::newRow("4 switches off") << 2 << 4 << 1 << 0;
  QTest::newRow("-1 while off") << 0 << -1 << 0 << 0;
}

void SkinTest::enableSkinResults() {
  QFETCH(int, before);
  QFETCH(int, scheme);
  QFETCH(int, result);
  QFETCH(int, after);
  EnableSkin(before);
  QCOMPARE(CurrentSkinScheme(), before);
  QCOMPARE(EnableSkin(scheme), result);
  QCOMPARE(CurrentSkinScheme(), after);
  bool skinned = dynamic_cast<SkinStyle*>(fixture_.widget(按钮4)->style()) != nullptr;
  QCOMPARE(skinned, after != 0);
}

void SkinTest::buttonsInEveryState_data() {
  QTest::addColumn<int>("scheme");
  QTest::addColumn<int>("state");
  const std::pair<ButtonState, const char*> states[] = {
      {ButtonState::kNormal, "normal"},     {ButtonState::kHot, "hot"},
      {ButtonState::kPressed, "pressed"},   {ButtonState::kFocused, "focused"},
      {ButtonState::kDisabled, "disabled"},
  };
  for (int scheme = 1; scheme <= 3; ++scheme) {
    for (auto [state, name] : states) {
      QTest::addRow("scheme %d, %s", scheme, name) << scheme << static_cast<int>(state);
    }
  }
}

void SkinTest::buttonsInEveryState() {
  QFETCH(int, scheme);
  QFETCH(int, state);
  QCOMPARE(EnableSkin(scheme), 1);
  auto* button = fixture_.as<QPushButton>(按钮3);
  switch (static_cast<ButtonState>(state)) {
    case ButtonState::kHot:
      QTest::mouseMove(button, button->rect().center());
      QTRY_VERIFY(button->underMouse());
      break;
    case ButtonState::kPressed:
      button->setDown(true);
      break;
    case ButtonState::kFocused:
      button->setFocus(Qt::TabFocusReason);
      break;
    case ButtonState::kDisabled:
      button->setEnabled(false);
      break;
    case ButtonState::kNormal:
      break;
  }
  QImage image = button->grab().toImage();
  const int w = image.width(), h = image.height();
  ButtonFace face = ButtonFaceOf(static_cast<ButtonState>(state));
  Rgb outline = static_cast<ButtonState>(state) == ButtonState::kDisabled
                    ? Darker(ToRgb(button->palette().color(QPalette::Button)), 32)
                    : SkinSchemeOf(scheme)->buttonOutline;
  COMPARE_PIXEL(image, w / 2, 0, ToQRgb(outline));
  COMPARE_PIXEL(image, w / 2, h - 1, ToQRgb(outline));
  COMPARE_PIXEL(image, 0, h / 2, ToQRgb(outline));
  COMPARE_PIXEL(image, w - 1, h / 2, ToQRgb(outline));
  // Rounded: the corner pixel itself is not the outline's.
  QVERIFY(image.pixel(0, 0) != ToQRgb(outline));
  COMPARE_PIXEL(image, 1, 1, ToQRgb(outline));
  COMPARE_PIXEL(image, w / 2, 1, ToQRgb(face.top));
  COMPARE_PIXEL(image, w / 2, h - 2, ToQRgb(face.bottom));
  Rgb caption = static_cast<ButtonState>(state) == ButtonState::kDisabled ? kDisabledButtonCaption
                                                                          : kButtonCaption;
  QVERIFY(HasPixel(image, ToQRgb(caption)));
}

void SkinTest::captionMovesWhenPressed() {
  auto* button = fixture_.as<QPushButton>(按钮4);
  QRect normal = InkBounds(button->grab().toImage());
  button->setDown(true);
  QRect pressed = InkBounds(button->grab().toImage());
  QVERIFY(!normal.isEmpty());
  QCOMPARE(pressed, normal.translated(1, 1));
}

void SkinTest::editEdges_data() {
  QTest::addColumn<int>("scheme");
  QTest::addColumn<int>("control");
  QTest::addColumn<bool>("enabled");
  for (int scheme = 1; scheme <= 3; ++scheme) {
    for (Control c : {编辑框2, 编辑框1}) {
      for (bool enabled : {true, false}) {
        QTest::addRow("scheme %d, %s, %s", scheme, NameOf(c), enabled ? "enabled" : "disabled")
            << scheme << static_cast<int>(c) << enabled;
      }
    }
  }
}

void SkinTest::editEdges() {
  QFETCH(int, scheme);
  QFETCH(int, control);
  QFETCH(bool, enabled);
  QCOMPARE(EnableSkin(scheme), 1);
  QWidget* box = fixture_.widget(static_cast<Control>(control));
  box->setEnabled(enabled);
  QImage image = box->grab().toImage();
  const int h = image.height();
  QColor face = box->palette().color(QPalette::Button);
  QRgb outer = enabled ? ToQRgb(SkinSchemeOf(scheme)->editEdge) : ToQRgb(Darker(ToRgb(face), 32));
  QRgb inner = enabled ? qRgb(255, 255, 255) : face.rgb();
  for (QPoint p :
       {QPoint(0, h / 2), QPoint(image.width() / 2, 0), QPoint(image.width() / 2, h - 1)}) {
    COMPARE_PIXEL(image, p.x(), p.y(), outer);
  }
  COMPARE_PIXEL(image, 1, h / 2, inner);
  COMPARE_PIXEL(image, image.width() / 2, 1, inner);
}

void SkinTest::offGivesThePlainLook() {
  QCOMPARE(EnableSkin(0), 1);
  QImage button = fixture_.widget(按钮3)->grab().toImage();
  QImage edit = fixture_.widget(编辑框2)->grab().toImage();
  for (int scheme = 1; scheme <= 3; ++scheme) {
    QVERIFY(button.pixel(button.width() / 2, 0) != ToQRgb(SkinSchemeOf(scheme)->buttonOutline));
    QVERIFY(edit.pixel(0, edit.height() / 2) != ToQRgb(SkinSchemeOf(scheme)->editEdge));
  }
  // Back on, the same widgets take the look again.
  QCOMPARE(EnableSkin(1), 1);
  QImage again = fixture_.widget(按钮3)->grab().toImage();
  COMPARE_PIXEL(again, again.width() / 2, 0, ToQRgb(SkinSchemeOf(1)->buttonOutline));
}

void SkinTest::messageBoxButtonsAreSkinned() {
  BoxAnswerer answerer;
  QCOMPARE(ShowInfoBox(Ansi("动物ID已经成功保存在当前运行目录下！")), 0);
  QCOMPARE(answerer.shown().size(), size_t(1));
  const ShownBox& box = answerer.shown().front();
  QCOMPARE(box.buttonImages.size(), size_t(1));
  const QImage& ok = box.buttonImages.front();
  COMPARE_PIXEL(ok, ok.width() / 2, 0, ToQRgb(SkinSchemeOf(3)->buttonOutline));
  // The box's only button is its default one.
  COMPARE_PIXEL(ok, ok.width() / 2, ok.height() - 2,
                ToQRgb(ButtonFaceOf(ButtonState::kFocused).bottom));
}

void HyperlinkTest::init() {
  fixture_.Open();
  opened = Opened();
  SetUrlOpener(&RecordingOpener);
}

void HyperlinkTest::cleanup() {
  SetUrlOpener(nullptr);
  fixture_.Close();
}

void HyperlinkTest::coloursFollowThePointerAndTheLastOpen() {
  auto* link = dynamic_cast<HyperlinkQt*>(fixture_.widget(超级链接框1));
  QWidget* window = fixture_.window();
  const QPoint on = link->rect().center();
  const QPoint away(150, 200);
  auto showsOnly = [&](Rgb colour) {
    QImage image = link->grab().toImage();
    bool others = false;
    for (Rgb other : {kLinkNormal, kLinkHover, kLinkVisited}) {
      if (other != colour && HasPixel(image, ToQRgb(other))) others = true;
    }
    return HasPixel(image, ToQRgb(colour)) && !others && link->textColour() == ToQRgb(colour);
  };
  QVERIFY(showsOnly(kLinkNormal));
  COMPARE_PIXEL(link->grab().toImage(), 0, 0, ToQRgb(kLinkBackground));

  QTest::mouseMove(link, on);
  QTRY_VERIFY(link->hot());
  QVERIFY(showsOnly(kLinkHover));
  QTest::mouseMove(window, away);
  QTRY_VERIFY(!link->hot());
  QVERIFY(showsOnly(kLinkNormal));

  // Opened: the hover colour wins while the pointer stays, then the visited one.
  QTest::mouseMove(link, on);
  QTRY_VERIFY(link->hot());
  QTest::mouseClick(link, Qt::LeftButton, {}, on);
  QVERIFY(link->visited());
  QVERIFY(showsOnly(kLinkHover));
  QTest::mouseMove(window, away);
  QTRY_VERIFY(!link->hot());
  QVERIFY(showsOnly(kLinkVisited));

  // A failed open clears the visited state.
  opened.succeed = false;
  QTest::mouseMove(link, on);
  QTRY_VERIFY(link->hot());
  QTest::mouseClick(link, Qt::LeftButton, {}, on);
  QVERIFY(!link->visited());
  QTest::mouseMove(window, away);
  QTRY_VERIFY(!link->hot());
  QVERIFY(showsOnly(kLinkNormal));
}

void HyperlinkTest::opensOnButtonDown() {
  QWidget* link = fixture_.widget(超级链接框1);
  QTest::mousePress(link, Qt::LeftButton, {}, link->rect().center());
  QCOMPARE(opened.urls.size(), size_t(1));
  QCOMPARE(opened.urls.front(), QString::fromUtf8(DownloadPageUrl()));
  QTest::mouseRelease(link, Qt::LeftButton, {}, link->rect().center());
  QCOMPARE(opened.urls.size(), size_t(1));
  QTest::mouseClick(link, Qt::RightButton, {}, link->rect().center());
  QCOMPARE(opened.urls.size(), size_t(1));
  // The link never takes the focus from the list.
  QCOMPARE(QApplication::focusWidget(), fixture_.widget(编辑框1));
}

void HyperlinkTest::targets_data() {
  QTest::addColumn<bool>("mail");
  QTest::addColumn<QString>("address");
  QTest::addColumn<QString>("target");  // empty: nothing is run
  QTest::newRow("a web address as it is") << false << "http://example.com/a?b"
                                          << "http://example.com/a?b";
  QTest::newRow("a mail address") << true << "maker@example.com"
                                  << "mailto:maker@example.com";
  QTest::newRow("an empty address fails without running anything") << false << ""
                                                                   << "";
}

void HyperlinkTest::targets() {
  QFETCH(bool, mail);
  QFETCH(QString, address);
  QFETCH(QString, target);
  auto* link = dynamic_cast<HyperlinkQt*>(fixture_.widget(超级链接框1));
  link->setTarget(mail ? HyperlinkQt::Kind::kMail : HyperlinkQt::Kind::kWeb, address);
  bool done = link->open();
  QCOMPARE(done, !target.isEmpty());
  QCOMPARE(link->visited(), done);
  QCOMPARE(opened.urls.size(), size_t(target.isEmpty() ? 0 : 1));
  if (!target.isEmpty()) QCOMPARE(opened.urls.front(), target);
}

void HyperlinkTest::desktopOpenerFallsBackInOrder_data() {
  QTest::addColumn<QStringList>("present");
  QTest::addColumn<QString>("started");  // empty: the open fails
  QTest::newRow("the desktop's handler") << QStringList{"xdg-open", "x-www-browser"} << "xdg-open";
  QTest::newRow("the Debian alternative")
      << QStringList{"x-www-browser", "sensible-browser"} << "x-www-browser";
  QTest::newRow("the last resort") << QStringList{"sensible-browser"} << "sensible-browser";
  QTest::newRow("nothing to start") << QStringList{} << "";
}

void HyperlinkTest::desktopOpenerFallsBackInOrder() {
  QFETCH(QStringList, present);
  QFETCH(QString, started);
  QTemporaryDir bin;
  QVERIFY(bin.isValid());
  const QString log = bin.filePath("started.txt");
  for (const QString& name : present) {
    QFile script(bin.filePath(name));
    QVERIFY(script.open(QIODevice::WriteOnly));
    script.write(QString("#!/bin/sh\necho \"%1 $1\" >> '%2'\n").arg(name, log).toUtf8());
    script.close();
    script.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
  }
  const QByteArray path = qgetenv("PATH");
  qputenv("PATH", bin.path().toUtf8());
  const QString url = QStringLiteral("http://127.0.0.1:9/animal-ids/");
  bool done = OpenUrlOnDesktop(url);
  qputenv("PATH", path);
  QCOMPARE(done, !started.isEmpty());
  if (started.isEmpty()) return;
  QFile written(log);
  QTRY_VERIFY_WITH_TIMEOUT(written.exists() && written.size() > 0, 10000);
  QVERIFY(written.open(QIODevice::ReadOnly));
  QCOMPARE(QString::fromUtf8(written.readAll()).trimmed(), started + " " + url);
}

}  // namespace animal_ids::testing
