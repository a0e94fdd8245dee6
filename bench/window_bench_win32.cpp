// Times a click on 按钮4 in the real Win32 window: from the click until the
// list is in 编辑框1, the messages it left are handled and the box painted,
// scrolled to its end. Several rounds, the median reported; not a test.
//
//   window_bench_win32 --server URL [--data-version V] [--runs N]
// (under Wine: cmake/wine/run-in-wine PREFIX window_bench_win32.exe ...)

#include <windows.h>

#include <cstdio>
#include <vector>

#include "app/main_window.h"
#include "app/main_window_win32.h"
#include "bench/window_bench_options.h"
#include "catalogue/catalogue.h"
#include "web/codepage.h"

using namespace animal_ids;

namespace {

void HandleWaitingMessages() {
  MSG message;
  while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) win32::HandleMessage(message);
}

double Milliseconds(LARGE_INTEGER from, LARGE_INTEGER to) {
  LARGE_INTEGER frequency;
  QueryPerformanceFrequency(&frequency);
  return static_cast<double>(to.QuadPart - from.QuadPart) * 1000.0 /
         static_cast<double>(frequency.QuadPart);
}

}  // namespace

int main(int argc, char** argv) {
  bench::WindowBenchOptions options;
  if (!bench::ParseWindowBenchOptions(argc, argv, "window_bench_win32", options)) return 2;
  HINSTANCE instance = GetModuleHandleA(nullptr);
  if (!win32::RegisterWindowClasses(instance) || !win32::CreateMainWindow(instance, SW_SHOW)) {
    std::fputs("the window could not be created\n", stderr);
    return 1;
  }
  HandleWaitingMessages();
  SetCatalogueServer(Text(options.server));
  SetText(Control::编辑框6, AnsiFromUtf8(options.version));
  HWND button = win32::ControlWindow(Control::按钮4);
  HWND list = win32::ControlWindow(Control::编辑框1);

  std::vector<double> took;
  for (int run = 0; run <= options.runs; ++run) {
    SetText(Control::编辑框1, Text());
    HandleWaitingMessages();
    LARGE_INTEGER started, ended;
    QueryPerformanceCounter(&started);
    SendMessageA(button, BM_CLICK, 0, 0);
    HandleWaitingMessages();
    UpdateWindow(list);
    QueryPerformanceCounter(&ended);
    const double ms = Milliseconds(started, ended);
    SCROLLINFO bar{sizeof bar, SIF_ALL, 0, 0, 0, 0, 0};
    GetScrollInfo(list, SB_VERT, &bar);
    std::printf("click on 按钮4: %.0f ms; lines %d, scroll bar at %d of %d, 编辑框4 %s\n", ms,
                static_cast<int>(SendMessageA(list, EM_GETLINECOUNT, 0, 0)), bar.nPos, bar.nMax,
                AnsiToUtf8(GetText(Control::编辑框4)).c_str());
    std::fflush(stdout);
    if (run > 0) took.push_back(ms);  // the first round warms the caches and the server
  }
  bench::PrintMedian(took);
  DestroyWindow(win32::MainWindowHandle());
  return 0;
}
