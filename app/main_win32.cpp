#include <fcntl.h>
#include <io.h>
#include <windows.h>
#include <shellapi.h>

#include <cstdio>
#include <string>
#include <vector>

#include "app/command_line.h"
#include "app/main_window_win32.h"
#include "text/files.h"
#include "web/codepage.h"

// The Windows program: the window, or with --list / --lookup its command
// line, which writes to the console it was started from or to a redirected
// standard output.

namespace {

// The arguments after the program's name, in UTF-8 as the command line takes them.
std::vector<std::string> Arguments() {
  std::vector<std::string> args;
  int count = 0;
  LPWSTR* wide = CommandLineToArgvW(GetCommandLineW(), &count);
  if (!wide) return args;
  for (int i = 1; i < count; ++i) {
    std::u16string unit(reinterpret_cast<const char16_t*>(wide[i]));
    args.push_back(animal_ids::EncodeFromWide(animal_ids::CodePage::kUtf8, unit));
  }
  LocalFree(wide);
  return args;
}

bool IsUsable(HANDLE handle) {
  return handle && handle != INVALID_HANDLE_VALUE && GetFileType(handle) != FILE_TYPE_UNKNOWN;
}

// A GUI program has no console of its own: its output goes where it was
// redirected, else to the console of the command prompt that started it.
void ConnectStandardStreams() {
  bool out = IsUsable(GetStdHandle(STD_OUTPUT_HANDLE));
  bool err = IsUsable(GetStdHandle(STD_ERROR_HANDLE));
  if ((!out || !err) && AttachConsole(ATTACH_PARENT_PROCESS)) {
    if (!out) std::freopen("CONOUT$", "w", stdout);
    if (!err) std::freopen("CONOUT$", "w", stderr);
  }
  // The command line writes UTF-8 with LF line ends, the same bytes as the
  // Linux program's: the streams must not turn LF into CR LF.
  SetConsoleOutputCP(CP_UTF8);
  _setmode(_fileno(stdout), _O_BINARY);
  _setmode(_fileno(stderr), _O_BINARY);
}

}  // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int show) {
  animal_ids::EstablishRunDirectory();
  animal_ids::CommandLine commandLine = animal_ids::ParseCommandLine(Arguments());
  if (commandLine.action != animal_ids::CommandLine::Action::kWindow) {
    ConnectStandardStreams();
    return animal_ids::RunCommandLine(commandLine);
  }
  if (!animal_ids::win32::RegisterWindowClasses(instance) ||
      !animal_ids::win32::CreateMainWindow(instance, show)) {
    MessageBoxA(nullptr, animal_ids::AnsiFromUtf8("无法创建主窗口。").c_str(),
                animal_ids::AnsiFromUtf8("信息：").c_str(), MB_ICONERROR | MB_TASKMODAL);
    return 1;
  }
  // Once the window exists, so that a data version given goes into its 编辑框6.
  animal_ids::ApplyCatalogueOptions(commandLine);
  return animal_ids::win32::RunMessageLoop();
}
