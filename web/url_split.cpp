#include "web/url_split.h"

#include "text/text_ops.h"

namespace animal_ids {
namespace {

// The host-and-port part: after "http://" (in any letter case) up to the
// next "/"; without that prefix, everything before the first "/".
Text HostAndPort(const Text& url) {
  if (CompareText(TextLeft(url, 7), "http://", false) != 0) {
    int p = FindText(url, "/", true);
    return p <= 0 ? url : TextLeft(url, p - 1);
  }
  int p = FindText(url, "/", 8, true);
  return p <= 0 ? ReplaceTextAt(url, 1, 7) : TextMid(url, 8, p - 8);
}

}  // namespace

Text UrlHost(const Text& url) {
  Text hostport = HostAndPort(url);
  int c = FindText(hostport, ":", 1, true);
  return ToLower(c > 0 ? TextLeft(hostport, c - 1) : hostport);
}

int UrlPort(const Text& url) {
  Text hostport = HostAndPort(url);
  int c = FindText(hostport, ":", 1, true);
  Text portText = c <= 0 ? Text("80") : TextRight(hostport, TextLength(hostport) - c);
  return TruncateToInteger(ToNumber(portText));
}

Text UrlPath(const Text& url) {
  int a = FindText(url, UrlHost(url), 1, true);
  int b = FindText(url, "/", a, true);
  return b <= 0 ? Text("/") : TextRight(url, TextLength(url) - b + 1);
}

std::string EncodeUnsafeUrlBytes(std::string_view url) {
  static const char kHex[] = "0123456789ABCDEF";
  std::string out;
  out.reserve(url.size());
  for (unsigned char c : url) {
    if (c <= 0x20 || c >= 0x7F) {
      out += '%';
      out += kHex[c >> 4];
      out += kHex[c & 15];
    } else {
      out += static_cast<char>(c);
    }
  }
  return out;
}

}  // namespace animal_ids
