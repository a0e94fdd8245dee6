#include <errno.h>
#include <iconv.h>

#include <algorithm>
#include <bit>
#include <cstddef>
#include <stdexcept>
#include <string>

#include "web/codepage.h"

// The ANSI code page of the Linux program is 936, whatever the locale says.

namespace animal_ids {
namespace {

// UTF-16 travels through iconv in the machine's own units.
static_assert(std::endian::native == std::endian::little, "UTF-16LE is the native form");

const char* CodeSetName(CodePage codePage) {
  return codePage == CodePage::kAnsi ? "CP936" : "UTF-8";
}

class Converter {
 public:
  Converter(const char* to, const char* from) : handle_(iconv_open(to, from)) {
    if (handle_ == reinterpret_cast<iconv_t>(-1)) throw std::runtime_error("iconv_open failed");
  }
  ~Converter() { iconv_close(handle_); }
  Converter(const Converter&) = delete;
  Converter& operator=(const Converter&) = delete;

  // Converts all of the input into an output that starts at the expected
  // number of units and grows as the conversion asks. skip(in, left) tells
  // how many input bytes an invalid or unconvertible sequence takes;
  // substitute is what stands for it.
  template <typename Output, typename Skip>
  Output Run(const char* input, size_t inputBytes, size_t expected,
             const typename Output::value_type* substitute, size_t substituteUnits, Skip skip) {
    using Unit = typename Output::value_type;
    Output output(expected + 16, Unit{});
    char* in = const_cast<char*>(input);
    size_t inLeft = inputBytes;
    size_t doneBytes = 0;
    while (inLeft > 0) {
      char* out = reinterpret_cast<char*>(output.data()) + doneBytes;
      size_t outLeft = output.size() * sizeof(Unit) - doneBytes;
      size_t result = iconv(handle_, &in, &inLeft, &out, &outLeft);
      doneBytes = output.size() * sizeof(Unit) - outLeft;
      if (result != static_cast<size_t>(-1)) break;
      size_t done = doneBytes / sizeof(Unit);
      if (errno == E2BIG) {
        output.resize(output.size() * 2);
        continue;
      }
      size_t n = std::min(inLeft, skip(in, inLeft));
      in += n;
      inLeft -= n;
      if (output.size() - done < substituteUnits + 16) output.resize(output.size() * 2 + 16);
      std::copy_n(substitute, substituteUnits, output.begin() + static_cast<std::ptrdiff_t>(done));
      doneBytes = (done + substituteUnits) * sizeof(Unit);
    }
    output.resize(doneBytes / sizeof(Unit));
    return output;
  }

 private:
  iconv_t handle_;
};

}  // namespace

std::u16string DecodeToWide(CodePage codePage, std::string_view bytes) {
  Converter converter("UTF-16LE", CodeSetName(codePage));
  static constexpr char16_t kReplacement = u'\uFFFD';
  // A byte never becomes more than one unit; an invalid one becomes one replacement.
  return converter.Run<std::u16string>(bytes.data(), bytes.size(), bytes.size(), &kReplacement, 1,
                                       [](const char*, size_t) { return size_t{1}; });
}

std::string EncodeFromWide(CodePage codePage, std::u16string_view wide) {
  Converter converter(CodeSetName(codePage), "UTF-16LE");
  std::string_view substitute = codePage == CodePage::kAnsi ? "?" : "\xEF\xBF\xBD";
  // Where a code page takes more than this size, the output grows as the conversion asks.
  size_t expected = codePage == CodePage::kAnsi ? 2 * wide.size() : 3 * wide.size();
  // A character the target cannot hold is one unit, or a surrogate pair.
  return converter.Run<std::string>(
      reinterpret_cast<const char*>(wide.data()), wide.size() * 2, expected, substitute.data(),
      substitute.size(), [](const char* in, size_t left) {
        auto unit = [&](size_t k) {
          return static_cast<unsigned>(static_cast<unsigned char>(in[k]) |
                                       (static_cast<unsigned char>(in[k + 1]) << 8));
        };
        if (left >= 4 && unit(0) >= 0xD800 && unit(0) < 0xDC00 && unit(2) >= 0xDC00 &&
            unit(2) < 0xE000) {
          return size_t{4};
        }
        return size_t{2};
      });
}

}  // namespace animal_ids
