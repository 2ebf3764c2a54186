#pragma once
// Float-to-integer conversion of the program: to the nearest value, halves to
// even (the rounding mode every conversion of the program uses).
#include <cmath>
#include <cstdint>
#include <limits>
#include <optional>

namespace kvx {

// Rounds to the nearest integer, halves to even. nearbyint follows the
// current rounding mode, which the program never changes from
// round-to-nearest-even.
inline double RoundHalfEven(double value) { return std::nearbyint(value); }

// The same to int32; nothing when out of range or not finite.
inline std::optional<int32_t> RoundToInt32(double value) {
  if (!std::isfinite(value)) return std::nullopt;
  const double r = RoundHalfEven(value);
  if (r < static_cast<double>(std::numeric_limits<int32_t>::min()) ||
      r > static_cast<double>(std::numeric_limits<int32_t>::max()))
    return std::nullopt;
  return static_cast<int32_t>(r);
}

// The same to int32, held at the int32 limits; 0 when not a number.
inline int32_t RoundEven(double value) {
  if (std::isnan(value)) return 0;
  const double r = RoundHalfEven(value);
  if (r >= static_cast<double>(std::numeric_limits<int32_t>::max())) return std::numeric_limits<int32_t>::max();
  if (r <= static_cast<double>(std::numeric_limits<int32_t>::min())) return std::numeric_limits<int32_t>::min();
  return static_cast<int32_t>(r);
}

}  // namespace kvx
