#pragma once
// Text decoding and encoding. Chart, list and settings text is decoded as
// UTF-8 when it is valid UTF-8 and as CP932 (Shift-JIS) otherwise; the program
// works in UTF-8 throughout and writes UTF-8.
#include <string>
#include <string_view>
#include <vector>

namespace kvx {

bool IsValidUtf8(std::string_view bytes);
// CP932 bytes to UTF-8; undecodable bytes become U+FFFD.
std::string Cp932ToUtf8(std::string_view bytes);
// UTF-8 to CP932; characters CP932 lacks become "?".
std::string Utf8ToCp932(std::string_view utf8);
// UTF-8 as is when valid, otherwise CP932 converted to UTF-8.
std::string DecodeText(std::string_view bytes);
// The bytes with every byte that is not part of valid UTF-8 replaced by U+FFFD
// (for showing file names in any encoding).
std::string ReplaceInvalidUtf8(std::string_view bytes);
// CP949 (EUC-KR and its extension) bytes to UTF-8; undecodable bytes become U+FFFD.
std::string Cp949ToUtf8(std::string_view bytes);
// True when the bytes read as Korean text (CP949) rather than Shift-JIS: they
// decode as CP949 without a bad byte or a private-use character, and they do
// not decode that cleanly as Shift-JIS (CP932) without half-width katakana
// (the Hangul lead bytes 0xB0..0xC8 are half-width katakana in Shift-JIS,
// which Japanese titles hardly use).
bool LooksLikeCp949(std::string_view bytes);
// Chart text, decided per file: UTF-8 when valid; with allowKorean, CP949 when
// LooksLikeCp949; otherwise CP932. `encoding` receives the name of the choice.
std::string DecodeChartBytes(std::string_view bytes, bool allowKorean, const char** encoding = nullptr);

// Number of characters (code points) of UTF-8 text.
size_t Utf8Length(std::string_view utf8);
// The first n characters of UTF-8 text.
std::string Utf8Left(std::string_view utf8, size_t n);

// ASCII-only upper and lower case (what the file formats compare by).
std::string ToUpperAscii(std::string_view s);
std::string ToLowerAscii(std::string_view s);
bool EqualsNoCase(std::string_view a, std::string_view b);
bool StartsWithNoCase(std::string_view s, std::string_view prefix);
bool EndsWithNoCase(std::string_view s, std::string_view suffix);

// Splits at CR LF, lone CR and lone LF. A final line without an ending is kept;
// an empty trailing piece after the last line end is not.
std::vector<std::string> SplitLines(std::string_view text);
std::vector<std::string> Split(std::string_view text, char separator);
std::string Trim(std::string_view s);

}  // namespace kvx
