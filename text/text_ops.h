#pragma once

// The text and byte-string operations every handler is written against.
// Positions are 1-based byte positions, a failed search gives -1 (never 0),
// and out-of-range positions and counts are clamped, never reported.

#include <cstddef>
#include <cstdint>
#include <initializer_list>
#include <string_view>

#include "text/text.h"

namespace animal_ids {

int TextLength(const Text& text);
Text TextLeft(const Text& text, int count);
Text TextRight(const Text& text, int count);
Text TextMid(const Text& text, int start, int count);

// Searches from the first byte when start is omitted or below 1. A byte of
// 0x80 or above starts a two-byte character, whose second byte never starts a
// match; characters are counted from the search start.
int FindText(const Text& text, const Text& needle, bool ignoreCase);
int FindText(const Text& text, const Text& needle, int start, bool ignoreCase);

// Removes count bytes at start and inserts replacement there.
Text ReplaceTextAt(const Text& text, int start, int count, const Text& replacement = Text());

// Compares character by character with the ANSI code page's lead bytes;
// negative, 0 or positive.
int CompareText(const Text& first, const Text& second, bool caseSensitive);

Text ToUpper(const Text& text);
Text ToLower(const Text& text);

// The decimal number at the start of the text (full-width forms read like
// ASCII), 0 when there is none.
double ToNumber(const Text& text);
Text NumberToText(int value);
Text BlankText(int count);
Text ConcatText(std::initializer_list<Text> parts);
template <typename... Parts>
Text ConcatText(const Text& first, const Text& second, const Parts&... rest) {
  return ConcatText({first, second, Text(rest)...});
}

// Non-overlapping, case-sensitive, byte-wise matches.
int CountOccurrences(const Text& text, const Text& needle);

// Truncates toward zero to 64 bits and keeps the low 32; out of range and NaN give 0.
int TruncateToInteger(double value);

Bytes BlankBytes(int count);
int BytesLength(const Bytes& data);
Bytes BytesLeft(const Bytes& data, int count);
Bytes BytesRight(const Bytes& data, int count);
Bytes ConcatBytes(std::initializer_list<Bytes> parts);
template <typename... Parts>
Bytes ConcatBytes(const Bytes& first, const Bytes& second, const Parts&... rest) {
  return ConcatBytes({first, second, Bytes(rest)...});
}
Bytes TextToBytes(const Text& text);

// The first four bytes as a little-endian signed integer; missing bytes count as zero.
int BytesToInteger(const Bytes& data);

// For the passes over whole documents (0-based offsets): the end of the run
// of bytes below 0x80 that starts at from, the text's size when it runs to
// the end.
size_t AsciiRunEnd(std::string_view text, size_t from);

}  // namespace animal_ids
