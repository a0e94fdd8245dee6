#include "web/codepage.h"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "text/text_ops.h"

namespace animal_ids {
namespace {

std::u16string_view UpToZero(std::u16string_view wide) {
  auto zero = wide.find(u'\0');
  return zero == std::u16string_view::npos ? wide : wide.substr(0, zero);
}

constexpr int kFirstLead = 0x81, kLastLead = 0xFE, kFirstTrail = 0x40, kLastTrail = 0xFE;
constexpr int kTrails = kLastTrail - kFirstTrail + 1;

// What each two-byte character of the ANSI code page decodes to, asked of
// the platform's own conversion once: u'\0' where the pair is no character
// that converts there and back as one unit. Long texts are then decoded a
// character at a time without going through UTF-16 as a whole.
class PairTable {
 public:
  PairTable() : units_((kLastLead - kFirstLead + 1) * kTrails, u'\0'), pairs_(0x10000, 0) {
    std::string probe;
    probe.reserve(units_.size() * 3);
    for (int lead = kFirstLead; lead <= kLastLead; ++lead) {
      for (int trail = kFirstTrail; trail <= kLastTrail; ++trail) {
        // A line feed after each pair: no pair holds one, so each decodes on its own.
        probe += static_cast<char>(lead);
        probe += static_cast<char>(trail);
        probe += '\n';
      }
    }
    const std::u16string decoded = DecodeToWide(CodePage::kAnsi, probe);
    std::u16string candidates;
    size_t at = 0;
    for (char16_t& unit : units_) {
      const size_t end = decoded.find(u'\n', at);
      if (end == std::u16string::npos) break;
      const char16_t u = decoded[at];
      if (end == at + 1 && u >= 0x80 && (u < 0xD800 || u > 0xDFFF) && u != 0xFFFD) unit = u;
      candidates += unit ? unit : u'?';
      candidates += u'\n';
      at = end + 1;
    }
    // Only a pair that the code page encodes back to itself stands for its unit.
    const std::string encoded = EncodeFromWide(CodePage::kAnsi, candidates);
    at = 0;
    for (size_t i = 0; i < units_.size(); ++i) {
      const size_t end = encoded.find('\n', at);
      if (end == std::string::npos) {
        units_[i] = u'\0';
        continue;
      }
      const std::string_view pair(probe.data() + 3 * i, 2);
      if (std::string_view(encoded).substr(at, end - at) != pair) units_[i] = u'\0';
      at = end + 1;
      if (units_[i]) {
        pairs_[units_[i]] = static_cast<std::uint16_t>(
            static_cast<unsigned char>(probe[3 * i]) << 8 | static_cast<unsigned char>(probe[3 * i + 1]));
      }
    }
  }

  // The unit of the pair at p (two bytes, the first a lead byte), or u'\0'.
  char16_t Unit(const char* p) const {
    const int lead = static_cast<unsigned char>(p[0]);
    const int trail = static_cast<unsigned char>(p[1]);
    if (lead < kFirstLead || lead > kLastLead || trail < kFirstTrail || trail > kLastTrail) {
      return u'\0';
    }
    return units_[static_cast<size_t>((lead - kFirstLead) * kTrails + trail - kFirstTrail)];
  }

  // The pair (lead * 256 + trail) that the unit encodes to, or 0.
  std::uint16_t Pair(char16_t unit) const { return pairs_[unit]; }

 private:
  std::u16string units_;
  std::vector<std::uint16_t> pairs_;
};

const PairTable& Pairs() {
  static const PairTable table;
  return table;
}

// Below this size a text goes through the platform's conversion as it is.
constexpr size_t kLongText = 4096;

// Decodes an ANSI text from the table: each run of ASCII goes to ascii as it
// stands, each two-byte character's unit to pair. False, with part of the
// text handed on, when some byte is neither ASCII nor part of a pair in the
// table: the caller then converts the whole text the long way.
template <typename Ascii, typename Pair>
bool DecodeByPairs(std::string_view text, Ascii ascii, Pair pair) {
  const PairTable& pairs = Pairs();
  for (size_t i = 0; i < text.size();) {
    if (static_cast<unsigned char>(text[i]) < 0x80) {
      const size_t end = AsciiRunEnd(text, i);
      ascii(text.substr(i, end - i));
      i = end;
      continue;
    }
    if (i + 1 == text.size()) return false;
    const char16_t unit = pairs.Unit(text.data() + i);
    if (unit == u'\0') return false;
    pair(unit);
    i += 2;
  }
  return true;
}

}  // namespace

std::optional<Text> AnsiFromUtf8ByPairs(std::string_view utf8) {
  const PairTable& pairs = Pairs();
  std::string ansi;
  // No character takes more bytes in the ANSI code page than in UTF-8.
  ansi.reserve(utf8.size());
  auto byte = [&](size_t k) { return static_cast<unsigned char>(utf8[k]); };
  auto continuation = [&](size_t k) { return k < utf8.size() && (byte(k) & 0xC0) == 0x80; };
  for (size_t i = 0; i < utf8.size();) {
    // ASCII is copied as it stands.
    const size_t end = AsciiRunEnd(utf8, i);
    if (end > i) {
      if (utf8.substr(i, end - i).find('\0') != std::string_view::npos) return std::nullopt;
      ansi.append(utf8.substr(i, end - i));
      i = end;
      continue;
    }
    // A well-formed two- or three-byte sequence outside the surrogates, or the long way.
    unsigned unit = 0;
    if (byte(i) >= 0xC2 && byte(i) < 0xE0 && continuation(i + 1)) {
      unit = (byte(i) & 0x1Fu) << 6 | (byte(i + 1) & 0x3Fu);
      i += 2;
    } else if (byte(i) >= 0xE0 && byte(i) < 0xF0 && continuation(i + 1) && continuation(i + 2)) {
      unit = (byte(i) & 0x0Fu) << 12 | (byte(i + 1) & 0x3Fu) << 6 | (byte(i + 2) & 0x3Fu);
      if (unit < 0x800 || (unit >= 0xD800 && unit < 0xE000)) return std::nullopt;
      i += 3;
    } else {
      return std::nullopt;
    }
    const std::uint16_t pair = pairs.Pair(static_cast<char16_t>(unit));
    if (pair == 0) return std::nullopt;
    ansi += static_cast<char>(pair >> 8);
    ansi += static_cast<char>(pair & 0xFF);
  }
  return Text(std::move(ansi));
}

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
  if (text.view().size() >= kLongText) {
    std::string utf8;
    // One byte stays one byte, and two become at most three.
    utf8.reserve(text.view().size() / 2 * 3 + 1);
    const bool whole = DecodeByPairs(
        text.view(), [&](std::string_view run) { utf8.append(run); },
        [&](char16_t unit) {
          // A pair's unit is never ASCII.
          char bytes[3];
          size_t n = 0;
          if (unit < 0x800) {
            bytes[n++] = static_cast<char>(0xC0 | (unit >> 6));
          } else {
            bytes[n++] = static_cast<char>(0xE0 | (unit >> 12));
            bytes[n++] = static_cast<char>(0x80 | ((unit >> 6) & 0x3F));
          }
          bytes[n++] = static_cast<char>(0x80 | (unit & 0x3F));
          utf8.append(bytes, n);
        });
    if (whole) return utf8;
  }
  return EncodeFromWide(CodePage::kUtf8, DecodeToWide(CodePage::kAnsi, text.view()));
}

Text AnsiFromUtf8(std::string_view utf8) {
  std::u16string wide = DecodeToWide(CodePage::kUtf8, utf8);
  return Text(EncodeFromWide(CodePage::kAnsi, UpToZero(wide)));
}

std::u16string AnsiToWide(const Text& text) {
  if (text.view().size() >= kLongText) {
    std::u16string wide;
    wide.reserve(text.view().size());
    const bool whole = DecodeByPairs(
        text.view(), [&](std::string_view run) { wide.append(run.begin(), run.end()); },
        [&](char16_t unit) { wide += unit; });
    if (whole) return wide;
  }
  return DecodeToWide(CodePage::kAnsi, text.view());
}

Text AnsiFromWide(std::u16string_view wide) {
  return Text(EncodeFromWide(CodePage::kAnsi, UpToZero(wide)));
}

}  // namespace animal_ids
