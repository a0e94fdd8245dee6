#pragma once

// What the text operations need to know of the ANSI code page: which bytes
// start a two-byte character, and how a two-byte character changes case.
// One backend per platform: the fixed rules of code page 936, or the system's.

namespace animal_ids {

bool IsAnsiLeadByte(unsigned char byte);

// The upper-case form of a two-byte character (lead * 256 + trail); the
// character itself when it has no other case, -1 when it cannot be mapped.
int AnsiDoubleByteToUpper(int character);

}  // namespace animal_ids
