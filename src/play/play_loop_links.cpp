#include "play/play_loop_links.h"

#include <algorithm>

#include "app/game.h"
#include "app/sound_links.h"
#include "chart/bms.h"
#include "media/display.h"
#include "media/skin.h"
#include "screens/score_record.h"
#include "screens/song_select.h"
#include "media/surface.h"
#include "platform/files.h"

namespace kvx {

// ---- Course play ----------------------------------------------------------------

namespace {
const SongEntry* CourseSongEntry(Game& g, int song) {
  if (song < 0 || song >= static_cast<int>(g.chart.CourseSongs.size())) return nullptr;
  return &g.chart.CourseSongs[song];
}
}  // namespace

std::string CourseSongTitle(Game& g, int song) {
  const SongEntry* e = CourseSongEntry(g, song);
  return e ? e->Title : g.chart.Title;
}
std::string CourseSongArtist(Game& g, int song) {
  const SongEntry* e = CourseSongEntry(g, song);
  return e ? e->Artist : g.chart.Artist;
}
// The sounds and images of a course are looked up per song by the sound and
// image layers themselves; what changes here is the song's judgement rank.
void ApplyCourseSongTables(Game& g, int song) {
  const SongEntry* e = CourseSongEntry(g, song);
  if (!e) return;
  const int rank = std::clamp<int>(e->Rank, 0, 3);
  for (int k = 0; k < 4; ++k) g.chart.JudgeWindow[k] = g.app.LevelTable[rank * 4 + k];
}
void LoadAllCourseSongMedia(Game& g, int song) {
  for (int id = 1; id < kMediaIds; ++id) {
    LoadCourseWav(g, song, id);
    coursebmsdbga(g, song, id);
  }
}
bool LoadCourseStageImage(Game& g, int song) {
  const SongEntry* e = CourseSongEntry(g, song);
  if (!e || e->StageFile.empty()) return false;
  const std::string path = JoinPath(FolderOf(e->FilePath), e->StageFile);
  LoadStageImage(g, path);
  return g.display.StageImageSurface.Valid();
}

// ---- Display ------------------------------------------------------------------

void CaptureBackSurface(Game& g) {
  DisplayState& d = g.display;
  if (!d.CaptureSurface.Valid() || !d.BackSurface.Valid()) return;
  const Rect whole{0, 0, d.BackSurface.width, d.BackSurface.height};
  BltClipped(g.display, d.CaptureSurface, whole, 0, 0, d.BackSurface, whole, 0);
  // The captured picture falls apart in tiles while FadeState is the intro.
  InitTileTransition(g);
}
void ClearProgressGraph(Game& g) {
  if (g.display.GraphSurface.Valid()) FillSurface(g.display, g.display.GraphSurface, nullptr, 0);
}
void DrawGraphLine(Game& g, int x0, int y0, int x1, int y1, uint32_t rgb) {
  DrawLine(g.display, g.display.GraphSurface, x0, y0, x1, y1, rgb);
}
void PlotGraphCell(Game& g, int x, int y, int cell) {
  const auto& cells = g.skin.GraphCells;
  if (cell < 0 || cell >= static_cast<int>(cells.size())) return;
  const Rect& source = cells[cell];
  const Rect clip{0, 0, g.display.GraphSurface.width, g.display.GraphSurface.height};
  BltClipped(g.display, g.display.GraphSurface, clip, x, y, g.display.SkinSurface, source, 0);
}
void RestoreGameWindow(Game& g) { g.app.GameState = g.screens.ReturnState; }

// ---- Sides and hi-speed -----------------------------------------------------------

int PlaySides(Game& g) { return std::clamp<int>(g.chart.PlaySides, 1, 2); }
void ResetHiSpeedForPlayStart(Game& g) {
  if (g.settings.ComboLinkedHiSpeed || g.playopt.RandomSpeed) {
    g.settings.HiSpeed = 1.0f;
    g.playopt.TargetHiSpeed = 0;
  }
}
void ApplyHiSpeedAfterPlay(Game& g) {
  if (g.settings.ComboLinkedHiSpeed) {
    g.settings.HiSpeed = 1.0f;
    g.playopt.TargetHiSpeed = 0;
  } else if (g.playopt.RandomSpeed) {
    g.settings.HiSpeed = 0;
    g.playopt.TargetHiSpeed = 0;
  } else if (g.playopt.TargetHiSpeed != 0) {
    g.settings.HiSpeed = g.playopt.TargetHiSpeed;
    g.playopt.TargetHiSpeed = 0;
  }
}

// ---- After the play ---------------------------------------------------------------

void MarkScoreRecordPending(Game& g, bool rank) { MarkRecordPending(g, rank); }
void RunScoreRecord(Game& g, bool rank) { WriteRecordAfterPlay(g, rank); }
void EnableSongPreviewTimer(Game& g) { StartPreviewTimer(g); }

}  // namespace kvx
