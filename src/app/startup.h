#pragma once
// Start-up and shutdown: Main (before any window), Start (the game), ExitApp.
#include <array>
#include <cstdint>
#include <string>

#include "chart/bms.h"  // MakeLevelTable

namespace kvx {

struct Game;

constexpr int kVersionMajor = 0, kVersionMinor = 21, kVersionRevision = 511;

// "[Main] korvex 0.21(511) start on yyyy/mm/dd hh:nn:ss".
std::string BannerLine(int year, int month, int day, int hour, int minute, int second);
std::array<std::string, 8> MakeRankLetters();
void SetStartupValues(Game& game);
void SetBuiltInRects(Game& game);
// Preview timer interval from the startup menu's wait field (seconds).
int32_t PreviewIntervalFromWait(const std::string& wait_field);

void Main(Game& game);
// Returns false when it gave up (no song list could be built).
bool Start(Game& game);
// Saves the key table and the settings and ends the program (throws
// ProgramExit with the exit status `code`).
[[noreturn]] void ExitApp(Game& game, int code = 0);

}  // namespace kvx
