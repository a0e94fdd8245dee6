// Times a click on 按钮4 in the real Qt window: from the press until the
// list is in 编辑框1, painted and scrolled to its end, so that the user can
// scroll it. Several rounds, the median reported; not a test, no bound.
//
//   window_bench_qt --server URL [--data-version V] [--runs N]

#include <QAbstractButton>
#include <QApplication>
#include <QElapsedTimer>
#include <QPlainTextEdit>
#include <QScrollBar>
#include <QtTest>
#include <cstdio>
#include <vector>

#include "app/main_window.h"
#include "app/main_window_qt.h"
#include "bench/window_bench_options.h"
#include "catalogue/catalogue.h"
#include "web/codepage.h"

using namespace animal_ids;

int main(int argc, char** argv) {
  bench::WindowBenchOptions options;
  if (!bench::ParseWindowBenchOptions(argc, argv, "window_bench_qt", options)) return 2;
  int qtArgc = 1;
  QApplication app(qtArgc, argv);
  auto* window = new MainWindowQt;
  window->show();
  if (!QTest::qWaitForWindowExposed(window)) std::fputs("the window was not exposed\n", stderr);
  SetCatalogueServer(Text(options.server));
  SetText(Control::编辑框6, AnsiFromUtf8(options.version));
  auto* button = qobject_cast<QAbstractButton*>(window->control(Control::按钮4));
  auto* list = qobject_cast<QPlainTextEdit*>(window->control(Control::编辑框1));

  std::vector<double> took;
  for (int run = 0; run <= options.runs; ++run) {
    SetText(Control::编辑框1, Text());
    QApplication::processEvents();
    QElapsedTimer timer;
    timer.start();
    QTest::mouseClick(button, Qt::LeftButton);
    // What the click left to do: layout and painting of the list's last page.
    QApplication::processEvents();
    list->viewport()->repaint();
    const double ms = static_cast<double>(timer.nsecsElapsed()) / 1e6;
    QScrollBar* bar = list->verticalScrollBar();
    if (run == 0) {
      std::printf("lines %d, scroll bar at %d of %d, 编辑框4 %s\n", list->blockCount(),
                  bar->value(), bar->maximum(), AnsiToUtf8(GetText(Control::编辑框4)).c_str());
      continue;  // the first round warms the caches and the server
    }
    took.push_back(ms);
    std::printf("click on 按钮4: %.0f ms\n", ms);
  }
  bench::PrintMedian(took);
  window->close();
  return 0;
}
