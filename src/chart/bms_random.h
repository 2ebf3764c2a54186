#pragma once
// The #RANDOM blocks of a chart: "#RANDOM n" (or "#SETRANDOM n") picks a value
// from 1 to n, and "#IF k" / "#ELSEIF k" / "#ELSE" / "#ENDIF" read only the
// branch whose k is the value; "#ENDRANDOM" closes the #RANDOM. Blocks nest.
// The value is drawn uniformly, or, when a seed is given, derived from the
// chart text and the seed so that every player of a network battle (and every
// test) reads the same branches.
#include <cstdint>
#include <functional>
#include <optional>
#include <random>
#include <string>
#include <string_view>
#include <vector>

#include "chart/bms_commands.h"

namespace kvx {

// Deepest nesting of #RANDOM and #IF blocks that is read; deeper blocks are
// skipped whole.
constexpr size_t kMaxRandomNesting = 64;

class RandomBlocks {
 public:
  using LogLine = std::function<void(const std::string&)>;

  // With a seed, the values come from the chart text and the seed; otherwise
  // from rng. `taken` receives one line per #RANDOM read ("#RANDOM 3 -> 2").
  RandomBlocks(std::string_view chartText, std::optional<uint64_t> seed, std::mt19937_64& rng,
               std::vector<std::string>& taken, LogLine log);

  // Handles a block command (#RANDOM, #SETRANDOM, #IF, #ELSEIF, #ELSE,
  // #ENDIF, #ENDRANDOM); false for any other command.
  bool Handle(std::string_view line, const CommandMatch& match);
  // Whether the lines at this point are read.
  bool Reading() const;
  // At the end of the text: logs the blocks left open.
  void Finish();

 private:
  enum class Kind { Random, If };
  struct Block {
    Kind kind;
    int64_t value = 0;       // Random: the value drawn
    bool outerReading = true;
    bool reading = true;
    bool matched = false;    // If: a branch was taken
  };

  int64_t Draw(int64_t n);
  int64_t CurrentValue() const;
  bool Push(const Block& block);  // false when nested too deep
  void OpenRandom(std::string_view line, const CommandMatch& match, bool fixed);
  void OpenIf(std::string_view line, const CommandMatch& match);
  void Branch(std::string_view line, const CommandMatch& match, bool otherwise);
  void Close(Kind kind);

  std::vector<Block> blocks_;
  size_t skippedDepth_ = 0;  // blocks opened beyond the nesting limit
  bool deepLogged_ = false;
  std::optional<uint64_t> state_;  // the deterministic generator
  std::mt19937_64& rng_;
  std::vector<std::string>& taken_;
  LogLine log_;
};

}  // namespace kvx
