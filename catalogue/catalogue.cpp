#include "catalogue/catalogue.h"

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

// What the user is told when a download failed; empty when it succeeded.
Text FailureMessage(const HttpReply& reply) {
  if (reply.outcome == HttpReply::Outcome::kNoResponse) {
    return AnsiFromUtf8("获取动物ID失败：无法连接服务器。");
  }
  if (reply.status < 200 || reply.status > 299) {
    return ConcatText(AnsiFromUtf8("获取动物ID失败：服务器返回"), NumberToText(reply.status),
                      AnsiFromUtf8("。"));
  }
  if (reply.outcome == HttpReply::Outcome::kIncomplete) {
    return AnsiFromUtf8("获取动物ID失败：数据不完整。");
  }
  return Text();
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

bool FetchAnimalIds() {
  Text url = CatalogueUrl(GetText(Control::编辑框6));
  HttpReply reply = HttpRequest(url, "POST");
  Text failure = FailureMessage(reply);
  if (!failure.empty()) {
    SetText(Control::编辑框4, "0");
    ShowInfoBox(failure);
    return false;
  }
  ListCatalogue(Utf8ToAnsi(reply.body));
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
