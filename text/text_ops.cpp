#include "text/text_ops.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <functional>
#include <limits>
#include <string>
#include <string_view>
#include <system_error>

#include "text/ansi_code_page.h"

namespace animal_ids {

namespace {

bool IsHighByte(unsigned char byte) { return byte >= 0x80; }

unsigned char FoldAsciiCase(unsigned char byte) {
  return byte >= 'A' && byte <= 'Z' ? static_cast<unsigned char>(byte + 0x20) : byte;
}

bool IsDigit(char byte) { return byte >= '0' && byte <= '9'; }

bool IsWhiteSpace(char byte) {
  return byte == ' ' || byte == '\t' || byte == '\n' || byte == '\v' || byte == '\f' ||
         byte == '\r';
}

bool IsExponentMarker(char byte) {
  return byte == 'e' || byte == 'E' || byte == 'd' || byte == 'D';
}

// Positions and counts arrive as int; widening keeps start - 1 and start + count from overflowing.
using Wide = std::int64_t;

Text Slice(const Text& text, Wide offset, Wide count) {
  return Text(
      text.view().substr(static_cast<std::size_t>(offset), static_cast<std::size_t>(count)));
}

Bytes Slice(const Bytes& data, Wide offset, Wide count) {
  return Bytes(
      data.view().substr(static_cast<std::size_t>(offset), static_cast<std::size_t>(count)));
}

// Steps over characters from a character start up to target, eight ASCII bytes at a time where
// it can; the result is target when target starts a character, target + 1 when it is a second byte.
std::size_t WalkCharactersTo(const unsigned char* bytes, std::size_t from, std::size_t target) {
  constexpr std::uint64_t kHighBits = 0x8080808080808080ull;
  std::size_t at = from;
  while (at < target) {
    if (target - at >= 8) {
      std::uint64_t word;
      std::memcpy(&word, bytes + at, sizeof word);
      if ((word & kHighBits) == 0) {
        at += 8;
        continue;
      }
    }
    at += IsHighByte(bytes[at]) ? 2 : 1;
  }
  return at;
}

// Whether offset target starts a character, counting characters from offset from. A byte below
// 0x80 always ends a character, so only the run of high bytes right before target matters:
// they pair up, and target starts a character when the run is even.
bool StartsCharacter(const unsigned char* bytes, std::size_t from, std::size_t target) {
  std::size_t at = target;
  while (at > from && IsHighByte(bytes[at - 1])) --at;
  return (target - at) % 2 == 0;
}

// The next offset at or after a given one that holds either of two bytes, or the text's end.
class CandidateFinder {
 public:
  CandidateFinder(std::string_view text, unsigned char first, unsigned char other,
                  std::size_t start)
      : text_(text),
        first_(first),
        other_(other),
        nextFirst_(Find(first, start)),
        nextOther_(first == other ? nextFirst_ : Find(other, start)) {}

  std::size_t Next(std::size_t from) {
    if (nextFirst_ < from) nextFirst_ = Find(first_, from);
    if (first_ == other_) return nextFirst_;
    if (nextOther_ < from) nextOther_ = Find(other_, from);
    return nextFirst_ < nextOther_ ? nextFirst_ : nextOther_;
  }

 private:
  std::size_t Find(unsigned char byte, std::size_t from) const {
    if (from >= text_.size()) return text_.size();
    const void* hit = std::memchr(text_.data() + from, byte, text_.size() - from);
    return hit ? static_cast<std::size_t>(static_cast<const char*>(hit) - text_.data())
               : text_.size();
  }

  std::string_view text_;
  unsigned char first_;
  unsigned char other_;
  // Hits are kept until passed, so that a frequent byte does not make the search for the
  // other one rescan the rest of the text each time.
  std::size_t nextFirst_;
  std::size_t nextOther_;
};

bool MatchesAt(const unsigned char* bytes, const std::string& needle, bool ignoreCase) {
  if (!ignoreCase) return std::memcmp(bytes, needle.data(), needle.size()) == 0;
  for (std::size_t k = 0; k < needle.size(); ++k) {
    if (FoldAsciiCase(bytes[k]) != static_cast<unsigned char>(needle[k])) return false;
  }
  return true;
}

int FindFrom(const Text& text, const Text& needle, Wide startOffset, bool ignoreCase) {
  const std::size_t length = text.view().size();
  if (startOffset >= static_cast<Wide>(length)) return -1;
  std::size_t at = static_cast<std::size_t>(startOffset);
  if (needle.empty()) return 1;

  std::string pattern = needle.str();
  if (ignoreCase) {
    for (char& byte : pattern) byte = static_cast<char>(FoldAsciiCase(byte));
  }
  const auto* bytes = reinterpret_cast<const unsigned char*>(text.view().data());
  // A long case-sensitive search skips ahead by the needle's length where it can; a hit on a
  // second byte is passed over, and the search goes on from the character after it.
  if (!ignoreCase && pattern.size() >= 4 && length - at >= 1024) {
    const std::boyer_moore_horspool_searcher searcher(pattern.begin(), pattern.end());
    const char* begin = text.view().data();
    const char* end = begin + length;
    for (;;) {
      const char* hit = std::search(begin + at, end, searcher);
      if (hit == end) return -1;
      const auto candidate = static_cast<std::size_t>(hit - begin);
      if (StartsCharacter(bytes, at, candidate)) return static_cast<int>(candidate + 1);
      at = candidate + 1;
    }
  }
  const unsigned char first = static_cast<unsigned char>(pattern[0]);
  const unsigned char other =
      ignoreCase && first >= 'a' && first <= 'z' ? static_cast<unsigned char>(first - 0x20) : first;
  CandidateFinder candidates(text.view(), first, other, at);

  // "at" always starts a character as counted from the search start; a candidate byte that
  // turns out to be the second byte of a character is passed over.
  while (at <= length && length - at >= pattern.size()) {
    std::size_t candidate = candidates.Next(at);
    if (candidate >= length || length - candidate < pattern.size()) return -1;
    at = WalkCharactersTo(bytes, at, candidate);
    if (at != candidate) continue;
    if (MatchesAt(bytes + at, pattern, ignoreCase)) return static_cast<int>(at + 1);
    at += IsHighByte(bytes[at]) ? 2 : 1;
  }
  return -1;
}

// One character of a text read with the code page's lead bytes; -1 at the end.
int NextCharacter(std::string_view text, std::size_t& at) {
  if (at >= text.size()) return -1;
  const auto byte = static_cast<unsigned char>(text[at]);
  if (!IsAnsiLeadByte(byte)) {
    at += 1;
    return byte;
  }
  // A lead byte with nothing after it ends the text.
  if (at + 1 >= text.size()) {
    at = text.size();
    return -1;
  }
  const int character = byte * 256 + static_cast<unsigned char>(text[at + 1]);
  at += 2;
  return character;
}

// Brings a character to the case CompareText compares in; -1 when the code page cannot map it.
int FoldCharacter(int character) {
  if (character < 0x100) return FoldAsciiCase(static_cast<unsigned char>(character));
  return AnsiDoubleByteToUpper(character);
}

Text ChangeAsciiCase(const Text& text, char from, char to) {
  std::string bytes = text.str();
  const std::size_t length = bytes.size();
  for (std::size_t at = 0; at < length;) {
    const auto byte = static_cast<unsigned char>(bytes[at]);
    if (IsHighByte(byte)) {
      at += 2;
      continue;
    }
    if (bytes[at] >= from && bytes[at] <= static_cast<char>(from + 25)) {
      bytes[at] = static_cast<char>(bytes[at] - from + to);
    }
    ++at;
  }
  return Text(std::move(bytes));
}

// Full-width digits, letters and signs become their ASCII forms before a number is read.
std::string NarrowFullWidth(std::string_view text) {
  std::string narrow;
  narrow.reserve(text.size());
  for (std::size_t at = 0; at < text.size();) {
    const auto lead = static_cast<unsigned char>(text[at]);
    if (!IsHighByte(lead)) {
      narrow += text[at];
      ++at;
      continue;
    }
    if (at + 1 >= text.size()) break;
    const auto trail = static_cast<unsigned char>(text[at + 1]);
    if (lead == 0xA3 && trail >= 0xA1 && trail <= 0xFE) {
      narrow += static_cast<char>(trail - 0x80);
    } else if (lead == 0xA1 && trail == 0xA1) {
      narrow += ' ';
    } else if (lead == 0xA1 && trail == 0xAB) {
      narrow += '~';
    } else if (lead == 0xA1 && (trail == 0xEE || trail == 0xEF)) {
      narrow += '*';
    } else {
      narrow += text.substr(at, 2);
    }
    at += 2;
  }
  return narrow;
}

std::size_t SkipDigits(std::string_view text, std::size_t at) {
  while (at < text.size() && IsDigit(text[at])) ++at;
  return at;
}

// The magnitude of a number that std::from_chars found out of range: infinity when its
// decimal exponent is positive, zero when it is negative.
double OutOfRangeValue(std::string_view mantissa, std::string_view exponent) {
  Wide scale = 0;
  const std::size_t point = mantissa.find('.');
  const std::string_view whole = mantissa.substr(0, point);
  const std::size_t firstNonZero = whole.find_first_not_of('0');
  if (firstNonZero != std::string_view::npos) {
    scale = static_cast<Wide>(whole.size() - firstNonZero);
  } else {
    const std::string_view fraction =
        point == std::string_view::npos ? std::string_view() : mantissa.substr(point + 1);
    const std::size_t significant = fraction.find_first_not_of('0');
    if (significant == std::string_view::npos) return 0.0;
    scale = -static_cast<Wide>(significant);
  }
  Wide power = 0;
  bool negativePower = false;
  for (char byte : exponent) {
    if (byte == '-') negativePower = true;
    // Saturates: the sign alone decides once the exponent is this large.
    if (IsDigit(byte) && power < 1'000'000'000) power = power * 10 + (byte - '0');
  }
  scale += negativePower ? -power : power;
  return scale > 0 ? std::numeric_limits<double>::infinity() : 0.0;
}

// Reads [sign] digits [. digits] [e|E|d|D [sign] digits] after white space, the way strtod
// does in the C locale but without its hexadecimal, infinity and NaN forms.
double ReadDecimal(std::string_view text) {
  std::size_t at = 0;
  while (at < text.size() && IsWhiteSpace(text[at])) ++at;
  bool negative = false;
  if (at < text.size() && (text[at] == '+' || text[at] == '-')) {
    negative = text[at] == '-';
    ++at;
  }
  const std::size_t mantissaStart = at;
  std::size_t end = SkipDigits(text, at);
  bool hasDigit = end > at;
  if (end < text.size() && text[end] == '.') {
    const std::size_t fractionEnd = SkipDigits(text, end + 1);
    hasDigit = hasDigit || fractionEnd > end + 1;
    end = fractionEnd;
  }
  if (!hasDigit) return 0.0;
  const std::size_t mantissaEnd = end;
  if (end < text.size() && IsExponentMarker(text[end])) {
    std::size_t digits = end + 1;
    if (digits < text.size() && (text[digits] == '+' || text[digits] == '-')) ++digits;
    const std::size_t exponentEnd = SkipDigits(text, digits);
    if (exponentEnd > digits) end = exponentEnd;
  }

  std::string number(text.substr(mantissaStart, end - mantissaStart));
  const std::size_t marker = mantissaEnd - mantissaStart;
  if (marker < number.size()) number[marker] = 'e';
  double value = 0.0;
  const auto [last, error] = std::from_chars(number.data(), number.data() + number.size(), value);
  if (error == std::errc::result_out_of_range) {
    const std::string_view all(number);
    value = OutOfRangeValue(all.substr(0, marker),
                            marker < all.size() ? all.substr(marker + 1) : std::string_view());
  } else if (error != std::errc()) {
    value = 0.0;
  }
  return negative ? -value : value;
}

}  // namespace

int TextLength(const Text& text) { return text.size(); }

Text TextLeft(const Text& text, int count) {
  if (count < 1) return Text();
  return Slice(text, 0, count);
}

Text TextRight(const Text& text, int count) {
  if (count < 1) return Text();
  const Wide length = text.size();
  const Wide taken = count < length ? count : length;
  return Slice(text, length - taken, taken);
}

Text TextMid(const Text& text, int start, int count) {
  const Wide length = text.size();
  if (start < 1 || start > length || count < 1) return Text();
  return Slice(text, Wide{start} - 1, count);
}

int FindText(const Text& text, const Text& needle, bool ignoreCase) {
  return FindFrom(text, needle, 0, ignoreCase);
}

int FindText(const Text& text, const Text& needle, int start, bool ignoreCase) {
  const Wide offset = Wide{start} - 1;
  return FindFrom(text, needle, offset > 0 ? offset : 0, ignoreCase);
}

Text ReplaceTextAt(const Text& text, int start, int count, const Text& replacement) {
  const Wide length = text.size();
  Wide at = Wide{start} - 1;
  if (at < 0) at = 0;
  if (at > length) at = length;
  const Wide removed = count < 0 ? 0 : (count < length - at ? count : length - at);
  std::string bytes;
  bytes.reserve(static_cast<std::size_t>(length - removed + replacement.size()));
  bytes.append(text.view().substr(0, static_cast<std::size_t>(at)));
  bytes.append(replacement.view());
  bytes.append(text.view().substr(static_cast<std::size_t>(at + removed)));
  return Text(std::move(bytes));
}

int CompareText(const Text& first, const Text& second, bool caseSensitive) {
  std::size_t atFirst = 0;
  std::size_t atSecond = 0;
  for (;;) {
    int a = NextCharacter(first.view(), atFirst);
    int b = NextCharacter(second.view(), atSecond);
    if (a < 0 && b < 0) return 0;
    if (a < 0) return -1;
    if (b < 0) return 1;
    if (!caseSensitive) {
      const int foldedA = FoldCharacter(a);
      const int foldedB = FoldCharacter(b);
      // A character the code page cannot map makes the texts unequal.
      if (foldedA < 0 || foldedB < 0) return a < b ? -1 : 1;
      a = foldedA;
      b = foldedB;
    }
    if (a != b) return a < b ? -1 : 1;
  }
}

Text ToUpper(const Text& text) { return ChangeAsciiCase(text, 'a', 'A'); }

Text ToLower(const Text& text) { return ChangeAsciiCase(text, 'A', 'a'); }

double ToNumber(const Text& text) { return ReadDecimal(NarrowFullWidth(text.view())); }

Text NumberToText(int value) {
  char digits[16];
  const auto [end, error] = std::to_chars(digits, digits + sizeof digits, value);
  return Text(std::string_view(digits, static_cast<std::size_t>(end - digits)));
}

Text BlankText(int count) {
  if (count < 1) return Text();
  return Text(std::string(static_cast<std::size_t>(count), ' '));
}

Text ConcatText(std::initializer_list<Text> parts) {
  std::size_t total = 0;
  for (const Text& part : parts) total += part.view().size();
  std::string bytes;
  bytes.reserve(total);
  for (const Text& part : parts) bytes.append(part.view());
  return Text(std::move(bytes));
}

int CountOccurrences(const Text& text, const Text& needle) {
  const std::string_view haystack = text.view();
  const std::string_view pattern = needle.view();
  if (pattern.empty() || haystack.empty()) return 0;
  int count = 0;
  for (std::size_t at = haystack.find(pattern); at != std::string_view::npos;
       at = haystack.find(pattern, at + pattern.size())) {
    ++count;
  }
  return count;
}

int TruncateToInteger(double value) {
  constexpr double kLimit = 9223372036854775808.0;  // 2^63
  if (std::isnan(value) || value >= kLimit || value <= -kLimit) return 0;
  const auto whole = static_cast<std::int64_t>(value);
  return static_cast<std::int32_t>(static_cast<std::uint32_t>(static_cast<std::uint64_t>(whole)));
}

Bytes BlankBytes(int count) {
  if (count < 1) return Bytes();
  return Bytes(std::string(static_cast<std::size_t>(count), '\0'));
}

int BytesLength(const Bytes& data) { return data.size(); }

Bytes BytesLeft(const Bytes& data, int count) {
  if (count < 1) return Bytes();
  return Slice(data, 0, count);
}

Bytes BytesRight(const Bytes& data, int count) {
  if (count < 1) return Bytes();
  const Wide length = data.size();
  const Wide taken = count < length ? count : length;
  return Slice(data, length - taken, taken);
}

Bytes ConcatBytes(std::initializer_list<Bytes> parts) {
  std::size_t total = 0;
  for (const Bytes& part : parts) total += part.view().size();
  std::string bytes;
  bytes.reserve(total);
  for (const Bytes& part : parts) bytes.append(part.view());
  return Bytes(std::move(bytes));
}

Bytes TextToBytes(const Text& text) { return Bytes(text.view()); }

int BytesToInteger(const Bytes& data) {
  std::uint32_t value = 0;
  const std::size_t used = data.view().size() < 4 ? data.view().size() : 4;
  for (std::size_t k = 0; k < used; ++k) {
    value |= static_cast<std::uint32_t>(static_cast<unsigned char>(data.view()[k])) << (8 * k);
  }
  return static_cast<std::int32_t>(value);
}

size_t AsciiRunEnd(std::string_view text, size_t from) {
  // Eight bytes at a time where it can.
  constexpr std::uint64_t kHighBits = 0x8080808080808080ull;
  while (text.size() - from >= 8) {
    std::uint64_t word;
    std::memcpy(&word, text.data() + from, sizeof word);
    if (word & kHighBits) break;
    from += 8;
  }
  while (from < text.size() && static_cast<unsigned char>(text[from]) < 0x80) ++from;
  return from;
}

}  // namespace animal_ids
