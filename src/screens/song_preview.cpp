#include "screens/song_preview.h"

#include <algorithm>
#include <string>
#include <vector>

#include "app/game.h"
#include "app/sound_links.h"
#include "chart/bms.h"
#include "chart/ready_bms.h"
#include "library/courses.h"
#include "media/display.h"
#include "media/sound.h"
#include "screens/song_select_internal.h"

namespace kvx {

namespace {

using Stage = SongPreviewState::Stage;

// The channels whose objects sound in a preview (background sounds and keys).
bool IsPreviewChannel(int c) {
  return c == 1 || (c >= 11 && c <= 16) || c == 18 || c == 19 || (c >= 21 && c <= 26) || c == 28 || c == 29;
}

bool IsSoundChannel(int c) { return c == 1 || (c >= 11 && c <= 19) || (c >= 21 && c <= 29); }

bool CursorStillOn(const Game& g, const std::string& file) {
  const SongEntry* e = EntryUnderCursor(g);
  return e && e->FilePath == file;
}

// The number's buffer already holds the file: loading it costs nothing.
bool AlreadyLoaded(const Game& g, int id) {
  const std::string& file = g.chart.WavFile[id];
  return g.sound.WavBuffers[id] != 0 && g.sound.LoadedWavFile[id] == file;
}

void ResetPreviewState(Game& g) { g.screens.Preview = SongPreviewState{}; }

// Queues for decoding the sounds of the objects up to `horizon`, each number once.
void QueueSoundsUpTo(Game& g, int32_t horizon) {
  SongPreviewState& pv = g.screens.Preview;
  const auto& objs = g.chart.Objects;
  const int32_t count = std::min(g.chart.ObjectCount, kMaxObjects);
  std::vector<std::string> files;
  int32_t i = pv.queued_until;
  for (; i < count && objs[i].Position <= horizon; ++i) {
    const ChartObject& o = objs[i];
    if (!IsSoundChannel(o.Channel) || o.Value <= 0 || o.Value >= kMediaIds || pv.queued[o.Value]) continue;
    pv.queued[o.Value] = true;
    if (!g.chart.WavFile[o.Value].empty() && !AlreadyLoaded(g, o.Value)) files.push_back(g.chart.WavFile[o.Value]);
  }
  pv.queued_until = i;
  PrefetchSoundFiles(g.sound, files);
}

bool FirstSoundsReady(Game& g) {
  for (int id : g.screens.Preview.first_ids)
    if (!g.chart.WavFile[id].empty() && !AlreadyLoaded(g, id) && !SoundPrefetchReady(g.sound, g.chart.WavFile[id]))
      return false;
  return true;
}

// Loads the decoded sounds of the objects just ahead of the play position, so
// the play frame finds them loaded. A sound still being decoded is left to a
// later tick: the play frame must not load it itself and wait for the decode
// (its note, if due first, plays without sound).
void LoadDecodedSoundsAhead(Game& g) {
  const auto& objs = g.chart.Objects;
  const int32_t count = std::min(g.chart.ObjectCount, kMaxObjects);
  const double horizon = g.play.PlayPosition + kPreviewLoadAhead;
  for (int32_t i = std::max(0, g.play.NextObject); i < count && objs[i].Position <= horizon; ++i) {
    const int id = objs[i].Value;
    if (!IsSoundChannel(objs[i].Channel) || id <= 0 || id >= kMediaIds || g.chart.WavLoadState[id] >= 255) continue;
    if (SoundPrefetchReady(g.sound, g.chart.WavFile[id])) loadwav(g, id);
    else g.play.PreloadTried[id] = true;  // the play frame leaves it alone
  }
}

// The first sounds are decoded: load them and start the chart playing itself.
void BeginPreviewPlay(Game& g) {
  SongPreviewState& pv = g.screens.Preview;
  for (int id : pv.first_ids) loadwav(g, id);
  SeekChart(g, pv.start_position, true);
  LoadDecodedSoundsAhead(g);
  g.play.QuitPlay = false;
  g.play.Playing = true;
  g.chart.BackgroundPreview = true;
  g.settings.UserPlay = false;
  g.settings.PlayKeySound = true;
  g.screens.PreviewCursor = g.app.ListCursor;
  pv.stage = Stage::Playing;
  DebugLog(g, "preview: playing " + pv.file + " from " + std::to_string(pv.start_position) + " after " +
                  std::to_string(static_cast<int32_t>(g.NowMs() - pv.load_start)) + " ms");
}

// One tick of the 20 ms preview timer: first waiting for the first sounds,
// then one play frame with the sounds ahead queued for decoding.
void PreviewPlayTimerTick(Game& g) {
  SongPreviewState& pv = g.screens.Preview;
  if (pv.stage == Stage::Loading) {
    if (!CursorStillOn(g, pv.file)) {
      StopSongPreview(g);
      return;
    }
    bool waited_too_long = static_cast<int32_t>(g.NowMs() - pv.load_start) > static_cast<int32_t>(kPreviewMaxWaitMs);
    if (!FirstSoundsReady(g) && !waited_too_long) return;
    BeginPreviewPlay(g);
  }
  if (pv.stage != Stage::Playing) return;
  QueueSoundsUpTo(g, static_cast<int32_t>(g.play.PlayPosition) + kPreviewDecodeAhead);
  LoadDecodedSoundsAhead(g);
  PreviewPlayTick(g);
  if (!g.pump.HasTimer(kPreviewPlayTimerId)) {  // the play ended itself
    CancelSoundPrefetch(g.sound);
    ResetPreviewState(g);
    g.chart.BackgroundPreview = false;
  }
}

// Reads the chart under the cursor as a preview and, when it has something
// to sound, queues its first sounds and starts the preview timer.
void StartPreviewLoad(Game& g) {
  const SongEntry* entry = EntryUnderCursor(g);
  if (!entry) return;
  const std::string file = entry->FilePath;
  ChartState& c = g.chart;
  c.BackgroundPreview = true;
  const Screen saved_state = g.app.GameState;
  ShowMessage(g, "load:" + file);
  const bool saved_course = c.CourseMode;
  const int32_t saved_wav_mode = g.settings.WAVLoadmode;
  const bool saved_no_bga = g.settings.NoBGA;
  c.CourseMode = false;
  g.settings.WAVLoadmode = 1;
  g.settings.NoBGA = true;
  UnloadBMS(g);
  BMSInit(g);
  const bool read = BMSLoad(g, file) >= 1;
  if (!read) c.LoadCancel = true;
  c.CourseMode = saved_course;
  g.app.GameState = saved_state;
  g.settings.NoBGA = saved_no_bga;
  g.settings.WAVLoadmode = saved_wav_mode;
  if (!read) {
    DebugLog(g, "preview: the chart file is missing: " + file);
    c.BackgroundPreview = false;
    return;
  }
  // The first sounding object and everything within one beat of it.
  SongPreviewState& pv = g.screens.Preview;
  ResetPreviewState(g);
  const int32_t count = std::min(c.ObjectCount, kMaxObjects);
  int32_t first = -1;
  for (int32_t i = 0; i < count; ++i) {
    const ChartObject& o = c.Objects[i];
    if (!IsPreviewChannel(o.Channel)) continue;
    if (first < 0) first = i;
    if (o.Position > c.Objects[first].Position + 48) break;
    if (o.Value > 0 && o.Value < kMediaIds) pv.first_ids.push_back(o.Value);
  }
  if (first < 0) {
    DebugLog(g, "preview: nothing sounds in " + file);
    c.BackgroundPreview = false;
    return;
  }
  pv.stage = Stage::Loading;
  pv.file = file;
  pv.start_position = c.Objects[first].Position;
  pv.load_start = g.NowMs();
  pv.queued_until = first;
  g.play.PreloadTried.fill(false);
  CancelSoundPrefetch(g.sound);
  // The first beat's sounds go to the decoders first, then what follows.
  std::vector<std::string> files;
  for (int id : pv.first_ids) {
    if (pv.queued[id]) continue;
    pv.queued[id] = true;
    if (!c.WavFile[id].empty() && !AlreadyLoaded(g, id)) files.push_back(c.WavFile[id]);
  }
  PrefetchSoundFiles(g.sound, files);
  QueueSoundsUpTo(g, pv.start_position + kPreviewDecodeAhead);
  g.pump.SetTimer(kPreviewPlayTimerId, 20, [&g] { PreviewPlayTimerTick(g); });
}

// The course list shows the songs of the course under the cursor.
void LoadCourseUnderCursor(Game& g) {
  const SongEntry* entry = EntryUnderCursor(g);
  if (g.app.ListCursor >= 1 && entry && !entry->FilePath.empty()) {
    CourseLoad(g, entry->FilePath, false);
  } else {
    g.chart.CourseSongs.clear();
    g.chart.CourseSongCount = 0;
  }
}

}  // namespace

void StartPreviewTimer(Game& g) {
  g.pump.SetTimer(kPreviewTimerId, static_cast<uint32_t>(std::max(1, g.settings.PreviewDelay)),
                  [&g] { PreviewDelayElapsed(g); });
}

void PreviewDelayElapsed(Game& g) {
  g.pump.KillTimer(kPreviewTimerId);
  if (g.play.Playing && !g.play.QuitPlay) return;
  Screen mode = g.app.GameState;
  if (mode == Screen::CourseList) {
    LoadCourseUnderCursor(g);
    return;
  }
  if (mode != Screen::SongList) return;
  LoadStagePicture(g);  // the cursor has come to rest: show the entry's picture
  if (!g.settings.BMSPreview) return;
  StopSongPreview(g);
  StartPreviewLoad(g);
}

void StopSongPreview(Game& g) {
  g.pump.KillTimer(kPreviewTimerId);
  bool active = SongPreviewActive(g) || g.pump.HasTimer(kPreviewPlayTimerId);
  if (active) {
    StopPreview(g);  // the play timer, the flags, the sounds and the music volume
    CancelSoundPrefetch(g.sound);
  }
  ResetPreviewState(g);
}

bool SongPreviewActive(const Game& g) { return g.screens.Preview.stage != Stage::Idle; }
bool SongPreviewPlaying(const Game& g) { return g.screens.Preview.stage == Stage::Playing; }

}  // namespace kvx
