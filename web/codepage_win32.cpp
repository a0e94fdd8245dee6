#include <windows.h>

#include <climits>

#include "web/codepage.h"

// The kernel32 conversions: the ANSI code page is the machine's own (936 on
// the machines the tool is made for), and every output is sized by asking
// the function first.

namespace animal_ids {
namespace {

UINT CodePageId(CodePage codePage) { return codePage == CodePage::kAnsi ? CP_ACP : CP_UTF8; }

// The functions count in int; the program's texts stay far below that bound.
int CountOf(size_t size) { return size > INT_MAX ? INT_MAX : static_cast<int>(size); }

}  // namespace

std::u16string DecodeToWide(CodePage codePage, std::string_view bytes) {
  if (bytes.empty()) return {};
  const UINT id = CodePageId(codePage);
  const int inputBytes = CountOf(bytes.size());
  const int units = MultiByteToWideChar(id, 0, bytes.data(), inputBytes, nullptr, 0);
  if (units <= 0) return {};
  std::u16string wide(static_cast<size_t>(units), u'\0');
  const int written = MultiByteToWideChar(id, 0, bytes.data(), inputBytes,
                                          reinterpret_cast<wchar_t*>(wide.data()), units);
  wide.resize(written > 0 ? static_cast<size_t>(written) : 0);
  return wide;
}

std::string EncodeFromWide(CodePage codePage, std::u16string_view wide) {
  if (wide.empty()) return {};
  const UINT id = CodePageId(codePage);
  const auto* input = reinterpret_cast<const wchar_t*>(wide.data());
  const int inputUnits = CountOf(wide.size());
  const int bytes = WideCharToMultiByte(id, 0, input, inputUnits, nullptr, 0, nullptr, nullptr);
  if (bytes <= 0) return {};
  std::string out(static_cast<size_t>(bytes), '\0');
  const int written =
      WideCharToMultiByte(id, 0, input, inputUnits, out.data(), bytes, nullptr, nullptr);
  out.resize(written > 0 ? static_cast<size_t>(written) : 0);
  return out;
}

}  // namespace animal_ids
