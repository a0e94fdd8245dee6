#pragma once

#include <string>
#include <string_view>

namespace animal_ids {

// A string of bytes in the ANSI code page (936). It never holds a zero byte:
// every way of making one from raw bytes ends the text at the first zero.
class Text {
 public:
  Text() = default;
  Text(const char* bytes) : bytes_(bytes ? Cut(bytes) : std::string_view()) {}
  explicit Text(std::string_view bytes) : bytes_(Cut(bytes)) {}
  explicit Text(std::string&& bytes) : bytes_(std::move(bytes)) {
    if (auto zero = bytes_.find('\0'); zero != std::string::npos) bytes_.resize(zero);
  }

  const std::string& str() const { return bytes_; }
  std::string_view view() const { return bytes_; }
  const char* c_str() const { return bytes_.c_str(); }
  int size() const { return static_cast<int>(bytes_.size()); }
  bool empty() const { return bytes_.empty(); }
  unsigned char at(int offset) const { return static_cast<unsigned char>(bytes_[offset]); }

  // Appends in place; used where a result is grown piece by piece.
  Text& operator+=(const Text& more) {
    bytes_ += more.bytes_;
    return *this;
  }

  friend bool operator==(const Text& a, const Text& b) { return a.bytes_ == b.bytes_; }
  friend bool operator!=(const Text& a, const Text& b) { return a.bytes_ != b.bytes_; }

 private:
  static std::string_view Cut(std::string_view bytes) {
    auto zero = bytes.find('\0');
    return zero == std::string_view::npos ? bytes : bytes.substr(0, zero);
  }
  std::string bytes_;
};

// A length-counted string of bytes of any values, zero included.
class Bytes {
 public:
  Bytes() = default;
  explicit Bytes(const char* bytes) : bytes_(bytes ? bytes : "") {}
  explicit Bytes(std::string_view bytes) : bytes_(bytes) {}
  explicit Bytes(std::string&& bytes) : bytes_(std::move(bytes)) {}

  const std::string& str() const { return bytes_; }
  std::string_view view() const { return bytes_; }
  const char* data() const { return bytes_.data(); }
  int size() const { return static_cast<int>(bytes_.size()); }
  bool empty() const { return bytes_.empty(); }

  void Reserve(size_t bytes) { bytes_.reserve(bytes); }

  // Appends in place, so that a body read piece by piece grows in linear time.
  Bytes& Append(std::string_view more) {
    bytes_ += more;
    return *this;
  }

  friend bool operator==(const Bytes& a, const Bytes& b) { return a.bytes_ == b.bytes_; }
  friend bool operator!=(const Bytes& a, const Bytes& b) { return a.bytes_ != b.bytes_; }

 private:
  std::string bytes_;
};

}  // namespace animal_ids
