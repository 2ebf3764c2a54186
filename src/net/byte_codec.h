#pragma once
// Little-endian field writing and bounds-checked reading for the network
// messages: long = 32-bit signed, short = 16-bit signed, byte = 8-bit
// unsigned, single = 32-bit float, string = 16-bit length and UTF-8 bytes.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace kvx {

class ByteWriter {
 public:
  void Byte(uint8_t v) { bytes_.push_back(v); }
  void Short(int16_t v) { Unsigned(static_cast<uint16_t>(v), 2); }
  void Long(int32_t v) { Unsigned(static_cast<uint32_t>(v), 4); }
  void Single(float v);
  // Longer than 65535 bytes: cut at the last whole UTF-8 character that fits.
  void String(std::string_view text);
  void Raw(const void* data, size_t size);
  void Unsigned(uint32_t v, int bytes);
  const std::vector<uint8_t>& bytes() const { return bytes_; }
  std::vector<uint8_t> Take() { return std::move(bytes_); }

 private:
  std::vector<uint8_t> bytes_;
};

// Every read checks the bytes left; once one fails, every later read fails too
// and ok() is false.
class ByteReader {
 public:
  ByteReader(const uint8_t* data, size_t size) : data_(data), size_(size) {}
  bool Byte(uint8_t& v);
  bool Short(int16_t& v);
  bool Long(int32_t& v);
  bool Single(float& v);
  bool String(std::string& v);
  bool Raw(void* out, size_t size);
  bool Unsigned(uint32_t& v, int bytes);
  size_t left() const { return ok_ ? size_ - pos_ : 0; }
  size_t position() const { return pos_; }
  bool ok() const { return ok_; }
  bool AtEnd() const { return ok_ && pos_ == size_; }

 private:
  bool Take(size_t n);
  const uint8_t* data_;
  size_t size_;
  size_t pos_ = 0;
  bool ok_ = true;
};

}  // namespace kvx
