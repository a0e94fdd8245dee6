// The text operations with fuzzed texts, positions and counts, held against
// plain reference versions of their edge rules.

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>

#include "fuzz/fuzz_input.h"
#include "text/text_ops.h"

namespace animal_ids {
namespace {

// Names the rule that broke before the fuzzer records the input.
#define Check(holds)                                                    \
  do {                                                                  \
    if (!(holds)) {                                                     \
      std::fprintf(stderr, "broken: %s (line %d)\n", #holds, __LINE__); \
      std::abort();                                                     \
    }                                                                   \
  } while (false)

unsigned char Fold(unsigned char c) { return c >= 'A' && c <= 'Z' ? c + 0x20 : c; }

// FindText as its rules say, one character at a time from the search start.
int ReferenceFind(std::string_view text, std::string_view needle, long long start,
                  bool ignoreCase) {
  long long at = start < 1 ? 0 : start - 1;
  if (at >= static_cast<long long>(text.size())) return -1;
  if (needle.empty()) return 1;
  for (auto i = static_cast<std::size_t>(at); i + needle.size() <= text.size();) {
    bool match = true;
    for (std::size_t k = 0; k < needle.size() && match; ++k) {
      auto a = static_cast<unsigned char>(text[i + k]);
      auto b = static_cast<unsigned char>(needle[k]);
      match = ignoreCase ? Fold(a) == Fold(b) : a == b;
    }
    if (match) return static_cast<int>(i + 1);
    i += static_cast<unsigned char>(text[i]) >= 0x80 ? 2 : 1;
  }
  return -1;
}

int ReferenceCount(std::string_view text, std::string_view needle) {
  if (needle.empty() || text.empty()) return 0;
  int count = 0;
  for (std::size_t i = 0; i + needle.size() <= text.size();) {
    if (text.substr(i, needle.size()) == needle) {
      ++count;
      i += needle.size();
    } else {
      ++i;
    }
  }
  return count;
}

// The bytes a 1-based start and a count select, clamped as the operations clamp.
std::string_view ReferenceMid(std::string_view text, long long start, long long count) {
  if (start < 1 || start > static_cast<long long>(text.size()) || count < 1) return {};
  return text.substr(static_cast<std::size_t>(start - 1), static_cast<std::size_t>(count));
}

}  // namespace
}  // namespace animal_ids

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace animal_ids;
  fuzz::Input in(data, size);
  const int start = in.Number();
  const int count = in.Number();
  const bool ignoreCase = in.Flag();
  const Text text(in.Piece());
  const Text needle(in.Piece());
  const std::string_view t = text.view();
  const long long length = static_cast<long long>(t.size());

  const int found = FindText(text, needle, start, ignoreCase);
  Check(found == ReferenceFind(t, needle.view(), start, ignoreCase));
  Check(FindText(text, needle, ignoreCase) == ReferenceFind(t, needle.view(), 0, ignoreCase));
  Check(CountOccurrences(text, needle) == ReferenceCount(t, needle.view()));
  // Long texts take another path: the text repeated past 1 KiB, the needle from the same bytes.
  if (!t.empty()) {
    std::string repeated;
    while (repeated.size() < 1100) repeated += t;
    const Text longText(std::move(repeated));
    Check(FindText(longText, needle, start, false) ==
          ReferenceFind(longText.view(), needle.view(), start, false));
    const Text tail = TextRight(longText, TextLength(needle) + (count & 7));
    Check(FindText(longText, tail, start, false) ==
          ReferenceFind(longText.view(), tail.view(), start, false));
  }

  Check(TextMid(text, start, count).view() == ReferenceMid(t, start, count));
  Check(TextLeft(text, count).view() == ReferenceMid(t, 1, count));
  const Text right = TextRight(text, count);
  Check(right.size() == (count < 1 ? 0 : std::min<long long>(count, length)));
  Check(t.substr(t.size() - static_cast<std::size_t>(right.size())) == right.view());

  const Text replaced = ReplaceTextAt(text, start, count, needle);
  const long long at = std::clamp<long long>(static_cast<long long>(start) - 1, 0, length);
  const long long removed = count < 0 ? 0 : std::min<long long>(count, length - at);
  Check(replaced.size() == length - removed + needle.size());
  Check(replaced.view().substr(0, static_cast<std::size_t>(at)) ==
        t.substr(0, static_cast<std::size_t>(at)));

  const int compared = CompareText(text, needle, !ignoreCase);
  Check((compared == 0) == (CompareText(needle, text, !ignoreCase) == 0));
  // Case-blind, a character the code page cannot map makes even equal texts unequal.
  if (text == needle && !ignoreCase) Check(compared == 0);

  const Text upper = ToUpper(text), lower = ToLower(text);
  Check(upper.size() == length && lower.size() == length);
  Check(ToUpper(lower) == upper);

  const double number = ToNumber(text);
  if (number != number) Check(TruncateToInteger(number) == 0);
  Check(TextLength(NumberToText(count)) <= 11);
  Check(ToNumber(NumberToText(count)) == count);
  if (count < 1 << 20) {
    Check(BlankText(count).size() == std::max(count, 0));
    Check(BlankBytes(count).size() == std::max(count, 0));
  }

  const Bytes bytes(in.Rest());
  Check(BytesLeft(bytes, count).size() == std::clamp<long long>(count, 0, bytes.size()));
  Check(BytesRight(bytes, count).size() == std::clamp<long long>(count, 0, bytes.size()));
  Check(ConcatBytes(bytes, TextToBytes(text)).size() == bytes.size() + length);
  Check(ConcatText(text, needle).size() == length + needle.size());
  int value = BytesToInteger(bytes);
  if (bytes.empty()) Check(value == 0);
  return 0;
}
