// UTF-8 to ANSI on any bytes: never a zero byte out, never more bytes than
// went in, text that survives the way back unchanged, and the
// catalogue's faster conversion in agreement.

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "catalogue/catalogue.h"
#include "web/codepage.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace animal_ids;
  const std::string_view bytes(reinterpret_cast<const char*>(data), size);
  const Text ansi = Utf8ToAnsi(Bytes(bytes));
  if (ansi.view().find('\0') != std::string_view::npos) std::abort();
  if (static_cast<std::size_t>(ansi.size()) > size) std::abort();
  // Whatever came out is ANSI text that goes to UTF-8 and back unchanged.
  if (AnsiFromUtf8(AnsiToUtf8(ansi)) != ansi) std::abort();
  // The catalogue's own conversion gives the same text wherever it may be used.
  if (bytes.find('\0') == std::string_view::npos && DocumentToAnsi(bytes) != ansi) std::abort();
  const Text wide = WideToAnsi(Bytes(bytes));
  if (static_cast<std::size_t>(wide.size()) > size) std::abort();
  return 0;
}
