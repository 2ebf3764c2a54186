#include "play/play_loop.h"

#include <algorithm>
#include <cmath>
#include <random>
#include <string>

#include "app/game.h"
#include "app/sound_links.h"
#include "app/timers.h"
#include "chart/chart_read.h"
#include "platform/rounding.h"
#include "play/long_notes.h"
#include "play/play_loop_links.h"
#include "play/play_screen.h"
#include "screens/song_select.h"

namespace kvx {

namespace {

constexpr int kCodeEsc = 1;
constexpr int kCodeF12 = 88;

bool IsNoteChannel(int ch) {
  return (ch >= 11 && ch <= 19 && ch != 17) || (ch >= 21 && ch <= 29 && ch != 27);
}
bool IsSoundChannel(int ch) { return ch == 1 || (ch >= 11 && ch <= 19) || (ch >= 21 && ch <= 29); }

// The frozen states share the saved tempo: pause and break may overlap, and
// only the first freeze saves the running tempo (the second would save 0).
bool Frozen(const PlayState& p) { return p.Paused || p.BreakActive; }

void RestoreTempo(Game& g) {
  float rhs = g.settings.RealHiSpeed > 0 ? g.settings.RealHiSpeed : 1.0f;
  BPMChange(g, g.play.PausedBPM / rhs);
}

// Plays a chart sound by id when it is a valid id.
void PlayChartSound(Game& g, int32_t id, SoundKind kind = SoundKind::Key) {
  if (id > 0 && id < kMediaIds) PlayWav(g, id, 0, kind);
}

void StartStop(Game& g, const ChartObject& stop, double position);
void TempoChangeAt(Game& g, float bpm, double position);

void CourseSongChange(Game& g, const ChartObject& obj) {
  uint32_t t0 = g.NowMs();
  int song = std::clamp(obj.Value, 0, kMaxCourseSongs - 1);
  g.chart.CourseSong = song;
  ShowMessage(g, "Song: [" + std::to_string(song + 1) + "] " + CourseSongTitle(g, song) + " / " +
                     CourseSongArtist(g, song));
  int interval = std::max(1, RoundEven(g.play.GaugeSampleInterval));
  int notes = std::max(1, g.chart.NoteCount[0]);
  int judged = JudgedNotes(g);
  DrawGraphLine(g, g.play.ElapsedMs / interval, 0, judged * 300 / notes, 203, 0x0040C0 /* RGB 0,64,192 */);
  ApplyCourseSongTables(g, song);  // load flags and judgement windows of the song
  ResetBgaLayers(g);
  if (g.settings.CourseLoadMode == 1) LoadAllCourseSongMedia(g, song);
  if (g.settings.CourseEffect) {
    if (LoadCourseStageImage(g, song)) {
      g.play.FadeState = kFadeStage;
      g.play.FadeStart = g.NowMs();
    }
  }
  // The time spent here must not make the chart jump ahead.
  g.play.PlayStartTime += g.NowMs() - t0;
}

void HandleObject(Game& g, int index) {
  PlayState& p = g.play;
  const ChartObject& obj = g.chart.Objects[index];
  const int ch = obj.Channel;
  const bool near = p.PlayPosition - obj.Position < 48;
  if (ch == kChannelSongChange) {
    CourseSongChange(g, obj);
  } else if (ch == kChannelBarLine) {
    p.LastBarMeasure = obj.Measure;
    p.LastBarPosition = obj.Position;
    if (g.playopt.RandomSpeed) {
      std::uniform_real_distribution<float> uni(0.0f, 1.0f);
      g.playopt.TargetHiSpeed = uni(g.play.rng) * 9 >= 7 ? 1 + 5 * uni(g.play.rng) : 1 + 2 * uni(g.play.rng);
    }
  } else if (ch == 1) {
    if (g.settings.PlaySound && near) PlayChartSound(g, obj.Value, SoundKind::Background);
  } else if (ch == 3 || (g.chart.ModernRules && ch == kChannelTempo)) {
    const double bpm = g.chart.ModernRules ? TempoChangeOf(g.chart, obj) : obj.Value;
    if (!g.chart.ModernRules) {
      BPMChange(g, static_cast<float>(bpm));
    } else if (bpm > 0) {
      TempoChangeAt(g, static_cast<float>(bpm), ExactPositionOf(g.chart, index));
    }
    if (!g.chart.ModernRules || bpm > 0) p.DisplayedBPM = static_cast<float>(bpm);
  } else if (g.chart.ModernRules && ch == kChannelStop) {
    if (index >= p.SeekIndex) StartStop(g, obj, ExactPositionOf(g.chart, index));
  } else if (IsLongNoteEnd(ch)) {
    LongNoteEndReached(g, index);
  } else if (IsMine(ch)) {
    MineReached(g, index);
  } else if (ch == 4) {
    SetBgaImage(g, 0, obj.Value, obj.Offset == -127);
  } else if (ch == 6) {
    SetPoorImage(g, obj.Value);
  } else if (ch == 7) {
    SetBgaImage(g, 1, obj.Value, obj.Offset == -127);
  } else if (IsNoteChannel(ch)) {
    const int lane = ch - 11;
    const bool automatic = g.app.LaneAuto[lane] || g.settings.DEMOMode;
    LongNoteStartReached(g, index);
    if ((g.settings.PlayKeySound || automatic) && near) PlayChartSound(g, obj.Value);
    if (automatic) {
      p.LaneCandidate[lane] = -1;
      // An automatic hit is on time at any frame rate: it is judged at the
      // note's own position, not at the frame's that reached it.
      const double framePosition = p.PlayPosition;
      p.PlayPosition = obj.Position;
      Judge(g, index, 0.0f);
      p.PlayPosition = framePosition;
      HoldLongNoteAutomatically(g, lane, index);
    }
  } else if (ch >= 31 && ch <= 49) {
    p.LaneKeySound[ch - 31] = obj.Value;
  }
}

// While a stop holds, the position stays at the stop until the clock
// formula reaches it again.
double HeldAtStop(PlayState& p, double position) {
  if (!p.StopActive) return position;
  if (position < p.StopPosition) return p.StopPosition;
  p.StopActive = false;
  return position;
}

// A stop: the clock formula moves back by the stop's length, so the play
// resumes from the stop after the time that length takes at the tempo in
// force; the objects after it wait.
void StartStop(Game& g, const ChartObject& stop, double position) {
  PlayState& p = g.play;
  if (stop.Value <= 0) return;
  p.StopBeganMs = p.PositionRate > 0 ? (position - p.BasePosition) / p.PositionRate : p.ElapsedMs;
  p.StopUnits = stop.Value;
  p.BasePosition -= stop.Value;
  p.StopActive = true;
  p.StopPosition = position;
  p.PlayPosition = HeldAtStop(p, p.ElapsedMs * p.PositionRate + p.BasePosition);
}

// A tempo change of a modern chart takes effect at its own position, not at
// the frame that finds it due: the clock runs on from the moment the old
// tempo reached that position, so no note time depends on the frame rate.
void TempoChangeAt(Game& g, float bpm, double position) {
  PlayState& p = g.play;
  if (!(p.PositionRate > 0)) {
    BPMChange(g, bpm);
    return;
  }
  const double reachedMs = (position - p.BasePosition) / p.PositionRate;
  BPMChange(g, bpm);
  p.BasePosition = position - p.PositionRate * reachedMs;
  p.PlayPosition = HeldAtStop(p, p.ElapsedMs * p.PositionRate + p.BasePosition);
}

void TakeGaugeSamples(Game& g) {
  PlayState& p = g.play;
  const int interval = std::max(1, RoundEven(p.GaugeSampleInterval));
  if (p.ElapsedMs < 0) return;
  const int target = p.ElapsedMs / interval;
  const int slot = LocalPlayerSlot(g);
  const float gauge = std::clamp(g.judge.Player[0].Gauge, 0.0f, 100.0f);
  const bool network = NetworkBattle(g);
  const int a = (gauge > 80 || network || g.chart.CourseMode) ? 1 : 0;
  for (int i = static_cast<int>(p.GaugeSamples[0]); i <= target && i < kGaugeHistoryLength; ++i) {
    p.GaugeHistory[0][i] = static_cast<uint8_t>(RoundEven(gauge));
    p.GaugeSamples[0] = static_cast<float>(i + 1);
    if (network) NetGaugeSample(g, i + 1);
    PlotGraphCell(g, i, 200 - RoundEven(2 * gauge), slot + 5 * a);
  }
}

void WalkKeySoundList(Game& g) {
  PlayState& p = g.play;
  const int count = std::clamp<int>(g.chart.KeySoundCount, 0, static_cast<int>(g.chart.KeySoundList.size()));
  while (p.KeySoundCursor < count) {
    const KeySoundEntry& rec = g.chart.KeySoundList[p.KeySoundCursor];
    if (!(rec.Position < p.PlayPosition)) break;
    if (rec.Channel >= 11 && rec.Channel <= 29) p.LaneKeySound[rec.Channel - 11] = rec.Value;
    ++p.KeySoundCursor;
  }
}

void WalkReplay(Game& g) {
  PlayState& p = g.play;
  const int limit = std::min<int>(p.ReplayLimit, static_cast<int>(p.RecordList.size()));
  while (p.ReplayCursor < limit) {
    const ChartObject& rec = p.RecordList[p.ReplayCursor];
    if (!(rec.Position < p.PlayPosition)) break;
    ++p.ReplayCursor;
    if (p.PlayPosition - rec.Position > 48) continue;  // too far behind: skipped
    PlayChartSound(g, rec.Value);
  }
}

void PreloadAhead(Game& g) {
  const PlayState& p = g.play;
  const auto& objs = g.chart.Objects;
  const int count = std::min(g.chart.ObjectCount, kMaxObjects);
  for (int i = p.NextObject; i < count && objs[i].Position <= p.PlayPosition + 120; ++i) {
    const ChartObject& o = objs[i];
    if (!IsSoundChannel(o.Channel) || o.Value <= 0 || o.Value >= kMediaIds) continue;
    if (g.chart.WavLoadState[o.Value] >= 255 || g.play.PreloadTried[o.Value]) continue;
    // A file that fails to load is tried once per play, not once per frame.
    g.play.PreloadTried[o.Value] = true;
    loadwav(g, o.Value);
  }
}

void InstallEffectTimer(Game& g) {
  // The tick runs with every frame's pump; a paused play rests through it.
  g.pump.SetTimer(kEffectTickTimerId, 1, [&g] { EffectTick(g); }, true);
}

}  // namespace

double PlayPositionAt(const Game& g, uint32_t tick) {
  const PlayState& p = g.play;
  int32_t elapsed = static_cast<int32_t>(tick - p.PlayStartTime);
  const double position = elapsed * p.PositionRate + p.BasePosition;
  if (!p.StopActive) return position;
  // A press from before the stop began (handled a frame later) keeps its place.
  if (elapsed < p.StopBeganMs) return position + p.StopUnits;
  return std::max(position, p.StopPosition);
}

int32_t JudgementColour(int32_t code) {
  // RGB(r, g, b) packed as r + 256 g + 65536 b.
  switch (code) {
    case 4: return 255 + 255 * 256;          // FGREAT 255,255,0
    case 3: return 255 * 256;                // GREAT 0,255,0
    case 2: return 255 * 65536;              // GOOD 0,0,255
    case 1: return 255 + 255 * 65536;        // BAD 255,0,255
    case 0: return 255;                      // POOR 255,0,0
    default: return 0;
  }
}

void BPMChange(Game& g, float bpm) {
  PlayState& p = g.play;
  ShowMessage(g, "BPM CHANGE : " + FormatIniSingle(bpm));
  const float rhs = g.settings.RealHiSpeed;
  const double newEffective = static_cast<double>(bpm) * rhs;
  const double base = p.BasePosition - (newEffective - p.EffectiveBPM) / kMsPerUnitAtOneBpm * p.ElapsedMs;
  p.BasePosition = g.chart.ModernRules ? base : RoundEven(base);
  p.EffectiveBPM = static_cast<float>(newEffective);
  p.PositionRate = p.EffectiveBPM / kMsPerUnitAtOneBpm;
  p.UnitsPerSecond = p.EffectiveBPM / 240.0f * 192.0f;
  // A changed play speed changes the pitch as well as the tempo.
  for (int id = 0; id < kMediaIds; ++id)
    if (HasWavBuffer(g.sound, id))
      SetWavBufferFrequency(g.sound, id, RoundEven(g.sound.WavBaseFrequency[id] * static_cast<double>(rhs)));
}

void BMSPause(Game& g) {
  PlayState& p = g.play;
  if (p.Paused) return;
  const bool wasFrozen = Frozen(p);
  p.Paused = true;
  p.PauseStart = g.NowMs();
  DebugLog(g, "[BMSPause]");
  PauseChartSounds(g);
  if (!wasFrozen) p.PausedBPM = p.EffectiveBPM;
  BPMChange(g, 0);
}

int64_t PlayedMs(const Game& g, uint32_t now) {
  const PlayState& p = g.play;
  const int64_t running = p.Paused ? static_cast<int32_t>(now - p.PauseStart) : 0;
  return static_cast<int32_t>(now - p.PlayStartTime) - p.PausedMs - running;
}

void BMSResume(Game& g) {
  PlayState& p = g.play;
  if (!p.Paused) return;
  DebugLog(g, "[BMSResume] BPM:" + FormatIniSingle(p.PausedBPM));
  p.Paused = false;
  p.PausedMs += g.NowMs() - p.PauseStart;
  // A break that is still running keeps the chart frozen; its end restores.
  if (!p.BreakActive) {
    ResumeChartSounds(g);
    RestoreTempo(g);
  }
  DebugLog(g, "[Resumed]");
}

void StartBreak(Game& g) {
  PlayState& p = g.play;
  const bool wasFrozen = Frozen(p);
  p.BreakActive = true;
  p.BreakStart = g.NowMs();
  PauseChartSounds(g);
  if (g.playopt.CourseEffect != kEffectBreak) PlaySE(g.sound, kSeResFail);
  if (!wasFrozen) p.PausedBPM = p.EffectiveBPM;
  BPMChange(g, 0);
}

void UpdateFrame(Game& g) {
  PlayState& p = g.play;
  const uint32_t now = g.NowMs();
  const uint32_t frameStart = now;
  // The clock.
  p.ElapsedMs = static_cast<int32_t>(now - p.PlayStartTime);
  p.PlayPosition = HeldAtStop(p, p.ElapsedMs * p.PositionRate + p.BasePosition);

  // The end of the break.
  if (p.BreakActive && !p.Failed && static_cast<int32_t>(now - p.BreakStart) > 1000) {
    if (!p.Paused) {
      ResumeChartSounds(g);
      RestoreTempo(g);
    }
    if (g.playopt.CourseEffect != kEffectBreak) {
      p.Failed = true;
      p.FailedTime = now;
    }
    p.BreakActive = false;
    g.playopt.CourseEffect = kEffectNone;
  }

  // Delayed (echo) sounds.
  RunEchoQueue(g, p.ElapsedMs);
  // Key-sound assignments passed.
  WalkKeySoundList(g);
  // Replay of recorded presses.
  if (g.settings.PlayRec) WalkReplay(g);

  // Objects that are due: everything at or before the play position.
  const int count = std::min(g.chart.ObjectCount, kMaxObjects);
  while (p.NextObject < count && ExactPositionOf(g.chart, p.NextObject) <= p.PlayPosition) {
    HandleObject(g, p.NextObject);
    ++p.NextObject;
  }
  // Long notes held to their end, or let go too early.
  UpdateLongNoteHolds(g);

  // Sounds of the next 120 units.
  PreloadAhead(g);
  // Gauge history.
  TakeGaugeSamples(g);

  // Quitting needs ESC held for more than half a second.
  if (p.EscHeld && static_cast<int32_t>(now - p.EscDownTime) > 500) {
    p.FadeStart = now;
    p.FadeState = kFadeClose;
    p.FadeMayFinish = 1;
    p.EscHeld = false;
  }

  // Drawing (with the missed-note detection and the candidate choice).
  if (!g.chart.BackgroundPreview) {
    p.LastFrameMs = g.NowMs() - frameStart;
    DrawPlayScreen(g, p.NextObject);
    EffectTick(g);
  }
  // The last object has been processed.
  if (p.NextObject >= count) p.Playing = false;
}

void PlayLoop(Game& g) {
  PlayState& p = g.play;
  // No button is held as the play starts.
  g.app.LanePressed.fill(false);
  g.app.ButtonState.fill(false);
  p.QuitPlay = false;
  p.Playing = true;
  DebugLog(g, "[PlayLoop]");
  // The clock at position 0 under the chart's tempo.
  p.BasePosition = 0;
  p.InitialBPM = static_cast<float>(StartTempo(g.chart));
  p.EffectiveBPM = static_cast<float>(StartTempo(g.chart) * g.settings.RealHiSpeed);
  p.PositionRate = p.EffectiveBPM / kMsPerUnitAtOneBpm;
  p.UnitsPerSecond = p.EffectiveBPM / 240.0f * 192.0f;
  p.DisplayedBPM = p.InitialBPM;
  p.PreloadTried.fill(false);
  p.FrameCount = 0;
  p.ReplayCursor = 0;
  p.ReplayLimit = static_cast<int32_t>(p.RecordList.size());
  DebugLog(g, "  playloop start");
  // The intro: the "R E A D Y ?" fade over the captured screen.
  PlaySE(g.sound, kSeReady);
  CaptureBackSurface(g);
  p.FadeState = kFadeIntro;
  p.FadeStart = g.NowMs();
  p.FadeMayFinish = 0;
  ShowMessage(g, "R E A D Y ?");
  const uint32_t introStart = g.NowMs();
  g.playopt.OptionsChanged = false;
  // The intro lasts 1000 ms; the clock starts at its last frame.
  do {
    p.PlayStartTime = g.NowMs();
    DrawPlayScreen(g, 0);
    EffectTick(g);
  } while (static_cast<int32_t>(g.NowMs() - introStart) < 1000 && !p.QuitPlay && !g.app.PlayStop);
  SeekChart(g, 0, true);
  if (!p.QuitPlay) {
    InstallEffectTimer(g);
    ResetHiSpeedForPlayStart(g);
    p.BreakActive = false;
    g.app.GameState = Screen::Play;
    p.Failed = false;
    p.ReachedEnd = false;
    // Frames until QuitPlay: the end of the chart and a failed play start
    // the closing fade, whose end sets QuitPlay.
    const int count = std::min(g.chart.ObjectCount, kMaxObjects);
    while (!p.QuitPlay) {
      if (g.app.PlayStop) p.QuitPlay = true;  // the -S option
      if (p.NextObject >= count && p.FadeState == kFadeNone) {
        if (g.screens.PreviewMode) {
          CaptureBackSurface(g);
          break;
        }
        p.FadeStart = g.NowMs();
        p.FadeState = kFadeClose;
        p.FadeMayFinish = 1;
        PlaySE(g.sound, kSeFade);
        p.ReachedEnd = true;
      }
      if (p.Failed && p.FadeState == kFadeNone) {
        p.FadeStart = g.NowMs();
        p.FadeState = kFadeFailed;
        p.FadeMayFinish = 1;
        PlaySE(g.sound, kSeFade);
      }
      // A paused play rests until something happens (holding Escape to quit counts time).
      if (p.Paused && !p.EscHeld && RestFrame(g)) continue;
      UpdateFrame(g);
    }
    DebugLog(g, "playloop end");
    g.pump.KillTimer(kEffectTickTimerId);
  }
  // After the play.
  ClearPendingImages(g);
  if (NetworkBattle(g)) NetEndOfPlay(g);
  g.app.GameState = Screen::PlayEnded;
  ApplyHiSpeedAfterPlay(g);
}

void StartPlay(Game& g) {
  PlayState& p = g.play;
  // A play by the player, not a preview. Starting a chart clears the
  // play-stop flag of the -S option.
  g.app.PlayStop = false;
  g.chart.BackgroundPreview = false;
  g.settings.PlayKeySound = false;
  g.settings.UserPlay = true;
  // Fresh play state at the chart's start.
  ResetPlayState(g);
  p.GaugeSamples.fill(0);
  for (auto& row : p.GaugeHistory) row.fill(0);
  ClearProgressGraph(g);  // each result shows the graph of its own play
  p.KeyFlash.fill(0);
  p.EscHeld = false;
  p.Paused = false;
  p.PausedMs = 0;
  p.SoundWasPlaying.fill(false);
  SeekChart(g, 0, false);
  DebugLog(g, "totalobjs: " + std::to_string(g.chart.ObjectCount));
  PlayLoop(g);
  // Back to the list the chart came from; a jukebox play that was cut short ends.
  RestoreGameWindow(g);
  if (p.NextObject < g.chart.ObjectCount) g.screens.PreviewMode = false;
  p.RecordList.clear();
  p.ReplayCursor = 0;
  p.ReplayLimit = 0;
  // The result screen and the chart's score record (not between the songs of
  // a jukebox play).
  if (!g.screens.PreviewMode) {
    const bool rank = !g.settings.DEMOMode && p.ReachedEnd;
    // From here on any way out of the program writes the record first.
    MarkScoreRecordPending(g, rank);
    RunResultScreen(g);
    RunScoreRecord(g, rank);
    g.app.ButtonState.fill(false);
    g.app.LanePressed.fill(false);
  }
  UnloadBMS(g);
  // Back on song select: its music, its preview timer and its start sound.
  if (!g.screens.PreviewMode) {
    p.FixedGaugeMode = false;
    ClearNetPlayStarted(g);
    PlaySE(g.sound, kSeSelect, true);
    p.PreviewFadeVolume = 0;
    if (HasSystemSound(g.sound, kSeSelect)) SetSystemSoundVolume(g.sound, kSeSelect, 0);
    if (g.settings.BMSPreview) StartPreviewTimer(g);
    PlaySE(g.sound, kSeSelStart);
  }
}

void ProcessKey_Play(Game& g, int keycode) { ProcessKey_Play(g, keycode, KeyPressTime(g, keycode)); }

void ProcessKey_Play(Game& g, int keycode, uint32_t eventMs) {
  PlayState& p = g.play;
  const uint32_t now = g.NowMs();
  // A press reported as happening in the future is taken as happening now.
  if (static_cast<int32_t>(eventMs - now) > 0) eventMs = now;
  if (keycode == kCodeEsc) {
    p.EscDownTime = eventMs;
    p.EscHeld = true;
  }
  if (keycode == kCodeF12) {
    if (p.Paused)
      BMSResume(g);
    else
      BMSPause(g);
  }
  if (p.Paused || p.BreakActive) return;
  if (keycode < 0 || keycode >= kKeyTableSize) return;
  int c = g.app.KeyTable[keycode];
  if (c < 11 || c > 29 || c == 20) return;
  g.app.LanePressed[c - 11] = true;
  if (c == 17) c = 16;  // the pedal keys act on the scratch lane
  if (c == 27) c = 26;
  const int lane = c - 11;
  p.KeyFlash[lane] = 1;
  PlayChartSound(g, p.LaneKeySound[lane]);  // every press sounds, hit or not

  // Judgement at the time of the press. The frame handles the key event some
  // time after it happened (up to a whole frame later); judging at the frame's
  // position would make the timing depend on the frame rate. The position at
  // the event is the frame's position moved back by the time since the event:
  // PlayPosition - PositionRate x (now - eventMs), which is the clock formula
  // evaluated at eventMs. Judge measures "now" from PlayPosition, so it is set
  // to the event's position for the call and restored afterwards.
  // The player's offset moves the press; pressing late by that much is on time.
  const uint32_t judgedMs = eventMs - static_cast<uint32_t>(g.settings.JudgeOffsetMs);
  if (p.PressTrace) p.PressTrace->push_back(judgedMs);
  const double eventPosition = PlayPositionAt(g, judgedMs);
  if (p.LaneCandidate[lane] != -1 && !p.Failed) {
    const double framePosition = p.PlayPosition;
    const LongNotePress press = BeforeLongNotePress(g, p.LaneCandidate[lane]);
    p.PlayPosition = eventPosition;
    PreferNearerNote(g, lane);
    const bool consumed = Judge(g, p.LaneCandidate[lane], 0.0f);
    p.PlayPosition = framePosition;
    AfterLongNotePress(g, lane, press, consumed);
    if (consumed) p.LaneCandidate[lane] = -1;
  }
  if (g.settings.UserRec && static_cast<int>(p.RecordList.size()) < kMaxRecordEvents) {
    ChartObject rec;
    rec.Channel = c;
    rec.Measure = p.LastBarMeasure;
    rec.Position = RoundEven(eventPosition);
    rec.Value = p.LaneKeySound[lane];
    rec.Offset = JudgementColour(g.judge.Player[LocalPlayerSlot(g)].LastJudgement);
    p.RecordList.push_back(rec);
  }
}

void ButtonUp_Play(Game& g, int keycode) {
  PlayState& p = g.play;
  if (keycode == kCodeEsc) {
    p.EscHeld = false;
    return;
  }
  if (keycode < 0 || keycode >= kKeyTableSize) return;
  const int f = g.app.KeyTable[keycode];
  if (f == 1) {
    p.EscHeld = false;
    return;
  }
  if (f < 11 || f > 29 || f == 20) return;
  g.app.LanePressed[f - 11] = false;
  p.KeyFlash[f - 11] = 0;
  // A pedal key lit the scratch lane's beam: put it out unless the scratch
  // key itself is still held.
  if (f == 17 && !g.app.LanePressed[16 - 11]) p.KeyFlash[16 - 11] = 0;
  if (f == 27 && !g.app.LanePressed[26 - 11]) p.KeyFlash[26 - 11] = 0;
  if (f == 16 && g.app.LanePressed[17 - 11]) p.KeyFlash[16 - 11] = 1;
  if (f == 26 && g.app.LanePressed[27 - 11]) p.KeyFlash[26 - 11] = 1;
}

void PreviewTick(Game& g) {
  PlayState& p = g.play;
  // The song-select music fades to about -15 dB within 0.6 s.
  if (p.PreviewFadeVolume >= -1500) {
    p.PreviewFadeVolume -= 50;
    if (HasSystemSound(g.sound, kSeSelect)) SetSystemSoundVolume(g.sound, kSeSelect, p.PreviewFadeVolume);
  }
  // One frame; nothing is drawn in a background preview.
  UpdateFrame(g);
  // The preview ends when the chart does or a cursor move stopped it.
  if (p.QuitPlay || !p.Playing) {
    g.pump.KillTimer(kPreviewPlayTimerId);
    ShowMessage(g, "PLAY STOP");
    p.Playing = false;
    g.settings.PlayKeySound = false;
    g.settings.UserPlay = true;
    UnloadBMS(g);
  }
}

}  // namespace kvx
