#include "app/command_line.h"

#include <cstdio>

#include "app/build_config.h"
#include "app/main_window.h"
#include "catalogue/catalogue.h"
#include "text/text_ops.h"
#include "web/codepage.h"

namespace animal_ids {
namespace {

bool StartsWithHttp(const std::string& url) {
  return CompareText(TextLeft(Text(url), 7), "http://", false) == 0;
}

// Writes all of the bytes; false when the stream refused them.
bool WriteAll(std::FILE* stream, const std::string& bytes) {
  return std::fwrite(bytes.data(), 1, bytes.size(), stream) == bytes.size() &&
         std::fflush(stream) == 0;
}

void Complain(const std::string& utf8) { WriteAll(stderr, "animal-ids: " + utf8 + "\n"); }

// The window's text for the terminal: UTF-8, every line ending in LF.
std::string ForTerminal(const Text& text) {
  std::string utf8 = AnsiToUtf8(text);
  std::string out;
  out.reserve(utf8.size() + 1);
  for (size_t at = 0; at < utf8.size();) {
    size_t cr = utf8.find("\r\n", at);
    if (cr == std::string::npos) cr = utf8.size();
    out.append(utf8, at, cr - at);
    at = cr + 1;
  }
  if (!out.empty() && out.back() != '\n') out += '\n';
  return out;
}

CommandLine UsageError(std::string problem) {
  CommandLine result;
  result.action = CommandLine::Action::kUsageError;
  result.problem = std::move(problem);
  return result;
}

}  // namespace

CommandLine ParseCommandLine(const std::vector<std::string>& args) {
  CommandLine result;
  bool list = false;
  bool lookup = false;
  for (size_t i = 0; i < args.size(); ++i) {
    std::string option = args[i];
    std::string value;
    bool inlineValue = false;
    if (size_t equals = option.find('=');
        option.rfind("--", 0) == 0 && equals != std::string::npos) {
      value = option.substr(equals + 1);
      option = option.substr(0, equals);
      inlineValue = true;
    }
    auto takeValue = [&]() -> bool {
      if (inlineValue) return true;
      if (i + 1 >= args.size()) return false;
      value = args[++i];
      return true;
    };
    bool takesValue = option == "--lookup" || option == "--data-version" || option == "--server";
    if (!takesValue && inlineValue) return UsageError(option + " takes no value");
    if (option == "--help" || option == "-h") {
      result.action = CommandLine::Action::kHelp;
      return result;
    } else if (option == "--version") {
      result.action = CommandLine::Action::kVersion;
      return result;
    } else if (option == "--list") {
      list = true;
    } else if (takesValue && !takeValue()) {
      return UsageError(option + " needs a value");
    } else if (option == "--lookup") {
      lookup = true;
      result.name = value;
    } else if (option == "--data-version") {
      result.dataVersion = value;
      result.hasDataVersion = true;
    } else if (option == "--server") {
      while (value.size() > 7 && value.back() == '/') value.pop_back();
      if (!StartsWithHttp(value)) {
        return UsageError("--server must begin with \"http://\": " + value);
      }
      if (value.size() == 7) return UsageError("--server names no host: " + value);
      result.server = value;
    } else {
      return UsageError("unknown option: " + args[i]);
    }
  }
  if (list && lookup) return UsageError("--list and --lookup cannot be combined");
  if (list) result.action = CommandLine::Action::kList;
  if (lookup) result.action = CommandLine::Action::kLookup;
  return result;
}

std::string UsageText() {
  return "Usage: animal-ids [--list | --lookup NAME] [--data-version V] [--server URL]\n"
         "\n"
         "Without --list or --lookup the window opens.\n"
         "  --list            download the catalogue and print one line per animal\n"
         "  --lookup NAME     download the catalogue and print the ID of the animal NAME\n"
         "  --data-version V  the catalogue's data version (default 115)\n"
         "  --server URL      ask URL instead of http://" ANIMAL_IDS_CATALOGUE_HOST
         ", e.g. http://127.0.0.1:8080\n"
         "  --help            print this text\n"
         "  --version         print the program's version\n";
}

void ApplyCatalogueOptions(const CommandLine& commandLine) {
  if (!commandLine.server.empty()) SetCatalogueServer(Text(commandLine.server));
  if (commandLine.hasDataVersion) SetText(Control::编辑框6, AnsiFromUtf8(commandLine.dataVersion));
}

int RunCommandLine(const CommandLine& commandLine) {
  using Action = CommandLine::Action;
  switch (commandLine.action) {
    case Action::kHelp:
      return WriteAll(stdout, UsageText()) ? 0 : 1;
    case Action::kVersion:
      return WriteAll(stdout, "animal-ids " ANIMAL_IDS_VERSION_TEXT "\n") ? 0 : 1;
    case Action::kUsageError:
      Complain(commandLine.problem);
      WriteAll(stderr, UsageText());
      return 2;
    case Action::kWindow:
      WriteAll(stderr, UsageText());
      return 2;
    case Action::kList:
    case Action::kLookup:
      break;
  }
  ApplyCatalogueOptions(commandLine);
  if (!FetchAnimalIds()) return 1;
  std::string output;
  if (commandLine.action == Action::kList) {
    output = ForTerminal(GetText(Control::编辑框1));
  } else {
    SetText(Control::编辑框2, AnsiFromUtf8(commandLine.name));
    if (!LookupAnimalId()) {
      Complain("no animal named \"" + commandLine.name + "\" in the catalogue");
      return 1;
    }
    output = AnsiToUtf8(GetText(Control::编辑框5)) + "\n";
  }
  if (!WriteAll(stdout, output)) {
    Complain("cannot write to standard output");
    return 1;
  }
  return 0;
}

}  // namespace animal_ids
