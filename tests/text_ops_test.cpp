#include "text/text_ops.h"

#include <gtest/gtest.h>

#include <climits>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <limits>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "text/ansi_code_page.h"

namespace animal_ids {
namespace {

using namespace std::string_view_literals;

// Printable form of a text for failure messages: bytes of 0x80 and above in hex.
std::string Shown(std::string_view bytes) {
  std::string shown;
  for (unsigned char byte : bytes) {
    if (byte >= 0x20 && byte < 0x7F) {
      shown += static_cast<char>(byte);
    } else {
      char hex[8];
      std::snprintf(hex, sizeof hex, "\\x%02X", byte);
      shown += hex;
    }
  }
  return shown;
}

TEST(TextSlicing, ClampsPositionsAndCounts) {
  enum class Op { kLeft, kRight, kMid };
  struct Case {
    Op op;
    const char* text;
    int start;
    int count;
    const char* expected;
  };
  const Case cases[] = {
      {Op::kMid, "abcdef", 3, 2, "cd"},
      {Op::kMid, "abcdef", 5, 10, "ef"},
      {Op::kMid, "abcdef", 6, 1, "f"},
      {Op::kMid, "abcdef", 2, INT_MAX, "bcdef"},
      {Op::kMid, "abcdef", 0, 2, ""},
      {Op::kMid, "abcdef", -5, 3, ""},
      {Op::kMid, "abcdef", INT_MIN, INT_MAX, ""},
      {Op::kMid, "abcdef", 7, 1, ""},
      {Op::kMid, "abcdef", 3, 0, ""},
      {Op::kMid, "abcdef", 3, -1, ""},
      {Op::kMid, "", 1, 1, ""},
      // Pure byte operations: a double-byte character can be cut in two.
      {Op::kMid, "\xB6\xAF\xCE\xEF", 2, 2, "\xAF\xCE"},
      {Op::kLeft, "abcdef", 2, 0, "ab"},
      {Op::kLeft, "abcdef", 10, 0, "abcdef"},
      {Op::kLeft, "abcdef", INT_MAX, 0, "abcdef"},
      {Op::kLeft, "abcdef", 0, 0, ""},
      {Op::kLeft, "abcdef", -1, 0, ""},
      {Op::kLeft, "\xB6\xAF", 1, 0, "\xB6"},
      {Op::kRight, "abcdef", 2, 0, "ef"},
      {Op::kRight, "abcdef", 10, 0, "abcdef"},
      {Op::kRight, "abcdef", INT_MAX, 0, "abcdef"},
      {Op::kRight, "abcdef", 0, 0, ""},
      {Op::kRight, "abcdef", INT_MIN, 0, ""},
      {Op::kRight, "", 3, 0, ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << "op " << static_cast<int>(c.op) << " on \"" << Shown(c.text)
                                    << "\" with " << c.start << ", " << c.count);
    Text result;
    switch (c.op) {
      case Op::kLeft:
        result = TextLeft(Text(c.text), c.start);
        break;
      case Op::kRight:
        result = TextRight(Text(c.text), c.start);
        break;
      case Op::kMid:
        result = TextMid(Text(c.text), c.start, c.count);
        break;
    }
    EXPECT_EQ(Shown(result.view()), Shown(c.expected));
  }
}

TEST(TextLength, CountsBytesNotCharacters) {
  EXPECT_EQ(TextLength(Text()), 0);
  EXPECT_EQ(TextLength(Text(nullptr)), 0);
  EXPECT_EQ(TextLength(Text("a\xB6\xAF")), 3);
}

struct FindCase {
  const char* text;
  const char* needle;
  std::optional<int> start;
  bool ignoreCase;
  int expected;
};

int Find(const FindCase& c) {
  return c.start ? FindText(Text(c.text), Text(c.needle), *c.start, c.ignoreCase)
                 : FindText(Text(c.text), Text(c.needle), c.ignoreCase);
}

TEST(FindText, StartPositionsAndEmptyNeedle) {
  const FindCase cases[] = {
      {"abcabc", "b", std::nullopt, false, 2},
      {"abcabc", "b", 0, false, 2},
      {"abcabc", "b", 1, false, 2},
      {"abcabc", "b", -1, false, 2},
      {"abcabc", "b", INT_MIN, false, 2},
      {"abcabc", "b", 3, false, 5},
      // A match may begin at the start position itself.
      {"abcabc", "b", 5, false, 5},
      {"id=\"7\"", "\"", 6, false, 6},
      {"abcabc", "b", 6, false, -1},
      {"abcabc", "c", 6, false, 6},
      {"abcabc", "b", 7, false, -1},
      {"abcabc", "b", INT_MAX, false, -1},
      {"abc", "abcd", std::nullopt, false, -1},
      {"abc", "bc", std::nullopt, false, 2},
      {"", "a", std::nullopt, false, -1},
      // An empty needle gives 1 wherever the search starts, unless nothing is searched.
      {"0123456789", "", 5, false, 1},
      {"0123456789", "", 10, false, 1},
      {"0123456789", "", 11, false, -1},
      {"0123456789", "", std::nullopt, false, 1},
      {"", "", std::nullopt, false, -1},
      {"", "", 0, true, -1},
  };
  for (const FindCase& c : cases) {
    SCOPED_TRACE(testing::Message() << "\"" << c.needle << "\" in \"" << c.text << "\" from "
                                    << (c.start ? std::to_string(*c.start) : "omitted"));
    EXPECT_EQ(Find(c), c.expected);
  }
}

TEST(FindText, IgnoreCaseFoldsOnlyAsciiLettersOnEveryByte) {
  const char* headers = "Host: www.example.com\r\naccept: */*\r\n";
  const FindCase cases[] = {
      {headers, "Accept: ", 1, true, 24},
      {headers, "Accept: ", 1, false, -1},
      {"HTTP://WWW.EXAMPLE.COM/X", "www.example.com", 1, true, 8},
      {"HTTP://WWW.EXAMPLE.COM/X", "www.example.com", 1, false, -1},
      {"[\\]^_", "{|}~\x7F", 1, true, -1},
      // Full-width letters keep their case.
      {"\xA3\xE1", "\xA3\xC1", 1, true, -1},
      // The second byte of a double-byte character is folded too.
      {"\x81\x41", "\x81\x61", 1, true, 1},
      {"\x81\x41", "\x81\x61", 1, false, -1},
  };
  for (const FindCase& c : cases) {
    SCOPED_TRACE(testing::Message() << "\"" << Shown(c.needle) << "\" in \"" << Shown(c.text)
                                    << "\", ignoreCase " << c.ignoreCase);
    EXPECT_EQ(Find(c), c.expected);
  }
}

TEST(FindText, NeverMatchesOnSecondByteCountingFromStart) {
  const FindCase cases[] = {
      {"\x81\x61", "a", std::nullopt, false, -1},
      {"\x81\x7Az", "z", std::nullopt, false, 3},
      {"\x81\x7Az", "Z", std::nullopt, true, 3},
      // From the second byte, that byte is a character of its own.
      {"\x81\x7Az", "z", 2, false, 2},
      // A second byte of 0x80 or above read as a first byte hides the 'z' after it.
      {"\xB6\xAFz", "z", 2, false, -1},
      {"\xB6\xAFz", "z", 3, false, 3},
      {"\xB6\xCE\xEF", "\xCE\xEF", std::nullopt, false, -1},
      {"a\xB6\xAF\xCE\xEF", "\xCE\xEF", std::nullopt, false, 4},
      // A lone high last byte can still be matched, but the walk ends there.
      {"a\xB6", "\xB6", std::nullopt, false, 2},
      {"\xB6", "x", std::nullopt, false, -1},
      // Long ASCII runs around the characters, where the search skips ahead.
      {"0123456789abc\x81x0123456789012345x", "x", std::nullopt, false, 32},
      {"ghijklm\xB6ghijklmnopz", "g", std::nullopt, false, 1},
      {"ghijklm\xB6ghijklmnopz", "g", 2, false, -1},
      {"ghijklm\xB6ghijklmnopz", "h", 3, false, 10},
  };
  for (const FindCase& c : cases) {
    SCOPED_TRACE(testing::Message()
                 << "\"" << Shown(c.needle) << "\" in \"" << Shown(c.text) << "\" from "
                 << (c.start ? std::to_string(*c.start) : "omitted"));
    EXPECT_EQ(Find(c), c.expected);
  }
}

// The search as a plain walk, one candidate position at a time, to check the skipping search
// against on many texts.
int WalkingFind(std::string_view text, std::string_view needle, int start, bool ignoreCase) {
  const auto fold = [](unsigned char byte) {
    return byte >= 'A' && byte <= 'Z' ? byte + 0x20 : byte;
  };
  const int length = static_cast<int>(text.size());
  const int size = static_cast<int>(needle.size());
  int at = start - 1 > 0 ? start - 1 : 0;
  if (at >= length) return -1;
  if (size == 0) return 1;
  while (length - at >= size) {
    bool equal = true;
    for (int k = 0; k < size && equal; ++k) {
      const auto a = static_cast<unsigned char>(text[at + k]);
      const auto b = static_cast<unsigned char>(needle[k]);
      equal = ignoreCase ? fold(a) == fold(b) : a == b;
    }
    if (equal) return at + 1;
    if (static_cast<unsigned char>(text[at]) >= 0x80) {
      if (at == length - 1) return -1;
      at += 2;
    } else {
      at += 1;
    }
  }
  return -1;
}

TEST(FindText, AgreesWithPlainWalkOnMixedTexts) {
  const char* pieces[] = {"a", "A", "b", "\x81", "\xB6", "\xAF", "xxxxxxxxxxx"};
  constexpr int kPieces = sizeof pieces / sizeof pieces[0];
  std::uint32_t seed = 12345;
  const auto next = [&seed](int limit) {
    seed = seed * 1103515245u + 12345u;
    return static_cast<int>((seed >> 16) % static_cast<std::uint32_t>(limit));
  };
  for (int round = 0; round < 3000; ++round) {
    std::string text;
    for (int k = next(12); k > 0; --k) text += pieces[next(kPieces)];
    std::string needle;
    for (int k = 1 + next(2); k > 0; --k) needle += pieces[next(kPieces - 1)];
    const int start = next(static_cast<int>(text.size()) + 3) - 1;
    const bool ignoreCase = next(2) == 1;
    SCOPED_TRACE(testing::Message() << "\"" << Shown(needle) << "\" in \"" << Shown(text)
                                    << "\" from " << start << ", ignoreCase " << ignoreCase);
    ASSERT_EQ(FindText(Text(text), Text(needle), start, ignoreCase),
              WalkingFind(text, needle, start, ignoreCase));
  }
}

TEST(ReplaceTextAt, ClampsStartAndCount) {
  struct Case {
    const char* text;
    int start;
    int count;
    std::optional<const char*> replacement;
    const char* expected;
  };
  const Case cases[] = {
      {"http://host/x", 1, 7, std::nullopt, "host/x"},
      {"abcdef", 3, 100, std::nullopt, "ab"},
      {"abcdef", 3, INT_MAX, "Z", "abZ"},
      {"abc", 10, 0, "Z", "abcZ"},
      {"abc", 4, 5, "Z", "abcZ"},
      {"abc", INT_MAX, 1, "Z", "abcZ"},
      {"abc", 0, 1, "Z", "Zbc"},
      {"abc", -5, 1, std::nullopt, "bc"},
      {"abc", INT_MIN, 1, std::nullopt, "bc"},
      {"abc", 2, -1, "Z", "aZbc"},
      {"abc", 2, 0, "XY", "aXYbc"},
      {"abc", 2, 1, "XY", "aXYc"},
      {"", 1, 1, "Z", "Z"},
      {"\xB6\xAF", 2, 1, std::nullopt, "\xB6"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message()
                 << "\"" << Shown(c.text) << "\" at " << c.start << ", " << c.count);
    const Text text(c.text);
    const Text result = c.replacement ? ReplaceTextAt(text, c.start, c.count, Text(*c.replacement))
                                      : ReplaceTextAt(text, c.start, c.count);
    EXPECT_EQ(Shown(result.view()), Shown(c.expected));
    EXPECT_EQ(text, Text(c.text));
  }
}

TEST(CompareText, ComparesCharactersWithCodePageCase) {
  struct Case {
    const char* first;
    const char* second;
    bool caseSensitive;
    int sign;
  };
  const Case cases[] = {
      {"HTTP://", "http://", false, 0},
      {"HTTP://", "http://", true, -1},
      {"http:/", "http://", false, -1},
      {"http://x", "http://", false, 1},
      {"", "", true, 0},
      {"", "a", false, -1},
      {"abc", "abd", true, -1},
      {"b", "a", true, 1},
      // Only A to Z fold among single bytes.
      {"[", "{", false, -1},
      // Bytes of 0x80 and above that lead nothing are single characters.
      {"\xFFz", "\xFFZ", false, 0},
      {"\x80z", "\x80Z", false, 0},
      // Full-width Latin, Greek and Cyrillic letters match across case.
      {"\xA3\xC1\xA3\xDA", "\xA3\xE1\xA3\xFA", false, 0},
      {"\xA3\xC1", "\xA3\xE1", true, -1},
      {"\xA6\xA1", "\xA6\xC1", false, 0},
      {"\xA7\xA1", "\xA7\xD1", false, 0},
      // A lead byte with nothing after it ends the text.
      {"a\x81", "a", true, 0},
      {"a\x81", "a\x81", false, 0},
      // A double-byte character is one value, larger than any single byte.
      {"\xB0\xA1", "z", true, 1},
      {"\x81\x40", "\x80", true, 1},
      {"\xB0\xA1", "\xB0\xA2", true, -1},
      // A character the code page cannot map makes the texts unequal.
      {"\x81\x30", "\x81\x30", false, 1},
      {"\x81\x30", "\x81\x30", true, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << "\"" << Shown(c.first) << "\" and \"" << Shown(c.second)
                                    << "\", caseSensitive " << c.caseSensitive);
    const int result = CompareText(Text(c.first), Text(c.second), c.caseSensitive);
    EXPECT_EQ((result > 0) - (result < 0), c.sign);
  }
}

TEST(CodePage936, LeadBytesAndUpperCase) {
  EXPECT_FALSE(IsAnsiLeadByte(0x7F));
  EXPECT_FALSE(IsAnsiLeadByte(0x80));
  EXPECT_TRUE(IsAnsiLeadByte(0x81));
  EXPECT_TRUE(IsAnsiLeadByte(0xFE));
  EXPECT_FALSE(IsAnsiLeadByte(0xFF));

  struct Case {
    int character;
    int upper;
  };
  const Case cases[] = {
      {0xA3E1, 0xA3C1}, {0xA3FA, 0xA3DA}, {0xA3C1, 0xA3C1}, {0xA3E0, 0xA3E0}, {0xA3FB, 0xA3FB},
      {0xA6C1, 0xA6A1}, {0xA6D8, 0xA6B8}, {0xA6D9, 0xA6D9}, {0xA7D1, 0xA7A1}, {0xA7F1, 0xA7C1},
      {0xA7F2, 0xA7F2}, {0xB6AF, 0xB6AF}, {0x8140, 0x8140}, {0x81FE, 0x81FE}, {0x817F, -1},
      {0x81FF, -1},     {0x8130, -1},     {0x8040, -1},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(AnsiDoubleByteToUpper(c.character), c.upper) << std::hex << c.character;
  }
}

TEST(CaseChange, ChangesOnlyAsciiLettersOutsideDoubleByteCharacters) {
  struct Case {
    const char* text;
    const char* upper;
    const char* lower;
  };
  const Case cases[] = {
      {"post", "POST", "post"},
      {"Post", "POST", "post"},
      {"@[`{az AZ", "@[`{AZ AZ", "@[`{az az"},
      // The second bytes here have the values of letters and stay as they are.
      {"a\x81zq\xB6\xAF", "A\x81zQ\xB6\xAF", "a\x81zq\xB6\xAF"},
      {"A\x81ZQ", "A\x81ZQ", "a\x81Zq"},
      {"\xA3\xE1\xA3\xC1", "\xA3\xE1\xA3\xC1", "\xA3\xE1\xA3\xC1"},
      {"\xC0\xE0", "\xC0\xE0", "\xC0\xE0"},
      {"ab\xB6", "AB\xB6", "ab\xB6"},
      {"", "", ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(Shown(c.text));
    EXPECT_EQ(Shown(ToUpper(Text(c.text)).view()), Shown(c.upper));
    EXPECT_EQ(Shown(ToLower(Text(c.text)).view()), Shown(c.lower));
  }
}

TEST(ToNumber, ReadsLeadingDecimalNumber) {
  constexpr double kInfinity = std::numeric_limits<double>::infinity();
  struct Case {
    const char* text;
    double expected;
  };
  const Case cases[] = {
      {"80", 80},
      {"", 0},
      {"  42abc", 42},
      {" \t\n\v\f\r7", 7},
      {"115</id>", 115},
      {"abc", 0},
      {"x12", 0},
      {"+3", 3},
      {"-12.25", -12.25},
      {"-.5", -0.5},
      {"5.", 5},
      {"1,5", 1},
      {".", 0},
      {"-", 0},
      {"- 5", 0},
      {"1.5e2", 150},
      {"1.5E+2x", 150},
      {"1.5d2", 150},
      {"25D-1", 2.5},
      {"1e", 1},
      {"1e+", 1},
      {"2ex", 2},
      {".e5", 0},
      // Forms strtod reads that are no number here.
      {"0x1A", 0},
      {"inf", 0},
      {"nan", 0},
      {"infinity", 0},
      // Full-width digits, signs, point and exponent read like ASCII.
      {"\xA3\xB1\xA3\xB1\xA3\xB5", 115},
      {"\xA3\xAD\xA3\xB5", -5},
      {"\xA3\xAE\xA3\xB5", 0.5},
      {"1\xA3\xE5\xA3\xB2", 100},
      {"\xA1\xA1\xA1\xA1\x31\x32", 12},
      {"\xA3\xB1\x32", 12},
      // Other double-byte characters stop the number.
      {"\xB6\xAF\x35", 0},
      {"5\xB6\xAF\x35", 5},
      {"12\xA3", 12},
      {"\xA3", 0},
      // Beyond the range of a real.
      {"1e400", kInfinity},
      {"-1e400", -kInfinity},
      {"123456789e99999999999999", kInfinity},
      {"1e-400", 0},
      {"0.000001e-99999999999999", 0},
      {"0e99999", 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(Shown(c.text));
    EXPECT_EQ(ToNumber(Text(c.text)), c.expected);
  }
}

TEST(NumberToText, WritesPlainDecimal) {
  struct Case {
    int value;
    const char* expected;
  };
  const Case cases[] = {
      {0, "0"}, {57, "57"}, {-3, "-3"}, {INT_MAX, "2147483647"}, {INT_MIN, "-2147483648"},
  };
  for (const Case& c : cases) EXPECT_EQ(NumberToText(c.value), Text(c.expected)) << c.value;
}

TEST(TruncateToInteger, TruncatesToSixtyFourBitsAndKeepsLow32) {
  constexpr double kTwoTo62 = 4611686018427387904.0;
  constexpr double kTwoTo63 = 9223372036854775808.0;
  struct Case {
    double value;
    int expected;
  };
  const Case cases[] = {
      {115.0, 115},
      {-0.5, 0},
      {2.9, 2},
      {-2.9, -2},
      {2147483647.9, INT_MAX},
      {2147483648.0, INT_MIN},
      {-2147483649.0, INT_MAX},
      {4294967301.0, 5},
      {kTwoTo62 + 2147483648.0, INT_MIN},
      {kTwoTo62 + 1024.0, 1024},
      {-kTwoTo62 - 1024.0, -1024},
      {kTwoTo63, 0},
      {-kTwoTo63, 0},
      {1e300, 0},
      {std::numeric_limits<double>::infinity(), 0},
      {-std::numeric_limits<double>::infinity(), 0},
      {std::numeric_limits<double>::quiet_NaN(), 0},
  };
  for (const Case& c : cases) EXPECT_EQ(TruncateToInteger(c.value), c.expected) << c.value;
}

TEST(BlankAndConcat, BuildTextsAndByteStrings) {
  EXPECT_EQ(BlankText(1024), Text(std::string(1024, ' ')));
  EXPECT_EQ(BlankText(0), Text());
  EXPECT_EQ(BlankText(-1), Text());

  EXPECT_EQ(ConcatText(Text("ab"), Text(), "c", Text("\xB6\xAF")), Text("abc\xB6\xAF"));
  EXPECT_EQ(ConcatText(Text(), Text()), Text());

  const Bytes withZeros(std::string("a\0b", 3));
  EXPECT_EQ(BlankBytes(3), Bytes(std::string(3, '\0')));
  EXPECT_EQ(BlankBytes(0), Bytes());
  EXPECT_EQ(BlankBytes(-2), Bytes());
  EXPECT_EQ(ConcatBytes(Bytes(), Bytes()), Bytes());
  EXPECT_EQ(ConcatBytes(Bytes(), Bytes("xyz"sv)), Bytes("xyz"sv));
  EXPECT_EQ(ConcatBytes(withZeros, Bytes(), withZeros), Bytes(std::string("a\0ba\0b", 6)));
}

TEST(CountOccurrences, CountsNonOverlappingByteMatches) {
  struct Case {
    const char* text;
    const char* needle;
    int expected;
  };
  const Case cases[] = {
      {"<animal id=\"1\"></animal><animal></animal>x</animal>", "</animal>", 3},
      {"", "</animal>", 0},
      {"abc", "", 0},
      {"", "", 0},
      {"</ANIMAL></animal>", "</animal>", 1},
      {"aaaa", "aa", 2},
      {"aaa", "aa", 1},
      {"abababa", "aba", 2},
      {"ab", "abc", 0},
      // Byte-wise: a match may begin on the second byte of a character.
      {"\x81\x61\x81\x61", "a", 2},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message()
                 << "\"" << Shown(c.needle) << "\" in \"" << Shown(c.text) << "\"");
    EXPECT_EQ(CountOccurrences(Text(c.text), Text(c.needle)), c.expected);
  }
}

TEST(ByteStrings, ClampCountsAndKeepZeroBytes) {
  const Bytes buffer = BlankBytes(512);
  EXPECT_EQ(BytesLeft(buffer, 0), Bytes());
  EXPECT_EQ(BytesLeft(buffer, 100), BlankBytes(100));
  EXPECT_EQ(BytesLeft(Bytes("abc"sv), 10), Bytes("abc"sv));
  EXPECT_EQ(BytesLeft(Bytes("abc"sv), -1), Bytes());
  EXPECT_EQ(BytesRight(Bytes("abc"sv), 1), Bytes("c"sv));
  EXPECT_EQ(BytesRight(Bytes("abc"sv), INT_MAX), Bytes("abc"sv));
  EXPECT_EQ(BytesRight(Bytes("abc"sv), INT_MIN), Bytes());
  EXPECT_EQ(BytesRight(Bytes(), 1), Bytes());
  EXPECT_EQ(BytesRight(Bytes(std::string("a\0\0", 3)), 2), Bytes(std::string(2, '\0')));
  EXPECT_EQ(BytesLength(Bytes(std::string("\0\0\0", 3))), 3);
  EXPECT_EQ(BytesLength(Bytes()), 0);

  EXPECT_EQ(TextToBytes(Text()), Bytes());
  EXPECT_EQ(TextToBytes(Text("a\xB6\xAF")), Bytes("a\xB6\xAF"sv));
  EXPECT_EQ(BytesLength(TextToBytes(Text("abc"))), 3);
}

TEST(BytesToInteger, ReadsUpToFourBytesLittleEndian) {
  struct Case {
    std::string bytes;
    int expected;
  };
  const Case cases[] = {
      {"\xE6", 230},
      {"", 0},
      {"\x01\x02", 0x0201},
      {"\x01\x02\x03", 0x030201},
      {"\x78\x56\x34\x12\xFF", 0x12345678},
      {"\xFF\xFF\xFF\xFF", -1},
      {std::string("\0\0\0\x80", 4), INT_MIN},
      {std::string("\0\x01", 2), 256},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(BytesToInteger(Bytes(c.bytes)), c.expected) << Shown(c.bytes);
  }
}

}  // namespace
}  // namespace animal_ids
