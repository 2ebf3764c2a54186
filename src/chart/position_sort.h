#pragma once
// The sort of chart objects and timing events by position: an iterative
// quicksort with an explicit stack of index ranges, a median-of-three pivot
// and a Hoare partition, the lower range handled first. It is not stable:
// items with equal keys end in the order the partitioning leaves them, which
// the chart rules depend on, so every timeline of the program uses this one
// (and song select's sorts, with keys of their own).
#include <cstdint>
#include <type_traits>
#include <utility>
#include <vector>

namespace kvx {

// Sorts items[0 .. count - 1] in place by key(item), any type with < and >.
template <typename T, typename Key>
void QuickSortByKey(T* items, int32_t count, Key key) {
  using KeyValue = std::decay_t<decltype(key(items[0]))>;
  if (count < 2) return;
  // Only ranges of two or more entries are pushed (an empty range would do
  // nothing when popped), so the stack stays small.
  std::vector<std::pair<int32_t, int32_t>> stack;
  stack.reserve(64);
  stack.emplace_back(0, count - 1);
  while (!stack.empty()) {
    auto [lo, hi] = stack.back();
    stack.pop_back();
    if (lo >= hi) continue;
    KeyValue p = key(items[lo + (hi - lo) / 2]);
    KeyValue a = key(items[lo]);
    KeyValue c = key(items[hi]);
    if (p < a) std::swap(p, a);
    if (p > c) {
      std::swap(p, c);
      if (p < a) std::swap(p, a);
    }
    const KeyValue pivot = std::move(p);
    int32_t i = lo - 1, j = hi + 1;
    for (;;) {
      do ++i; while (key(items[i]) < pivot);
      do --j; while (key(items[j]) > pivot);
      if (i >= j) break;
      std::swap(items[i], items[j]);
    }
    if (j + 1 < hi) stack.emplace_back(j + 1, hi);
    if (lo < i - 1) stack.emplace_back(lo, i - 1);
  }
}

// Sorts items[0 .. count - 1] in place by key(item), an int32 position.
template <typename T, typename Key>
void SortByPosition(T* items, int32_t count, Key key) {
  QuickSortByKey(items, count, key);
}

}  // namespace kvx
