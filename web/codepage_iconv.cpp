#include <errno.h>
#include <iconv.h>

#include <algorithm>
#include <stdexcept>

#include "web/codepage.h"

// The ANSI code page of the Linux program is 936, whatever the locale says.

namespace animal_ids {
namespace {

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

  // Converts all of input; skip(in, left) tells how many input bytes an
  // unconvertible or invalid sequence takes, substitute what stands for it.
  template <typename Skip>
  std::string Run(std::string_view input, std::string_view substitute, Skip skip) {
    std::string output(input.size() + 16, '\0');
    char* in = const_cast<char*>(input.data());
    size_t inLeft = input.size();
    size_t done = 0;
    while (inLeft > 0) {
      char* out = output.data() + done;
      size_t outLeft = output.size() - done;
      size_t result = iconv(handle_, &in, &inLeft, &out, &outLeft);
      done = output.size() - outLeft;
      if (result != static_cast<size_t>(-1)) break;
      if (errno == E2BIG) {
        output.resize(output.size() * 2);
      } else {
        size_t n = std::min(inLeft, skip(in, inLeft));
        in += n;
        inLeft -= n;
        if (output.size() - done < substitute.size() + 16) output.resize(output.size() * 2 + 16);
        output.replace(done, substitute.size(), substitute);
        done += substitute.size();
      }
    }
    output.resize(done);
    return output;
  }

 private:
  iconv_t handle_;
};

}  // namespace

std::u16string DecodeToWide(CodePage codePage, std::string_view bytes) {
  Converter converter("UTF-16LE", CodeSetName(codePage));
  static constexpr char kReplacement[] = {'\xFD', '\xFF'};
  // An invalid byte stands for one replacement character.
  std::string wide = converter.Run(bytes, std::string_view(kReplacement, 2),
                                   [](const char*, size_t) { return size_t{1}; });
  std::u16string units(wide.size() / 2, u'\0');
  for (size_t i = 0; i < units.size(); ++i) {
    units[i] = static_cast<char16_t>(static_cast<unsigned char>(wide[2 * i]) |
                                     (static_cast<unsigned char>(wide[2 * i + 1]) << 8));
  }
  return units;
}

std::string EncodeFromWide(CodePage codePage, std::u16string_view wide) {
  std::string bytes(wide.size() * 2, '\0');
  for (size_t i = 0; i < wide.size(); ++i) {
    bytes[2 * i] = static_cast<char>(wide[i] & 0xFF);
    bytes[2 * i + 1] = static_cast<char>(wide[i] >> 8);
  }
  Converter converter(CodeSetName(codePage), "UTF-16LE");
  std::string_view substitute = codePage == CodePage::kAnsi ? "?" : "\xEF\xBF\xBD";
  // A character the target cannot hold is one unit, or a surrogate pair.
  return converter.Run(bytes, substitute, [](const char* in, size_t left) {
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
