#include "catalogue/catalogue.h"

#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "app/build_config.h"
#include "app/main_window.h"
#include "text/files.h"
#include "text/text_ops.h"
#include "web/codepage.h"
#include "web/http_request.h"

namespace animal_ids {
namespace {

Text& CatalogueServer() {
  static Text base = ConcatText("http://", ANIMAL_IDS_CATALOGUE_HOST);
  return base;
}

// Bytes a URL path may not carry as they are: space, control bytes, bytes
// of 0x80 and above, and the three that would end or escape the path.
Text EscapePathPart(const Text& part) {
  static const char kHex[] = "0123456789ABCDEF";
  std::string out;
  for (unsigned char c : part.str()) {
    if (c <= 0x20 || c >= 0x7F || c == '%' || c == '?' || c == '#') {
      out += '%';
      out += kHex[c >> 4];
      out += kHex[c & 15];
    } else {
      out += static_cast<char>(c);
    }
  }
  return Text(std::move(out));
}

using Outcome = HttpReply::Outcome;

const char kCutMessage[] = "获取动物ID失败：数据不完整。";

// What the user is told when a download failed; empty when it succeeded.
Text FailureMessage(const HttpReply& reply) {
  switch (reply.outcome) {
    case Outcome::kNoResponse:
      return AnsiFromUtf8("获取动物ID失败：无法连接服务器。");
    case Outcome::kNotHttp:
      return AnsiFromUtf8("获取动物ID失败：服务器返回的不是HTTP应答。");
    case Outcome::kTimedOut:
      return AnsiFromUtf8("获取动物ID失败：服务器没有及时应答。");
    default:
      break;
  }
  if (reply.status < 200 || reply.status > 299) {
    return ConcatText(AnsiFromUtf8("获取动物ID失败：服务器返回"), NumberToText(reply.status),
                      AnsiFromUtf8("。"));
  }
  if (reply.outcome == Outcome::kTooLarge) return AnsiFromUtf8("获取动物ID失败：数据超过64MB。");
  if (reply.outcome == Outcome::kIncomplete) return AnsiFromUtf8(kCutMessage);
  if (reply.encoded) return AnsiFromUtf8("获取动物ID失败：数据经过压缩，无法读取。");
  return Text();
}

bool IsAscii(char c) { return static_cast<unsigned char>(c) < 0x80; }

// Whether every byte belongs to a well-formed UTF-8 sequence (no overlong
// forms, no surrogates, nothing beyond U+10FFFF).
bool IsValidUtf8(std::string_view bytes) {
  for (size_t i = 0; i < bytes.size();) {
    const auto lead = static_cast<unsigned char>(bytes[i]);
    if (lead < 0x80) {
      i = AsciiRunEnd(bytes, i);
      continue;
    }
    size_t n = lead >= 0xC2 && lead <= 0xDF   ? 2
               : lead >= 0xE0 && lead <= 0xEF ? 3
               : lead >= 0xF0 && lead <= 0xF4 ? 4
                                              : 0;
    if (n == 0 || bytes.size() - i < n) return false;
    for (size_t k = 1; k < n; ++k) {
      if ((static_cast<unsigned char>(bytes[i + k]) & 0xC0) != 0x80) return false;
    }
    const auto second = static_cast<unsigned char>(bytes[i + 1]);
    if ((lead == 0xE0 && second < 0xA0) || (lead == 0xED && second > 0x9F) ||
        (lead == 0xF0 && second < 0x90) || (lead == 0xF4 && second > 0x8F)) {
      return false;
    }
    i += n;
  }
  return true;
}

// The list's lines, each without its line end (a CR before the LF belongs to it).
template <typename Visit>
bool ForEachLine(const Text& list, Visit visit) {
  const std::string& s = list.str();
  size_t begin = 0;
  while (begin < s.size()) {
    size_t end = s.find('\n', begin);
    size_t next = end == std::string::npos ? s.size() : end + 1;
    if (end == std::string::npos) end = s.size();
    if (end > begin && s[end - 1] == '\r' && end < s.size()) --end;
    if (visit(std::string_view(s).substr(begin, end - begin))) return true;
    begin = next;
  }
  return false;
}

}  // namespace

void SetCatalogueServer(const Text& base) { CatalogueServer() = base; }

Text CatalogueUrl(const Text& version) {
  return ConcatText(CatalogueServer(), "/mc/data/animal_v_", EscapePathPart(version), ".xml");
}

// A character at a time from the code page's table where every character is
// in it; otherwise only the non-ASCII runs go through the code pages, all in
// one conversion, and the ASCII between them is copied as it is. Every run begins and ends at an
// ASCII byte, so each character converts exactly as within the whole text.
Text DocumentToAnsi(std::string_view utf8) {
  if (std::optional<Text> ansi = AnsiFromUtf8ByPairs(utf8)) return *std::move(ansi);
  // The non-ASCII runs, as offsets [begin, end) into utf8.
  std::vector<std::pair<size_t, size_t>> spans;
  std::string runs;
  for (size_t i = AsciiRunEnd(utf8, 0); i < utf8.size(); i = AsciiRunEnd(utf8, i)) {
    size_t end = i;
    while (end < utf8.size() && !IsAscii(utf8[end])) ++end;
    spans.emplace_back(i, end);
    runs.append(utf8.substr(i, end - i));
    runs += '\n';
    i = end;
  }
  if (spans.empty()) return Text(utf8);
  const Text converted = AnsiFromUtf8(runs);
  std::string_view ansi = converted.view();
  std::string out;
  // No character takes more bytes in the ANSI code page than in UTF-8.
  out.reserve(utf8.size());
  size_t copied = 0;
  for (const auto& [begin, end] : spans) {
    out.append(utf8.substr(copied, begin - copied));
    size_t newline = ansi.find('\n');
    out.append(ansi.substr(0, newline));
    ansi.remove_prefix(newline + 1);
    copied = end;
  }
  out.append(utf8.substr(copied));
  return Text(std::move(out));
}

bool FetchAnimalIds() {
  Text url = CatalogueUrl(GetText(Control::编辑框6));
  HttpReply reply = HttpRequest(url, "POST");
  Text failure = FailureMessage(reply);
  Text doc;
  std::string_view body = reply.body.view();
  if (failure.empty()) {
    // A byte-order mark is no part of the document.
    if (body.substr(0, 3) == "\xEF\xBB\xBF") body.remove_prefix(3);
    // The text would end at the zero byte, and the rest be lost unseen.
    if (body.find('\0') != std::string_view::npos) {
      failure = AnsiFromUtf8("获取动物ID失败：数据中含有零字节。");
    } else {
      doc = DocumentToAnsi(body);
      CatalogueForm form = CheckCatalogue(doc);
      if (form == CatalogueForm::kCut) failure = AnsiFromUtf8(kCutMessage);
      if (form == CatalogueForm::kNotCatalogue) {
        failure = AnsiFromUtf8("获取动物ID失败：服务器返回的不是动物目录。");
      }
    }
  }
  if (!failure.empty()) {
    SetText(Control::编辑框4, "0");
    ShowInfoBox(failure);
    return false;
  }
  ListCatalogue(doc);
  if (!IsValidUtf8(body)) {
    ShowInfoBox(AnsiFromUtf8("动物目录中有不是UTF-8编码的文字，已显示为“?”。"));
  }
  return true;
}

bool LookupAnimalId() {
  const Text name = GetText(Control::编辑框2);
  const std::string prefix = AnsiFromUtf8("动物ID:").str();
  Text id;
  bool found = ForEachLine(GetText(Control::编辑框1), [&](std::string_view line) {
    if (line.substr(0, prefix.size()) == prefix) line.remove_prefix(prefix.size());
    size_t split = line.find("----");
    if (split == std::string_view::npos || line.substr(split + 4) != name.view()) return false;
    id = Text(line.substr(0, split));
    return true;
  });
  SetText(Control::编辑框5, id);
  return found;
}

bool SaveAnimalList() {
  const Text path = ConcatText(RunDirectory(), "/", AnsiFromUtf8("动物ID.txt"));
  const Text temporary = ConcatText(path, ".saving");
  // The old list is replaced only by a file written whole, in one step.
  bool saved = WriteBytesToFile(temporary, {TextToBytes(GetText(Control::编辑框1))}) &&
               ReplaceFile(temporary, path);
  if (!saved) {
    RemoveFile(temporary);
    ShowInfoBox(AnsiFromUtf8("动物ID保存失败，请检查运行目录是否可写。"));
    return false;
  }
  ShowInfoBox(AnsiFromUtf8("动物ID已经成功保存在当前运行目录下！"));
  return true;
}

}  // namespace animal_ids
