#pragma once
// The chart routines as the game calls them: each hands the chart layer the
// game's chart tables, its log and clock, the chart settings and the game's
// loads of sounds and pictures, and takes over what the play needs of the
// result. Also the chart seek that starts the play clock.
#include <cstdint>
#include <string>
#include <string_view>

#include "chart/bms.h"

namespace kvx {

struct Game;

// The game's side of loading a chart: the sound and picture loads the load
// modes ask for, the stage image and loading screen of a course, the window
// caption, and the play's start tempo once the chart is prepared.
class GameChartHooks : public ChartLoadHooks {
 public:
  explicit GameChartHooks(Game& game) : g_(game) {}
  void ChartCleared() override;
  void TextRead(const std::string& path, std::string_view text) override;
  void SoundNamed(int id) override;
  void ImageNamed(int id) override;
  void ReleaseUnnamedMedia() override;
  void CaptionReady(const std::string& caption) override;
  void ChartPrepared() override;
  void CourseSongStarts(const SongEntry& song) override;
  void LoadingFrame() override;
  void CourseSongsRead() override;

 private:
  Game& g_;
};

// What the chart routines import from this game (the hooks must outlive it).
ChartImports ChartImportsOf(Game& game, ChartLoadHooks& hooks);

void BMSInit(Game& game);
void BMSRead(Game& game, const std::string& path);
void BMSReadText(Game& game, const std::string& path, std::string_view text);
void BMSPrepare(Game& game);
void SortObjects(Game& game);
int32_t GetBMSLength(Game& game);
int BMSLoad(Game& game, const std::string& path);
void BMSLoadCourse(Game& game);
// Loads image id of course song `song` (CourseBmpFile[song + 128 * id]).
void coursebmsdbga(Game& game, int song, int id);

// Starts the play clock at a measure (byPosition false) or a position (true);
// re-applies the tempo changes before the target. Called by the play loop.
void SeekChart(Game& game, int32_t target, bool byPosition);

}  // namespace kvx
