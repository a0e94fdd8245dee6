#include <string_view>

#include "app/main_window.h"
#include "catalogue/catalogue.h"
#include "text/text_ops.h"
#include "web/codepage.h"

namespace animal_ids {
namespace {

bool IsSpace(unsigned char byte) {
  return byte == ' ' || byte == '\t' || byte == '\r' || byte == '\n';
}

// The length of the start tag at offset begin (up to and including its '>',
// quoted values skipped), or -1 when it does not end before offset limit.
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

// The value of the attribute whose marker (such as "id=\"") stands in the
// tag at or after position from where it starts an attribute, that is after
// white space; it runs to the next double quote. The position after the
// value's closing quote, or -1.
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

bool StartsWith(std::string_view text, size_t at, std::string_view prefix) {
  return text.substr(at, prefix.size()) == prefix;
}

// The offset just past the first end marker at or after offset from, walking
// by characters so that no second byte of one is taken for markup; npos when
// the text ends first.
size_t PastMarker(const Text& doc, size_t from, const Text& marker) {
  int p = FindText(doc, marker, static_cast<int>(from) + 1, false);
  return p == -1 ? std::string_view::npos : static_cast<size_t>(p - 1 + marker.size());
}

}  // namespace

CatalogueForm CheckCatalogue(const Text& doc) {
  const std::string_view d = doc.view();
  constexpr size_t npos = std::string_view::npos;
  std::string_view root;
  int depth = 0;  // open elements named like the root
  bool animals = false;
  bool markup = false;
  size_t at = 0;
  for (;;) {
    size_t lt = d.find('<', at);
    if (root.empty()) {
      // Before the root only white space may stand between the prolog's parts.
      for (size_t i = at; i < (lt == npos ? d.size() : lt); ++i) {
        if (!IsSpace(static_cast<unsigned char>(d[i]))) return CatalogueForm::kNotCatalogue;
      }
    }
    if (lt == npos) break;
    markup = true;
    if (StartsWith(d, lt, "<!--") || StartsWith(d, lt, "<![CDATA[") || StartsWith(d, lt, "<?")) {
      const char* end = StartsWith(d, lt, "<!--") ? "-->" : StartsWith(d, lt, "<?") ? "?>" : "]]>";
      at = PastMarker(doc, lt + 2, end);
      if (at == npos) return CatalogueForm::kCut;
      continue;
    }
    const bool closing = StartsWith(d, lt, "</");
    size_t nameBegin = lt + (closing ? 2 : 1);
    size_t nameEnd = nameBegin;
    while (nameEnd < d.size() && !IsSpace(static_cast<unsigned char>(d[nameEnd])) &&
           d[nameEnd] != '/' && d[nameEnd] != '>' && d[nameEnd] != '<') {
      ++nameEnd;
    }
    int length = StartTagLength(doc, static_cast<int>(lt), doc.size());
    if (length == -1) return CatalogueForm::kCut;
    size_t tagEnd = lt + static_cast<size_t>(length);
    std::string_view name = d.substr(nameBegin, nameEnd - nameBegin);
    at = tagEnd;
    if (name.empty() || name[0] == '!') {
      // A declaration such as <!DOCTYPE ...>, or a stray '<' in text.
      if (root.empty() && name.empty()) return CatalogueForm::kNotCatalogue;
      continue;
    }
    const bool empty = !closing && d[tagEnd - 2] == '/';
    if (closing && name == "animal") animals = true;
    if (root.empty()) {
      if (closing) return CatalogueForm::kNotCatalogue;
      root = name;
      if (empty) break;
      depth = 1;
    } else if (name == root) {
      depth += closing ? -1 : (empty ? 0 : 1);
      if (depth == 0) break;
    }
  }
  if (root.empty()) return markup ? CatalogueForm::kCut : CatalogueForm::kNotCatalogue;
  if (depth > 0) return CatalogueForm::kCut;
  return animals || root == "animals" ? CatalogueForm::kComplete : CatalogueForm::kNotCatalogue;
}

int ListCatalogue(const Text& doc) {
  const Text open = "<animal";
  const Text close = "</animal>";
  const Text prefix = AnsiFromUtf8("动物ID:");
  Text lines;
  int listed = 0;
  int nextOpen = FindText(doc, open, 1, false);
  // Each element runs from the last "<animal" start tag after the previous
  // "</animal>" to its own "</animal>"; its ID and name come from its start
  // tag alone, so no neighbour and no child element can lend them.
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
    ++listed;
  }
  SetText(Control::编辑框4, NumberToText(listed));
  AppendText(Control::编辑框1, lines);
  return listed;
}

}  // namespace animal_ids
