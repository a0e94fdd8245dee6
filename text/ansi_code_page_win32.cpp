#include <windows.h>

#include "text/ansi_code_page.h"

// The system's ANSI code page, as the machine is set up: its lead bytes and
// its letters' cases come from the system, so the program is right wherever
// the code page is not 936.

namespace animal_ids {

bool IsAnsiLeadByte(unsigned char byte) { return IsDBCSLeadByte(byte) != FALSE; }

int AnsiDoubleByteToUpper(int character) {
  if (character < 0 || character > 0xFFFF) return -1;
  const char bytes[2] = {static_cast<char>(character >> 8), static_cast<char>(character & 0xFF)};
  if (!IsAnsiLeadByte(static_cast<unsigned char>(bytes[0]))) return -1;
  wchar_t wide[2];
  int units = MultiByteToWideChar(CP_ACP, MB_ERR_INVALID_CHARS, bytes, 2, wide, 2);
  if (units != 1) return -1;
  wchar_t upper[2];
  if (LCMapStringW(LOCALE_INVARIANT, LCMAP_UPPERCASE, wide, 1, upper, 2) != 1) return character;
  if (upper[0] == wide[0]) return character;
  char back[4];
  BOOL usedDefault = FALSE;
  int length = WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, upper, 1, back, sizeof back,
                                   nullptr, &usedDefault);
  // An upper case the code page holds only as another width is no upper case here.
  if (length != 2 || usedDefault) return character;
  return (static_cast<unsigned char>(back[0]) << 8) | static_cast<unsigned char>(back[1]);
}

}  // namespace animal_ids
