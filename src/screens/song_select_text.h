#pragma once
// The texts of the song select screen: the title split, the ranking place
// suffixes, the help lines of each screen and the names of the difficulties.
#include <array>
#include <cstdint>
#include <string>
#include <string_view>

#include "app/app_state.h"
#include "app/texts.h"

namespace kvx {

struct SplitTitle {
  std::string main;  // TitleMain
  std::string sub;   // TitleSub: the bracketed suffix, empty when there is none
};

// Splits a title at its bracketed suffix ("Song Name (Another)" gives
// "Song Name " and "(Another)"). Ten bracket pairs are tried in a fixed
// order; a later pair overrides an earlier one.
SplitTitle SplitSongTitle(std::string_view title);

// "st", "nd", "rd" or "th" by the place number modulo 10.
std::string OrdinalSuffix(int place);

// The two help lines at the bottom of a screen (empty lines are not drawn).
std::array<std::string, 2> HelpLines(const Texts& texts, Screen mode);
// The keys beyond the screen's own help lines (the random pick, the search,
// deleting a course),
// shown at the right of the second line; empty where there are none.
std::string ExtraHelpKeys(const Texts& texts, Screen mode);

// A chart's #DIFFICULTY (1 to 5) as the information panel names it, in its
// colour (0xRRGGBB); an empty name for any other value.
struct DifficultyName {
  std::string name;
  uint32_t rgb = 0;
};
DifficultyName DifficultyNameOf(int32_t difficulty);

}  // namespace kvx
