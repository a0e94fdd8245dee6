#pragma once

// Conversions between the network's UTF-8, UTF-16 and the ANSI code page in
// which every text of the program is held.

#include <optional>
#include <string>
#include <string_view>

#include "text/text.h"

namespace animal_ids {

// The document as ANSI text, ending at its first zero character or at the
// end of the data. A character the code page cannot hold becomes "?".
Text Utf8ToAnsi(const Bytes& data);

// A UTF-16 little-endian buffer as ANSI text, up to its first zero character.
Text WideToAnsi(const Bytes& wide);

// Conversions at the edges of the program: the terminal, the command line,
// the widgets, and the program's own UTF-8 source literals.
std::string AnsiToUtf8(const Text& text);
Text AnsiFromUtf8(std::string_view utf8);
std::u16string AnsiToWide(const Text& text);
Text AnsiFromWide(std::u16string_view wide);

// AnsiFromUtf8 of a text without a zero byte, a character at a time from a
// table the platform's conversion made once; nothing where a character is
// not two or three well-formed bytes of a character the code page holds as
// two bytes, and the text must then take the long way.
std::optional<Text> AnsiFromUtf8ByPairs(std::string_view utf8);

// The platform's two conversion primitives, one backend per platform.
// Decoding turns an invalid sequence into the platform's substitute (U+FFFD
// from iconv, "?" from the Windows functions); encoding turns a character the
// target cannot hold into the target's substitute ("?" for ANSI).
enum class CodePage { kAnsi, kUtf8 };
std::u16string DecodeToWide(CodePage codePage, std::string_view bytes);
std::string EncodeFromWide(CodePage codePage, std::u16string_view wide);

}  // namespace animal_ids
