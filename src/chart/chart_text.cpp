#include "chart/chart_text.h"

#include <charconv>
#include <cmath>
#include <limits>


namespace kvx {

bool NormalizeLineEnds(std::string& text) {
  const bool hadCrLf = text.find("\r\n") != std::string::npos;
  // Nothing to do when every CR is followed by LF and every LF preceded by CR.
  bool clean = true;
  for (size_t i = 0; i < text.size() && clean; ++i) {
    if (text[i] == '\r' && (i + 1 >= text.size() || text[i + 1] != '\n')) clean = false;
    if (text[i] == '\n' && (i == 0 || text[i - 1] != '\r')) clean = false;
  }
  if (clean) return !hadCrLf;
  std::string out;
  out.reserve(text.size() + text.size() / 16 + 2);
  for (size_t i = 0; i < text.size(); ++i) {
    char c = text[i];
    if (c == '\r') {
      out += "\r\n";
      if (i + 1 < text.size() && text[i + 1] == '\n') ++i;
    } else if (c == '\n') {
      out += "\r\n";
    } else {
      out += c;
    }
  }
  text.swap(out);
  return !hadCrLf;
}

namespace {

bool IsBlank(char c) { return c == ' ' || c == '\t'; }

std::string_view TrimBlanks(std::string_view s) {
  while (!s.empty() && IsBlank(s.front())) s.remove_prefix(1);
  while (!s.empty() && IsBlank(s.back())) s.remove_suffix(1);
  return s;
}

// The value of a digit of base 36 (0-9, then A-Z in any case); -1 for any
// other character.
int Base36Digit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'z') return c - 'a' + 10;
  if (c >= 'A' && c <= 'Z') return c - 'A' + 10;
  return -1;
}

int HexDigit(char c) {
  const int d = Base36Digit(c);
  return d < 16 ? d : -1;
}

}  // namespace

std::optional<double> ParseDecimal(std::string_view text) {
  std::string_view s = TrimBlanks(text);
  if (s.empty()) return std::nullopt;
  // Validate the shape first: from_chars alone would accept "inf", "nan" and
  // stop early at a space.
  size_t i = 0;
  bool negative = false;
  if (s[i] == '+' || s[i] == '-') negative = s[i++] == '-';
  size_t digits = 0;
  while (i < s.size() && s[i] >= '0' && s[i] <= '9') ++i, ++digits;
  if (i < s.size() && s[i] == '.') {
    ++i;
    while (i < s.size() && s[i] >= '0' && s[i] <= '9') ++i, ++digits;
  }
  if (digits == 0) return std::nullopt;
  if (i < s.size() && (s[i] == 'e' || s[i] == 'E')) {
    size_t j = i + 1;
    if (j < s.size() && (s[j] == '+' || s[j] == '-')) ++j;
    size_t expDigits = 0;
    while (j < s.size() && s[j] >= '0' && s[j] <= '9') ++j, ++expDigits;
    if (expDigits == 0) return std::nullopt;
    i = j;
  }
  if (i != s.size()) return std::nullopt;
  std::string_view body = s;
  if (body.front() == '+' || body.front() == '-') body.remove_prefix(1);
  double value = 0;
  auto [ptr, ec] = std::from_chars(body.data(), body.data() + body.size(), value);
  if (ec == std::errc::result_out_of_range) return std::nullopt;
  if (ec != std::errc() || ptr != body.data() + body.size()) return std::nullopt;
  return negative ? -value : value;
}

std::optional<float> ParseSingle(std::string_view text) {
  auto v = ParseDecimal(text);
  if (!v) return std::nullopt;
  float f = static_cast<float>(*v);
  if (!std::isfinite(f)) return std::nullopt;
  return f;
}

std::optional<int32_t> ParseInt32(std::string_view text) {
  auto v = ParseDecimal(text);
  if (!v) return std::nullopt;
  return RoundToInt32(*v);
}

int32_t LeadingDecimal(std::string_view text) {
  int32_t value = 0;
  for (char c : text) {
    if (c < '0' || c > '9') break;
    if (value > 100000000) break;  // callers pass at most three digits
    value = value * 10 + (c - '0');
  }
  return value;
}

int32_t LeadingHex(std::string_view text) {
  int32_t value = 0;
  for (char c : text) {
    int d = HexDigit(c);
    if (d < 0) break;
    if (value > 0x7FFFFFF) break;
    value = value * 16 + d;
  }
  return value;
}

std::optional<int32_t> Base36Id(std::string_view text) {
  if (text.size() < 2) return std::nullopt;
  const int hi = Base36Digit(text[0]), lo = Base36Digit(text[1]);
  if (hi < 0 || lo < 0) return std::nullopt;
  return hi * 36 + lo;
}

int32_t ChartId(std::string_view text, bool modernCharts) {
  if (!modernCharts) return LeadingHex(text);
  return Base36Id(text).value_or(-1);
}

std::string Base36Text(int32_t id) {
  static const char kDigits[] = "0123456789ABCDEFGHIJKLMNOPQRSTUVWXYZ";
  if (id < 0 || id >= 36 * 36) return "??";
  return {kDigits[id / 36], kDigits[id % 36]};
}

std::string ArgumentFrom(std::string_view text, size_t n) {
  // Skip n - 1 characters (a UTF-8 lead byte and its continuation bytes count once).
  size_t i = 0;
  for (size_t skipped = 0; skipped + 1 < n && i < text.size(); ++skipped) {
    ++i;
    while (i < text.size() && (static_cast<unsigned char>(text[i]) & 0xC0) == 0x80) ++i;
  }
  if (i >= text.size()) return {};
  return std::string(TrimBlanks(text.substr(i)));
}

std::string KeywordUpper(std::string_view text, size_t n) {
  std::string out(text.substr(0, n));
  for (char& c : out)
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
  return out;
}

std::string FormatSingle(float value) {
  char buffer[32];
  auto result = std::to_chars(buffer, buffer + sizeof buffer, value);
  return std::string(buffer, result.ptr);
}

}  // namespace kvx
