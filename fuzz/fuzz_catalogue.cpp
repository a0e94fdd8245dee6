// The catalogue listing and the ID lookup on the headless window, on any
// document: every listed line has its form, and every listed name is found.

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "app/headless_window.h"
#include "app/main_window.h"
#include "catalogue/catalogue.h"
#include "text/text_ops.h"
#include "web/codepage.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace animal_ids;
  static const std::string kPrefix = AnsiFromUtf8("动物ID:").str();
  ResetHeadlessWindow();
  EchoInfoBoxes(false);
  const Text doc(std::string_view(reinterpret_cast<const char*>(data), size));
  CheckCatalogue(doc);
  const int listed = ListCatalogue(doc);
  if (GetText(Control::编辑框4) != NumberToText(listed)) std::abort();

  const std::string list = GetText(Control::编辑框1).str();
  // Names and IDs may hold line ends themselves; then the lines cannot be told apart here.
  if (CountOccurrences(Text(list), "\n") != listed ||
      CountOccurrences(Text(list), "\r") != listed) {
    return 0;
  }
  int lines = 0;
  for (std::size_t begin = 0; begin < list.size(); ++lines) {
    std::size_t end = list.find("\r\n", begin);
    if (end == std::string::npos || list.compare(begin, kPrefix.size(), kPrefix) != 0) {
      std::abort();
    }
    std::string_view line = std::string_view(list).substr(begin, end - begin);
    line.remove_prefix(kPrefix.size());
    std::size_t split = line.find("----");
    if (split == std::string_view::npos) std::abort();
    // Looking the name up finds a line of that name, the first one.
    SetText(Control::编辑框2, Text(line.substr(split + 4)));
    if (!LookupAnimalId()) std::abort();
    begin = end + 2;
  }
  if (lines != listed) std::abort();
  return 0;
}
