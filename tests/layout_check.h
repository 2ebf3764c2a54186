#pragma once
// Helpers of the screen layout checks: rectangles that overlap or lie inside
// another, and a drawn text described for a failure message.
#include <sstream>
#include <string>

#include "media/display.h"

namespace kvx::test {

inline bool Inside(const Rect& r, const Rect& area) {
  return r.left >= area.left && r.top >= area.top && r.right <= area.right && r.bottom <= area.bottom;
}

inline bool Overlap(const Rect& a, const Rect& b) {
  return a.left < b.right && b.left < a.right && a.top < b.bottom && b.top < a.bottom;
}

inline std::string Describe(const DrawnText& t) {
  std::ostringstream out;
  out << "\"" << t.text << "\" (" << t.rect.left << "," << t.rect.top << ")-(" << t.rect.right << ","
      << t.rect.bottom << ")";
  return out.str();
}

}  // namespace kvx::test
