#include "web/codepage.h"

namespace animal_ids {
namespace {

std::u16string_view UpToZero(std::u16string_view wide) {
  auto zero = wide.find(u'\0');
  return zero == std::u16string_view::npos ? wide : wide.substr(0, zero);
}

}  // namespace

Text Utf8ToAnsi(const Bytes& data) { return AnsiFromUtf8(data.view()); }

Text WideToAnsi(const Bytes& wide) {
  std::u16string units(static_cast<size_t>(wide.size()) / 2, u'\0');
  for (size_t i = 0; i < units.size(); ++i) {
    auto low = static_cast<unsigned char>(wide.data()[2 * i]);
    auto high = static_cast<unsigned char>(wide.data()[2 * i + 1]);
    units[i] = static_cast<char16_t>(low | (high << 8));
  }
  return Text(EncodeFromWide(CodePage::kAnsi, UpToZero(units)));
}

std::string AnsiToUtf8(const Text& text) {
  return EncodeFromWide(CodePage::kUtf8, DecodeToWide(CodePage::kAnsi, text.view()));
}

Text AnsiFromUtf8(std::string_view utf8) {
  std::u16string wide = DecodeToWide(CodePage::kUtf8, utf8);
  return Text(EncodeFromWide(CodePage::kAnsi, UpToZero(wide)));
}

std::u16string AnsiToWide(const Text& text) { return DecodeToWide(CodePage::kAnsi, text.view()); }

Text AnsiFromWide(std::u16string_view wide) {
  return Text(EncodeFromWide(CodePage::kAnsi, UpToZero(wide)));
}

}  // namespace animal_ids
