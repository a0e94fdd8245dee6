#include "web/codepage.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>

#include "tests/case_names.h"

namespace animal_ids {
namespace {

using testing::PrintTo;

using namespace std::string_literals;

// The substitute for what a code page cannot hold is the platform's own:
// iconv and the Windows functions differ on a few inputs, and windowsAnsi
// is what the Windows functions make of those.
struct Utf8Case {
  const char* what;
  std::string utf8;
  std::string ansi;
  std::string windowsAnsi = "";
};

const Utf8Case kUtf8Cases[] = {
    {"empty data", "", ""},
    {"a Chinese character and CR LF", "\xE7\xBE\x8A\r\n", "\xD1\xF2\r\n"},
    {"the text ends at a zero byte", "ab\0cd"s, "ab"},
    {"ends in a multi-byte character, no terminator", "x\xE7\xBE\x8A", "x\xD1\xF2"},
    {"a byte-order mark has no equivalent", "\xEF\xBB\xBF<a/>", "?<a/>"},
    {"a character 936 cannot hold", "a\xE0\xB8\x81z", "a?z"},
    {"a character outside the basic plane is substituted", "a\xF0\x9F\x90\x91z", "a?z", "a??z"},
    {"invalid UTF-8 becomes a substitute", "a\xFFz", "a?z"},
    {"the euro sign has its code page 936 byte", "\xE2\x82\xAC", "\x80"},
    {"full-width digits", "\xEF\xBC\x91\xEF\xBC\x95", "\xA3\xB1\xA3\xB5"},
};

class Utf8ToAnsiCases : public ::testing::TestWithParam<Utf8Case> {};

TEST_P(Utf8ToAnsiCases, Converts) {
  const Utf8Case& c = GetParam();
  std::string converted = Utf8ToAnsi(Bytes(c.utf8)).str();
  if (c.windowsAnsi.empty() || converted != c.windowsAnsi) {
    EXPECT_EQ(converted, c.ansi) << c.what;
  }
}

INSTANTIATE_TEST_SUITE_P(Cases, Utf8ToAnsiCases, ::testing::ValuesIn(kUtf8Cases));

// The output is as long as the conversion makes it, not two bytes a unit.
TEST(Utf8ToAnsi, SizesTheOutputFromTheConversion) {
  std::string ascii(300000, 'a');
  EXPECT_EQ(Utf8ToAnsi(Bytes(ascii)).size(), 300000);
  std::string sheep;
  for (int i = 0; i < 100000; ++i) sheep += "\xE7\xBE\x8A";
  Text converted = Utf8ToAnsi(Bytes(sheep));
  ASSERT_EQ(converted.size(), 200000);
  EXPECT_EQ(converted.str().substr(199998), "\xD1\xF2");
}

TEST(WideToAnsi, StopsAtTheFirstZeroCharacter) {
  const std::string wide =
      "\x8A\x7F"
      "a\0"
      "\0\0"
      "b\0"s;  // 羊 a NUL b
  EXPECT_EQ(WideToAnsi(Bytes(wide)).str(),
            "\xD1\xF2"
            "a");
  EXPECT_EQ(WideToAnsi(Bytes()).str(), "");
}

TEST(AnsiToUtf8, RoundTripsWhatTheCodePageHolds) {
  const std::string utf8 = "动物ID:1005----羊\r\n";
  Text ansi = AnsiFromUtf8(utf8);
  EXPECT_EQ(ansi.str(),
            "\xB6\xAF\xCE\xEF"
            "ID:1005----\xD1\xF2\r\n");
  EXPECT_EQ(AnsiToUtf8(ansi), utf8);
  EXPECT_EQ(AnsiFromWide(AnsiToWide(ansi)), ansi);
}

TEST(AnsiToUtf8, AnInvalidByteBecomesASubstitute) {
  // A lead byte at the very end has no second byte: iconv's U+FFFD or the Windows "?".
  std::string converted = AnsiToUtf8(Text("a\xD1"));
  EXPECT_TRUE(converted == "a\xEF\xBF\xBD" || converted == "a?") << converted;
}

}  // namespace
}  // namespace animal_ids

namespace animal_ids {
namespace {

// A long text is decoded a character at a time from a table of pairs; it
// must come out exactly as the platform's conversion makes it of the whole.
struct LongAnsiCase {
  const char* what;
  std::string piece;  // repeated past the length where the table is used
  std::string tail = {};
};

using testing::PrintTo;

class LongAnsiText : public ::testing::TestWithParam<LongAnsiCase> {};

TEST_P(LongAnsiText, DecodesAsThePlatformDoesOfTheWhole) {
  std::string text;
  while (text.size() < 10000) text += GetParam().piece;
  text += GetParam().tail;
  const std::u16string whole = DecodeToWide(CodePage::kAnsi, text);
  EXPECT_EQ(AnsiToWide(Text(text)), whole);
  EXPECT_EQ(AnsiToUtf8(Text(text)), EncodeFromWide(CodePage::kUtf8, whole));
}

INSTANTIATE_TEST_SUITE_P(
    Cases, LongAnsiText,
    ::testing::Values(
        LongAnsiCase{"list_lines", "\xB6\xAF\xCE\xEF" "ID:1005----\xD1\xF2\r\n"},
        LongAnsiCase{"ascii_only", "ID:1005----sheep\r\n"},
        // 丂: a second byte in the ASCII range.
        LongAnsiCase{"ascii_second_byte", "\x81\x40" "a"},
        LongAnsiCase{"lead_byte_before_a_space", "\x81 x"},
        LongAnsiCase{"byte_0x80", "a\x80" "b"},
        LongAnsiCase{"byte_0xff", "a\xFF" "b"},
        LongAnsiCase{"unassigned_pair", "\xA2\xA0" "z"},
        LongAnsiCase{"lead_byte_at_the_very_end", "a", "\xD1"}));

}  // namespace
}  // namespace animal_ids

namespace animal_ids {
namespace {

// The table's way from UTF-8 either gives what the platform's conversion
// gives, or nothing, and the text takes the long way.
struct ByPairsCase {
  const char* what;
  std::string utf8;
  bool byTable;
};

class AnsiFromUtf8ByPairsCases : public ::testing::TestWithParam<ByPairsCase> {};

TEST_P(AnsiFromUtf8ByPairsCases, GivesThePlatformsConversionOrNothing) {
  const ByPairsCase& c = GetParam();
  const std::optional<Text> ansi = AnsiFromUtf8ByPairs(c.utf8);
  EXPECT_EQ(ansi.has_value(), c.byTable);
  if (ansi) {
    EXPECT_EQ(*ansi, AnsiFromUtf8(c.utf8));
  }
}

INSTANTIATE_TEST_SUITE_P(
    Cases, AnsiFromUtf8ByPairsCases,
    ::testing::Values(
        ByPairsCase{"catalogue", "<animal id=\"1005\" name=\"羊\" price=\"50\">\n</animal>\n", true},
        ByPairsCase{"ascii", "plain text, eight bytes and more", true},
        ByPairsCase{"empty", "", true},
        ByPairsCase{"two_byte_sequence", "\xC2\xA7 \xC3\xA9", true},  // § é
        ByPairsCase{"gbk_extension", "\xE4\xB8\x82", true},          // 丂
        ByPairsCase{"zero_byte", "a\0b"s, false},
        ByPairsCase{"invalid_byte", "a\xFF" "b", false},
        ByPairsCase{"cut_sequence", "\xE7\xBE", false},
        ByPairsCase{"overlong", "\xE0\x80\xAF", false},
        ByPairsCase{"surrogate", "\xED\xA0\x80", false},
        ByPairsCase{"four_byte_sequence", "\xF0\x9F\x90\x91", false},  // a sheep emoji
        ByPairsCase{"not_in_the_code_page", "\xED\x95\x9C", false}));  // 한

}  // namespace
}  // namespace animal_ids
