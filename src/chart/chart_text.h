#pragma once
// Text rules shared by the chart reader and the header scan of the song
// library: line ends, numeric conversions, id pairs and command arguments.
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "platform/rounding.h"

namespace kvx {

// Charts larger than this are not read (no real chart comes near it).
constexpr uint64_t kMaxChartFileBytes = 64ull << 20;

// Makes every line end CR LF: a lone CR and a lone LF each become CR LF.
// Returns true when the text contained no CR LF pair before (the file used
// another line-end convention, or none).
bool NormalizeLineEnds(std::string& text);

// A decimal number: optional sign, digits with an optional point, an optional
// exponent; surrounding spaces and tabs are allowed. Nothing when the text
// is anything else (empty, letters, "1 150").
std::optional<double> ParseDecimal(std::string_view text);
// Conversions that leave the target unchanged on failure.
std::optional<float> ParseSingle(std::string_view text);    // finite float only
std::optional<int32_t> ParseInt32(std::string_view text);   // fractions round halves to even

// Leading decimal digits of the text (0 when it starts with anything else).
int32_t LeadingDecimal(std::string_view text);
// Leading hexadecimal digits of the text; reading stops at the first other
// character, so "0Z" gives 0, "1Z" gives 1 and "zz" gives 0.
int32_t LeadingHex(std::string_view text);

// A two-character id under the modern chart rules: two base-36 digits, 00 to
// ZZ in any letter case (0 to 1295); nothing when either character is not a
// base-36 digit or the text is shorter.
std::optional<int32_t> Base36Id(std::string_view text);
// An id of a definition or a channel's data: base-36 under the modern rules
// (-1 when it is not a valid id), else hexadecimal as LeadingHex reads it.
int32_t ChartId(std::string_view text, bool modernCharts);
// The base-36 text of an id 0..1295 ("0Z", "ZZ").
std::string Base36Text(int32_t id);

// The text from the n-th character on (1-based, counting UTF-8 characters),
// spaces and tabs trimmed at both ends; empty when the text is shorter.
std::string ArgumentFrom(std::string_view text, size_t n);
// The first n bytes of an ASCII keyword, upper-cased.
std::string KeywordUpper(std::string_view text, size_t n);

// Decimal text of a single the way the log writes numbers ("120", "150.5").
std::string FormatSingle(float value);

}  // namespace kvx
