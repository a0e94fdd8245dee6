#include "tests/qt/program_test.h"

#include <QElapsedTimer>
#include <QProcess>
#include <QProcessEnvironment>
#include <QTemporaryDir>
#include <QtTest>

#include "tests/test_server.h"

namespace animal_ids::testing {
namespace {

// Generous: the bound only tells a prompt exit from one that waits for the download.
constexpr int kExitBoundMs = 5000;

QProcessEnvironment Offscreen() {
  QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
  environment.insert("QT_QPA_PLATFORM", "offscreen");
  return environment;
}

}  // namespace

void ProgramTest::closingDuringADownloadEndsTheProcessAtOnce() {
  TestServer server;
  // About half a minute for the whole catalogue.
  const QString slow = QString::fromStdString(server.Url("/b/drip=64:0.5"));
  QProcess program;
  program.setProcessEnvironment(Offscreen());
  program.start(ANIMAL_IDS_HELPER, {"close-during-download", "--server", slow});
  QVERIFY(program.waitForStarted());
  QVERIFY(program.waitForReadyRead(30000));
  QByteArray said = program.readLine();
  QCOMPARE(said.trimmed(), QByteArray("closing during the download"));
  QElapsedTimer sinceClose;
  sinceClose.start();
  QVERIFY(program.waitForFinished(30000));
  qint64 took = sinceClose.elapsed();
  QVERIFY2(took < kExitBoundMs, qPrintable(QString("%1 ms after the close").arg(took)));
  QCOMPARE(program.exitStatus(), QProcess::NormalExit);
  QCOMPARE(program.exitCode(), 0);
  QByteArray rest = program.readAllStandardOutput();
  QVERIFY2(!rest.contains("the handler ended"), rest.constData());
}

void ProgramTest::commandLineOptionsReachTheWindow() {
  QProcess program;
  program.setProcessEnvironment(Offscreen());
  program.start(ANIMAL_IDS_HELPER,
                {"options", "--server", "http://127.0.0.1:1/", "--data-version", "116"});
  QVERIFY(program.waitForFinished(30000));
  QCOMPARE(program.exitCode(), 0);
  QCOMPARE(program.readAllStandardOutput(),
           QByteArray("version 116\nurl http://127.0.0.1:1/mc/data/animal_v_116.xml\n"));
}

void ProgramTest::withoutADisplayItPointsToTheCommandLine() {
  QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
  for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"})
    environment.remove(name);
  QProcess program;
  program.setProcessEnvironment(environment);
  program.start(ANIMAL_IDS_PROGRAM, QStringList{});
  QVERIFY(program.waitForFinished(30000));
  QCOMPARE(program.exitStatus(), QProcess::NormalExit);
  QCOMPARE(program.exitCode(), 2);
  QByteArray complaint = program.readAllStandardError();
  QVERIFY2(complaint.contains("no display"), complaint.constData());
  QVERIFY2(complaint.contains("--list"), complaint.constData());
}

// animal-ids hands the window over to animal-ids-window beside it; alone, it must say so.
void ProgramTest::withoutTheWindowProgramItSaysSo() {
  QTemporaryDir directory;
  QVERIFY(directory.isValid());
  const QString alone = directory.filePath("animal-ids");
  QVERIFY(QFile::copy(ANIMAL_IDS_PROGRAM, alone));
  QProcess program;
  program.setProcessEnvironment(Offscreen());
  program.start(alone, QStringList{});
  QVERIFY(program.waitForFinished(30000));
  QCOMPARE(program.exitStatus(), QProcess::NormalExit);
  QCOMPARE(program.exitCode(), 1);
  QByteArray complaint = program.readAllStandardError();
  QVERIFY2(complaint.contains("cannot start the window program"), complaint.constData());
  QVERIFY2(complaint.contains("animal-ids-window"), complaint.constData());
}

}  // namespace animal_ids::testing
