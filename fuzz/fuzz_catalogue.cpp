// The catalogue listing and the ID lookup on the headless window, on any
// document: the same lines as the listing written plainly with the text
// operations, every line of its form, and every listed name found.

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

namespace animal_ids::reference {

bool IsSpace(unsigned char byte) {
  return byte == ' ' || byte == '\t' || byte == '\r' || byte == '\n';
}

int StartTagLength(const Text& doc, int begin, int limit) {
  char quote = 0;
  for (int i = begin; i < limit; ++i) {
    unsigned char c = doc.at(i);
    if (c >= 0x80) {
      ++i;
    } else if (quote) {
      if (c == quote) quote = 0;
    } else if (c == '"' || c == '\'') {
      quote = static_cast<char>(c);
    } else if (c == '>') {
      return i + 1 - begin;
    }
  }
  return -1;
}

int AttributeValue(const Text& tag, const Text& marker, int from, Text& value) {
  for (int p = FindText(tag, marker, from, false); p != -1;
       p = FindText(tag, marker, p + 1, false)) {
    if (p < 2 || !IsSpace(tag.at(p - 2))) continue;
    int v = p + TextLength(marker);
    int close = FindText(tag, "\"", v, false);
    if (close == -1) return -1;
    value = TextMid(tag, v, close - v);
    return close + 1;
  }
  return -1;
}

// The listing written plainly with the text operations: what the fast one must equal.
Text Listing(const Text& doc) {
  const Text open = "<animal";
  const Text close = "</animal>";
  const Text prefix = AnsiFromUtf8("动物ID:");
  Text lines;
  int nextOpen = FindText(doc, open, 1, false);
  for (int from = 1;;) {
    int end = FindText(doc, close, from, false);
    if (end == -1) break;
    int start = -1;
    for (; nextOpen != -1 && nextOpen < end; nextOpen = FindText(doc, open, nextOpen + 1, false)) {
      int after = nextOpen - 1 + TextLength(open);
      if (IsSpace(doc.at(after)) || doc.at(after) == '>') start = nextOpen;
    }
    from = end + TextLength(close);
    if (start == -1) continue;
    int length = StartTagLength(doc, start - 1, end - 1);
    if (length == -1) continue;
    Text tag = TextMid(doc, start, length);
    Text id, name;
    int afterId = AttributeValue(tag, "id=\"", TextLength(open) + 1, id);
    if (afterId == -1 || AttributeValue(tag, "name=\"", afterId, name) == -1) continue;
    lines += ConcatText(prefix, id, "----", name, "\r\n");
  }
  return lines;
}

}  // namespace animal_ids::reference

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
  if (list != reference::Listing(doc).str()) std::abort();
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
