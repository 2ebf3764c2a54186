#include "chart/bms_random.h"

#include <algorithm>
#include <cmath>

#include "chart/chart_text.h"

namespace kvx {

namespace {

constexpr int64_t kMaxRandomValue = 2147483647;  // 2^31 - 1

// SplitMix64: a small generator whose output depends only on its state, the
// same on every machine.
uint64_t SplitMix(uint64_t& state) {
  uint64_t z = (state += 0x9E3779B97F4A7C15ull);
  z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
  z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
  return z ^ (z >> 31);
}

// FNV-1a over the chart text.
uint64_t HashText(std::string_view text) {
  uint64_t h = 0xCBF29CE484222325ull;
  for (unsigned char c : text) {
    h ^= c;
    h *= 0x100000001B3ull;
  }
  return h;
}

std::string Keyword(const CommandMatch& m) {
  switch (m.kind) {
    case Command::Random: return "#RANDOM";
    case Command::SetRandom: return "#SETRANDOM";
    case Command::If: return "#IF";
    case Command::ElseIf: return "#ELSEIF";
    case Command::Else: return "#ELSE";
    case Command::EndIf: return "#ENDIF";
    case Command::EndRandom: return "#ENDRANDOM";
    default: return "#";
  }
}

}  // namespace

RandomBlocks::RandomBlocks(std::string_view chartText, std::optional<uint64_t> seed, std::mt19937_64& rng,
                           std::vector<std::string>& taken, LogLine log)
    : rng_(rng), taken_(taken), log_(std::move(log)) {
  if (seed) {
    uint64_t mix = *seed;
    state_ = HashText(chartText) ^ SplitMix(mix);
  }
}

bool RandomBlocks::Reading() const {
  return skippedDepth_ == 0 && (blocks_.empty() || blocks_.back().reading);
}

int64_t RandomBlocks::Draw(int64_t n) {
  if (state_) return 1 + static_cast<int64_t>(SplitMix(*state_) % static_cast<uint64_t>(n));
  return std::uniform_int_distribution<int64_t>(1, n)(rng_);
}

int64_t RandomBlocks::CurrentValue() const {
  for (auto it = blocks_.rbegin(); it != blocks_.rend(); ++it)
    if (it->kind == Kind::Random) return it->value;
  return 0;
}

bool RandomBlocks::Push(const Block& block) {
  if (skippedDepth_ > 0 || blocks_.size() >= kMaxRandomNesting) {
    if (!deepLogged_) log_("blocks nested deeper than " + std::to_string(kMaxRandomNesting) + ": skipped");
    deepLogged_ = true;
    ++skippedDepth_;
    return false;
  }
  blocks_.push_back(block);
  return true;
}

void RandomBlocks::OpenRandom(std::string_view line, const CommandMatch& m, bool fixed) {
  // A #RANDOM right after another one at the same level (no #ENDRANDOM in
  // between) replaces it.
  if (skippedDepth_ == 0 && !blocks_.empty() && blocks_.back().kind == Kind::Random) blocks_.pop_back();
  const bool outer = Reading();
  const std::string argument = CommandArgument(line, m);
  const std::optional<double> n = ParseDecimal(argument);
  int64_t value = 0;
  if (outer) {
    if (!n || !(*n >= 1)) {
      log_(Keyword(m) + " " + argument + ": not a number from 1 to 2^31 - 1, no branch is read");
    } else {
      double limit = *n;
      if (limit > static_cast<double>(kMaxRandomValue)) {
        log_(Keyword(m) + " " + argument + ": taken as 2147483647");
        limit = static_cast<double>(kMaxRandomValue);
      }
      const int64_t whole = static_cast<int64_t>(std::floor(limit));
      value = fixed ? whole : Draw(whole);
      taken_.push_back(fixed ? Keyword(m) + " " + std::to_string(whole)
                             : Keyword(m) + " " + std::to_string(whole) + " -> " + std::to_string(value));
    }
  }
  Push(Block{Kind::Random, value, outer, outer, false});
}

void RandomBlocks::OpenIf(std::string_view line, const CommandMatch& m) {
  const bool outer = Reading();
  const std::optional<double> k = ParseDecimal(CommandArgument(line, m));
  const bool random = std::any_of(blocks_.begin(), blocks_.end(), [](const Block& b) { return b.kind == Kind::Random; });
  if (outer && !random) log_("#IF without #RANDOM: skipped");
  const bool match = random && k && *k == static_cast<double>(CurrentValue()) && CurrentValue() != 0;
  Push(Block{Kind::If, 0, outer, outer && match, match});
}

void RandomBlocks::Branch(std::string_view line, const CommandMatch& m, bool otherwise) {
  if (skippedDepth_ > 0) return;
  if (blocks_.empty() || blocks_.back().kind != Kind::If) {
    log_(Keyword(m) + " without #IF: ignored");
    return;
  }
  Block& b = blocks_.back();
  bool match = otherwise;
  if (!otherwise) {
    const std::optional<double> k = ParseDecimal(CommandArgument(line, m));
    match = k && *k == static_cast<double>(CurrentValue()) && CurrentValue() != 0;
  }
  b.reading = b.outerReading && !b.matched && match;
  b.matched = b.matched || match;
}

void RandomBlocks::Close(Kind kind) {
  if (skippedDepth_ > 0) {
    --skippedDepth_;
    return;
  }
  const char* name = kind == Kind::If ? "#ENDIF" : "#ENDRANDOM";
  const bool open = std::any_of(blocks_.begin(), blocks_.end(), [&](const Block& b) { return b.kind == kind; });
  if (!open) {
    log_(std::string(name) + (kind == Kind::If ? " without #IF" : " without #RANDOM") + ": ignored");
    return;
  }
  // Blocks left open inside close with it (a #RANDOM without #ENDRANDOM
  // inside an #IF, an #IF without #ENDIF inside a #RANDOM).
  while (blocks_.back().kind != kind) {
    if (blocks_.back().kind == Kind::If) log_("#IF without #ENDIF closed by " + std::string(name));
    blocks_.pop_back();
  }
  blocks_.pop_back();
}

bool RandomBlocks::Handle(std::string_view line, const CommandMatch& m) {
  switch (m.kind) {
    case Command::Random: OpenRandom(line, m, false); return true;
    case Command::SetRandom: OpenRandom(line, m, true); return true;
    case Command::If: OpenIf(line, m); return true;
    case Command::ElseIf: Branch(line, m, false); return true;
    case Command::Else: Branch(line, m, true); return true;
    case Command::EndIf: Close(Kind::If); return true;
    case Command::EndRandom: Close(Kind::Random); return true;
    default: return false;
  }
}

void RandomBlocks::Finish() {
  for (const Block& b : blocks_)
    if (b.kind == Kind::If) {
      log_("#IF without #ENDIF at the end of the chart");
      break;
    }
}

}  // namespace kvx
