#pragma once
// Whether a UTF-8 text holds a Japanese character: hiragana, katakana, CJK
// punctuation and ideographs, or full-width forms.
#include <cstdint>
#include <string>

namespace kvx::test {

inline bool HoldsJapanese(const std::string& text) {
  for (size_t i = 0; i < text.size();) {
    const unsigned char c = text[i];
    const size_t length = c < 0x80 ? 1 : c < 0xE0 ? 2 : c < 0xF0 ? 3 : 4;
    if (length == 3 && i + 2 < text.size()) {
      const uint32_t code = ((c & 0x0Fu) << 12) | ((text[i + 1] & 0x3Fu) << 6) | (text[i + 2] & 0x3Fu);
      if ((code >= 0x3000 && code <= 0x30FF) || (code >= 0x4E00 && code <= 0x9FFF) ||
          (code >= 0xFF00 && code <= 0xFFEF))
        return true;
    }
    i += length;
  }
  return false;
}

}  // namespace kvx::test
