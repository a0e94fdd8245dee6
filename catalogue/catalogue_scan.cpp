#include <array>
#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>
#include <utility>

#include "app/main_window.h"
#include "catalogue/catalogue.h"
#include "text/text_ops.h"
#include "web/codepage.h"

namespace animal_ids {
namespace {

bool IsSpace(unsigned char byte) {
  return byte == ' ' || byte == '\t' || byte == '\r' || byte == '\n';
}

// What a byte means to a start tag: 0 nothing, 1 a byte of 0x80 or above
// (the first of a two-byte character), 2 a quote, 3 the '>' that ends it.
constexpr std::array<unsigned char, 256> kTagBytes = [] {
  std::array<unsigned char, 256> kinds{};
  for (int b = 0x80; b < 256; ++b) kinds[static_cast<size_t>(b)] = 1;
  kinds['"'] = kinds['\''] = 2;
  kinds['>'] = 3;
  return kinds;
}();

// The length of the start tag at offset begin (up to and including its '>',
// quoted values skipped), or -1 when it does not end before offset limit.
int StartTagLength(const Text& doc, int begin, int limit) {
  const auto* d = reinterpret_cast<const unsigned char*>(doc.c_str());
  for (int i = begin;;) {
    while (i < limit && kTagBytes[d[i]] == 0) ++i;
    if (i >= limit) return -1;
    switch (kTagBytes[d[i]]) {
      case 1:
        i += 2;
        break;
      case 3:
        return i + 1 - begin;
      default: {
        const unsigned char quote = d[i];
        for (++i; i < limit && d[i] != quote;) i += d[i] >= 0x80 ? 2 : 1;
        if (i >= limit) return -1;
        ++i;
      }
    }
  }
}

// Compared byte by byte: the prefixes are a few bytes, and most differ at the second.
bool StartsWith(std::string_view text, size_t at, std::string_view prefix) {
  if (at > text.size() || text.size() - at < prefix.size()) return false;
  for (size_t k = 0; k < prefix.size(); ++k) {
    if (text[at + k] != prefix[k]) return false;
  }
  return true;
}

// The first match of needle in text at or after offset from, walking by
// characters from there (a byte of 0x80 or above and the one after it are one
// character, whose second byte never starts a match), as FindText does; npos
// when there is none.
size_t FindInTag(std::string_view text, std::string_view needle, size_t from) {
  for (size_t at = from; at < text.size() && text.size() - at >= needle.size();) {
    if (StartsWith(text, at, needle)) return at;
    at += static_cast<unsigned char>(text[at]) >= 0x80 ? 2 : 1;
  }
  return std::string_view::npos;
}

// The value of the attribute whose marker (such as "id=\"") stands in the
// tag at or after offset from where it starts an attribute, that is after
// white space; it runs to the next double quote. The offset after the
// value's closing quote, or npos.
size_t AttributeValue(std::string_view tag, std::string_view marker, size_t from,
                      std::string_view& value) {
  constexpr size_t npos = std::string_view::npos;
  for (size_t p = FindInTag(tag, marker, from); p != npos; p = FindInTag(tag, marker, p + 1)) {
    if (p < 1 || !IsSpace(static_cast<unsigned char>(tag[p - 1]))) continue;
    size_t v = p + marker.size();
    size_t close = FindInTag(tag, "\"", v);
    if (close == npos) return npos;
    value = tag.substr(v, close - v);
    return close + 1;
  }
  return npos;
}

// Steps over characters from a character start up to target, eight ASCII bytes at a time where
// it can; the result is target when target starts a character, target + 1 when it is a second byte.
size_t WalkTo(std::string_view text, size_t at, size_t target) {
  constexpr std::uint64_t kHighBits = 0x8080808080808080ull;
  while (at < target) {
    if (target - at >= 8) {
      std::uint64_t word;
      std::memcpy(&word, text.data() + at, sizeof word);
      if ((word & kHighBits) == 0) {
        at += 8;
        continue;
      }
    }
    at += static_cast<unsigned char>(text[at]) >= 0x80 ? 2 : 1;
  }
  return at;
}

// The offset just past the first end marker at or after offset from, walking
// by characters so that no second byte of one is taken for markup; npos when
// the text ends first.
size_t PastMarker(const Text& doc, size_t from, const Text& marker) {
  int p = FindText(doc, marker, static_cast<int>(from) + 1, false);
  return p == -1 ? std::string_view::npos : static_cast<size_t>(p - 1 + marker.size());
}

}  // namespace

// Why this is sound on either transport, which may not see a body cut short
// (the Windows functions cannot see chunk framing, nor a body cut with no
// declared length): in a whole document the root element stays open from
// its start tag to the '>' of its closing tag, and every animal lies within
// it. A body cut anywhere before that '>' therefore ends with the root still
// open, and is refused; one cut after it has lost at most white space, a
// comment or a processing instruction, none of which the list needs. Markup
// inside comments and CDATA sections is skipped, and only elements named
// like the root are counted, so neither a commented-out "</animals>" nor an
// inner element of the same name makes a cut body look whole.
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
  constexpr size_t npos = std::string_view::npos;
  const std::string_view d = doc.view();
  const std::string prefix = AnsiFromUtf8("动物ID:").str();
  std::string lines;
  // No element makes a longer line than it is long; what is not used is never touched.
  lines.reserve(d.size());
  int listed = 0;
  // Each element runs from the last "<animal" start tag after the previous
  // "</animal>" to its own "</animal>"; its ID and name come from its start
  // tag alone, so no neighbour and no child element can lend them. One walk
  // by characters finds both markers: neither begins on a second byte.
  size_t start = npos;
  for (size_t at = 0;;) {
    const void* hit = std::memchr(d.data() + at, '<', d.size() - at);
    if (!hit) break;
    const size_t lt = static_cast<size_t>(static_cast<const char*>(hit) - d.data());
    at = WalkTo(d, at, lt);
    if (at != lt) continue;
    if (StartsWith(d, lt, "</animal>")) {
      at = lt + 9;
      if (start == npos) continue;
      const size_t tagStart = std::exchange(start, npos);
      const int length = StartTagLength(doc, static_cast<int>(tagStart), static_cast<int>(lt));
      if (length == -1) continue;
      const std::string_view tag = d.substr(tagStart, static_cast<size_t>(length));
      std::string_view id, name;
      const size_t afterId = AttributeValue(tag, "id=\"", 7, id);
      if (afterId == npos || AttributeValue(tag, "name=\"", afterId, name) == npos) continue;
      lines.append(prefix).append(id).append("----").append(name).append("\r\n");
      ++listed;
      continue;
    }
    if (StartsWith(d, lt, "<animal") && lt + 7 < d.size() &&
        (IsSpace(static_cast<unsigned char>(d[lt + 7])) || d[lt + 7] == '>')) {
      start = lt;
    }
    at = lt + 1;
  }
  SetText(Control::编辑框4, NumberToText(listed));
  AppendText(Control::编辑框1, Text(std::move(lines)));
  return listed;
}

}  // namespace animal_ids
