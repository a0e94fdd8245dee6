#include "text/ansi_code_page.h"

namespace animal_ids {

namespace {

struct CaseRange {
  int firstLower;
  int lastLower;
  int firstUpper;
};

// The letters of code page 936 that have two cases: full-width Latin, Greek and Cyrillic.
constexpr CaseRange kCaseRanges[] = {
    {0xA3E1, 0xA3FA, 0xA3C1},
    {0xA6C1, 0xA6D8, 0xA6A1},
    {0xA7D1, 0xA7F1, 0xA7A1},
};

bool IsTrailByte(int byte) {
  return (byte >= 0x40 && byte <= 0x7E) || (byte >= 0x80 && byte <= 0xFE);
}

}  // namespace

bool IsAnsiLeadByte(unsigned char byte) { return byte >= 0x81 && byte <= 0xFE; }

int AnsiDoubleByteToUpper(int character) {
  if (character < 0 || character > 0xFFFF) return -1;
  if (!IsAnsiLeadByte(static_cast<unsigned char>(character >> 8)) ||
      !IsTrailByte(character & 0xFF)) {
    return -1;
  }
  for (const CaseRange& range : kCaseRanges) {
    if (character >= range.firstLower && character <= range.lastLower) {
      return character - range.firstLower + range.firstUpper;
    }
  }
  return character;
}

}  // namespace animal_ids
