#include "net/byte_codec.h"

#include <cstring>

namespace kvx {

void ByteWriter::Unsigned(uint32_t v, int bytes) {
  for (int i = 0; i < bytes; ++i) bytes_.push_back(static_cast<uint8_t>(v >> (8 * i)));
}

void ByteWriter::Single(float v) {
  uint32_t bits;
  std::memcpy(&bits, &v, sizeof bits);
  Unsigned(bits, 4);
}

void ByteWriter::String(std::string_view text) {
  size_t n = text.size();
  if (n > 0xFFFF) {
    n = 0xFFFF;
    // Back off continuation bytes so the cut is between characters.
    while (n > 0 && (static_cast<uint8_t>(text[n]) & 0xC0) == 0x80) --n;
  }
  Unsigned(static_cast<uint32_t>(n), 2);
  Raw(text.data(), n);
}

void ByteWriter::Raw(const void* data, size_t size) {
  const auto* p = static_cast<const uint8_t*>(data);
  bytes_.insert(bytes_.end(), p, p + size);
}

bool ByteReader::Take(size_t n) {
  if (!ok_ || size_ - pos_ < n) {
    ok_ = false;
    return false;
  }
  return true;
}

bool ByteReader::Unsigned(uint32_t& v, int bytes) {
  if (!Take(bytes)) return false;
  v = 0;
  for (int i = 0; i < bytes; ++i) v |= static_cast<uint32_t>(data_[pos_ + i]) << (8 * i);
  pos_ += bytes;
  return true;
}

bool ByteReader::Byte(uint8_t& v) {
  uint32_t u;
  if (!Unsigned(u, 1)) return false;
  v = static_cast<uint8_t>(u);
  return true;
}

bool ByteReader::Short(int16_t& v) {
  uint32_t u;
  if (!Unsigned(u, 2)) return false;
  v = static_cast<int16_t>(static_cast<uint16_t>(u));
  return true;
}

bool ByteReader::Long(int32_t& v) {
  uint32_t u;
  if (!Unsigned(u, 4)) return false;
  v = static_cast<int32_t>(u);
  return true;
}

bool ByteReader::Single(float& v) {
  uint32_t u;
  if (!Unsigned(u, 4)) return false;
  std::memcpy(&v, &u, sizeof v);
  return true;
}

bool ByteReader::String(std::string& v) {
  uint32_t n;
  if (!Unsigned(n, 2) || !Take(n)) return false;
  v.assign(reinterpret_cast<const char*>(data_ + pos_), n);
  pos_ += n;
  return true;
}

bool ByteReader::Raw(void* out, size_t size) {
  if (!Take(size)) return false;
  if (size > 0) std::memcpy(out, data_ + pos_, size);  // an empty packet has no data pointer
  pos_ += size;
  return true;
}

}  // namespace kvx
