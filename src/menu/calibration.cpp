#include "menu/calibration.h"

#include <SDL.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <string>

#include "app/game.h"
#include "app/settings.h"
#include "app/sound_links.h"
#include "app/texts.h"
#include "imgui.h"
#include "media/display_internal.h"
#include "media/sound.h"
#include "media/system_sounds.h"
#include "menu/menu_layout.h"
#include "platform/imgui_window.h"
#include "platform/message_box.h"
#include "platform/sdl_events.h"

namespace kvx {

namespace {

constexpr uint32_t kFlashMs = 100;
constexpr uint32_t kFrameMs = 16;

struct Calibration {
  std::vector<uint32_t> beats;  // game clock ms each click was started
  std::vector<int32_t> offsets;
  uint32_t next_beat = 0;
  ServerTimeMap server_times;
  bool pending_server_time = false;
  uint32_t server_ms = 0;
  bool sound = false;
};

enum class Outcome { Open, Save, Close };

std::string Signed(int value) { return (value >= 0 ? "+" : "") + std::to_string(value); }

// The line the screen shows under the box (the log has it in English).
std::string SummaryLine(const Game& g, const CalibrationSummary& s, const Texts& t) {
  return TextWith(t.calibration_summary, {std::to_string(s.taps), Signed(s.mean_ms), std::to_string(s.spread_ms),
                                          Signed(g.settings.JudgeOffsetMs)});
}

void Tap(Game& g, Calibration& c, uint32_t when) {
  const auto offset = TapOffset(c.beats, when);
  if (!offset) return;
  c.offsets.push_back(*offset);
  const CalibrationSummary s = SummarizeTaps(c.offsets);
  if (s.taps > 0) DebugLog(g, "[Calibration] tap " + std::to_string(*offset) + " ms; " + SummaryLine(g, s, kTextsEn));
}

// When a key event happened on the game clock: the X server's time of the
// press where there is one, else SDL's.
uint32_t KeyTime(Game& g, Calibration& c, const SDL_Event& e, bool server_time) {
  uint32_t monotonic = 0;
  const uint32_t now = GameAndMonotonicNow(g.clock.get(), &monotonic);
  // Both ages are wall-clock time: on a clock that does not follow it (a
  // test's) a key happened when it is read.
  if (!g.clock->FollowsWallClock()) return now;
  const uint32_t sdl_now = SDL_GetTicks();
  return server_time ? now - c.server_times.AgeOf(c.server_ms, sdl_now, monotonic)
                     : SdlEventTime(e.key.timestamp, sdl_now, now);
}

// Taps are any key but Escape (closes) and Enter (saves once enough taps
// were counted). Without a window (a scripted run) key events of any window count.
Outcome ReadEvents(Game& g, Calibration& c, ImGuiWindow* window) {
  Outcome outcome = Outcome::Open;
  // Without a window there is nothing to fetch from the system: only the
  // events already queued are read.
  if (window) SDL_PumpEvents();
  SDL_Event e;
  while (SDL_PeepEvents(&e, 1, SDL_GETEVENT, SDL_FIRSTEVENT, SDL_LASTEVENT) > 0) {
    if (ServerKeyTime(e, &c.server_ms)) {
      c.pending_server_time = true;
      continue;
    }
    const bool server_time = c.pending_server_time && (e.type == SDL_KEYDOWN || e.type == SDL_KEYUP);
    c.pending_server_time = false;
    if (window && window->HandleEvent(e) != ImGuiWindow::Event::None) {
      if (e.type == SDL_QUIT) SDL_PushEvent(&e);  // the menu closes too
      outcome = Outcome::Close;
    }
    if (e.type != SDL_KEYDOWN || e.key.repeat || (window && e.key.windowID != window->id())) continue;
    const SDL_Scancode key = e.key.keysym.scancode;
    if (key == SDL_SCANCODE_ESCAPE) {
      outcome = Outcome::Close;
    } else if (key == SDL_SCANCODE_RETURN || key == SDL_SCANCODE_KP_ENTER) {
      if (SummarizeTaps(c.offsets).taps >= kCalibrationMinTaps && outcome == Outcome::Open) outcome = Outcome::Save;
    } else {
      Tap(g, c, KeyTime(g, c, e, server_time));
    }
  }
  return outcome;
}

void PlayBeats(Game& g, Calibration& c) {
  const uint32_t now = g.NowMs();
  if (static_cast<int32_t>(now - c.next_beat) < 0) return;
  if (c.sound) PlaySE(g.sound, kSePtsCount);
  c.beats.push_back(now);
  c.next_beat += kCalibrationBeatMs;
  if (static_cast<int32_t>(now - c.next_beat) >= 0) c.next_beat = now + kCalibrationBeatMs;
}

// Sleeps until `until` (game clock), waking for input at once; a scripted
// clock is moved there.
void WaitUntil(Game& g, uint32_t until) {
  const int32_t wait = static_cast<int32_t>(until - g.NowMs());
  if (wait <= 0) return;
  if (g.clock->FollowsWallClock())
    SDL_WaitEventTimeout(nullptr, wait);
  else
    g.clock->SleepMs(static_cast<uint32_t>(wait));
}

Outcome DrawCalibration(Game& g, Calibration& c) {
  const bool flash = !c.beats.empty() && g.NowMs() - c.beats.back() < kFlashMs;
  switch (DrawCalibrationFrame(g, SummarizeTaps(c.offsets), c.sound, flash)) {
    case CalibrationClick::Save: return Outcome::Save;
    case CalibrationClick::Close: return Outcome::Close;
    case CalibrationClick::StartAgain: c.offsets.clear(); break;
    case CalibrationClick::None: break;
  }
  return Outcome::Open;
}

// The window, or false when it cannot open.
bool OpenWindow(Game& g, ImGuiWindow& window) {
  if (g.options.headless || !DisplayAvailable()) return false;
  ImGuiWindowSetup setup;
  setup.caption = TextsOf(g).calibration_caption;
  setup.width = kCalibrationWindowWidth;
  setup.height = kCalibrationWindowHeight;
  setup.font_file = FindFontFile("ＭＳ Ｐゴシック", &setup.font_index);
  setup.glyph_texts = MenuWindowTexts();
  if (window.Open(setup)) return true;
  DebugLog(g, "Calibration: " + window.error());
  return false;
}

// The saved offset goes into the settings file at once.
void SaveOffset(Game& g, const CalibrationSummary& s) {
  g.settings.JudgeOffsetMs = std::clamp(s.mean_ms, -kMaxOffsetMs, kMaxOffsetMs);
  DebugLog(g, "[Calibration] judge offset " + std::to_string(g.settings.JudgeOffsetMs) + " ms from " +
                  std::to_string(s.taps) + " taps (spread " + std::to_string(s.spread_ms) + " ms)");
  SaveSettings(g);
}

}  // namespace

CalibrationClick DrawCalibrationFrame(const Game& g, const CalibrationSummary& s, bool sound, bool flash) {
  const ImGuiViewport* vp = ImGui::GetMainViewport();
  ImGui::SetNextWindowPos(vp->Pos);
  ImGui::SetNextWindowSize(vp->Size);
  ImGui::Begin("calibration", nullptr, ImGuiWindowFlags_NoDecoration | ImGuiWindowFlags_NoSavedSettings);
  const Texts& t = TextsOf(g);
  ImGui::TextWrapped("%s", t.calibration_instructions);
  if (!sound) ImGui::TextWrapped("%s", t.calibration_no_sound);
  const ImVec2 at = ImGui::GetCursorScreenPos();
  ImGui::GetWindowDrawList()->AddRectFilled(at, ImVec2(at.x + 40, at.y + 40),
                                            flash ? IM_COL32(255, 255, 0, 255) : IM_COL32(60, 60, 60, 255));
  ImGui::Dummy(ImVec2(40, 40));
  ImGui::TextUnformatted(SummaryLine(g, s, t).c_str());
  CalibrationClick click = CalibrationClick::None;
  ImGui::BeginDisabled(s.taps < kCalibrationMinTaps);
  if (ImGui::Button(t.calibration_save)) click = CalibrationClick::Save;
  ImGui::EndDisabled();
  ImGui::SameLine();
  if (ImGui::Button(t.calibration_again)) click = CalibrationClick::StartAgain;
  ImGui::SameLine();
  if (ImGui::Button(t.calibration_close)) click = CalibrationClick::Close;
  ImGui::End();
  return click;
}

std::optional<int32_t> TapOffset(const std::vector<uint32_t>& beats, uint32_t tap_ms) {
  std::optional<int32_t> best;
  for (uint32_t beat : beats) {
    const int32_t offset = static_cast<int32_t>(tap_ms - beat);
    if (std::abs(offset) * 2 > static_cast<int32_t>(kCalibrationBeatMs)) continue;
    if (!best || std::abs(offset) < std::abs(*best)) best = offset;
  }
  return best;
}

CalibrationSummary SummarizeTaps(const std::vector<int32_t>& offsets) {
  CalibrationSummary s;
  if (static_cast<int>(offsets.size()) <= kCalibrationPracticeTaps) return s;
  const auto first = offsets.begin() + kCalibrationPracticeTaps;
  s.taps = static_cast<int>(offsets.end() - first);
  double sum = 0, squares = 0;
  for (auto it = first; it != offsets.end(); ++it) sum += *it;
  const double mean = sum / s.taps;
  for (auto it = first; it != offsets.end(); ++it) squares += (*it - mean) * (*it - mean);
  s.mean_ms = static_cast<int>(std::lround(mean));
  s.spread_ms = static_cast<int>(std::lround(std::sqrt(squares / s.taps)));
  return s;
}

void OpenCalibrationWindow(Game& g) {
  ImGuiWindow window;
  const bool shown = OpenWindow(g, window);
  // Without a window only a test's script can tap.
  const auto& script = g.menu.frame_script;
  if (!shown && !script) return;
  if (shown) window.SetFramePacing(false);
  const bool events = SDL_InitSubSystem(SDL_INIT_EVENTS) == 0;
  InitDS(g);
  Calibration c;
  c.sound = HasSystemSound(g.sound, kSePtsCount);
  c.next_beat = g.NowMs() + kCalibrationFirstBeatMs;
  DebugLog(g, "[Calibration] opened");
  Outcome outcome = Outcome::Open;
  uint32_t next_frame = g.NowMs();
  while (outcome == Outcome::Open) {
    // Sleep until the next beat or frame, waking for input at once.
    WaitUntil(g, static_cast<int32_t>(c.next_beat - next_frame) < 0 ? c.next_beat : next_frame);
    PlayBeats(g, c);
    if (script) script(g);
    outcome = ReadEvents(g, c, shown ? &window : nullptr);
    if (outcome != Outcome::Open || static_cast<int32_t>(g.NowMs() - next_frame) < 0) continue;
    next_frame = g.NowMs() + kFrameMs;
    if (!shown) continue;
    window.BeginFrame();
    outcome = DrawCalibration(g, c);
    window.EndFrame(g.menu.screenshot_path);
    g.menu.screenshot_path.clear();
  }
  if (outcome == Outcome::Save)
    SaveOffset(g, SummarizeTaps(c.offsets));
  else
    DebugLog(g, "[Calibration] closed");
  ReleaseSound(g.sound);
  if (shown) window.Close();
  if (events) SDL_QuitSubSystem(SDL_INIT_EVENTS);
}

}  // namespace kvx
