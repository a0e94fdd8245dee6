#pragma once

// Takes a fuzzer's bytes apart into the arguments of one call: numbers first,
// then texts separated by a zero byte (which a text can never hold).

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string_view>

namespace animal_ids::fuzz {

class Input {
 public:
  Input(const std::uint8_t* data, std::size_t size)
      : rest_(reinterpret_cast<const char*>(data), size) {}

  // Four bytes as a signed number; where bytes run out, the edges that matter most.
  int Number() {
    if (rest_.size() < 4) {
      static constexpr int kEdges[] = {0, 1, -1, 2};
      return kEdges[rest_.size()];
    }
    std::int32_t value;
    std::memcpy(&value, rest_.data(), 4);
    rest_.remove_prefix(4);
    // Mostly small numbers, the ones that fall inside a text; now and then any value.
    return (value & 0x100) ? value : value % 64;
  }

  bool Flag() {
    if (rest_.empty()) return false;
    bool on = rest_[0] & 1;
    rest_.remove_prefix(1);
    return on;
  }

  // The bytes up to the next zero byte, or all that are left.
  std::string_view Piece() {
    std::size_t zero = rest_.find('\0');
    std::string_view piece = rest_.substr(0, zero);
    rest_.remove_prefix(zero == std::string_view::npos ? rest_.size() : zero + 1);
    return piece;
  }

  std::string_view Rest() const { return rest_; }

 private:
  std::string_view rest_;
};

}  // namespace animal_ids::fuzz
