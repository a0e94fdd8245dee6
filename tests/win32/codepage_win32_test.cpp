#include <gtest/gtest.h>
#include <windows.h>

#include <string>

#include "web/codepage.h"

// The Windows conversions follow the machine's ANSI code page, whichever it
// is: this program runs once with code page 936 and once with 1252.

namespace animal_ids {
namespace {

struct ByCodePage {
  const char* what;
  const char* utf8;
  const char* in936;
  const char* in1252;
};

const ByCodePage kCases[] = {
    {"a Chinese character", "\xE7\xBE\x8A", "\xD1\xF2", "?"},
    {"a Latin letter with an accent", "\xC3\xA9", "\xA8\xA6", "\xE9"},
    {"the euro sign", "\xE2\x82\xAC", "\x80", "\x80"},
    {"ASCII and a line end", "id=1\r\n", "id=1\r\n", "id=1\r\n"},
};

TEST(MachineCodePage, ConvertsIntoTheAnsiCodePageOfTheMachine) {
  UINT page = GetACP();
  ASSERT_TRUE(page == 936 || page == 1252) << "code page " << page;
  for (const ByCodePage& c : kCases) {
    std::string expected = page == 936 ? c.in936 : c.in1252;
    Text ansi = Utf8ToAnsi(Bytes(c.utf8));
    EXPECT_EQ(ansi.str(), expected) << c.what;
    if (expected.find('?') == std::string::npos) {
      EXPECT_EQ(AnsiToUtf8(ansi), c.utf8) << c.what;
    }
  }
}

}  // namespace
}  // namespace animal_ids
