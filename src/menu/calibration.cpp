#include "menu/calibration.h"

#include <SDL.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "app/game.h"
#include "app/sound_links.h"
#include "imgui.h"
#include "media/display_internal.h"
#include "media/sound.h"
#include "media/system_sounds.h"
#include "platform/imgui_window.h"
#include "platform/message_box.h"
#include "platform/sdl_events.h"

namespace kvx {

namespace {

constexpr const char* kCaption = "korvex calibration";
constexpr uint32_t kFirstBeatMs = 1000;
constexpr uint32_t kFlashMs = 100;
constexpr uint32_t kFrameMs = 16;

struct Calibration {
  std::vector<uint32_t> beats;  // SDL ms each click was started
  std::vector<int32_t> offsets;
  uint32_t next_beat = 0;
  ServerTimeMap server_times;
  bool pending_server_time = false;
  uint32_t server_ms = 0;
  bool sound = false;
};

void Tap(Calibration& c, uint32_t when) {
  if (auto offset = TapOffset(c.beats, when)) c.offsets.push_back(*offset);
}

// Taps are any key but Escape, stamped with the X server's time of the press
// where there is one. Returns false when the window is to close.
bool ReadEvents(Calibration& c, ImGuiWindow& window) {
  bool open = true;
  SDL_Event e;
  while (SDL_PollEvent(&e)) {
    if (ServerKeyTime(e, &c.server_ms)) {
      c.pending_server_time = true;
      continue;
    }
    const bool server_time = c.pending_server_time && (e.type == SDL_KEYDOWN || e.type == SDL_KEYUP);
    c.pending_server_time = false;
    if (window.HandleEvent(e) != ImGuiWindow::Event::None) {
      if (e.type == SDL_QUIT) SDL_PushEvent(&e);  // the menu closes too
      open = false;
    }
    if (e.type != SDL_KEYDOWN || e.key.repeat || e.key.windowID != window.id()) continue;
    if (e.key.keysym.scancode == SDL_SCANCODE_ESCAPE) {
      open = false;
      continue;
    }
    const uint32_t now = SDL_GetTicks();
    Tap(c, server_time ? now - c.server_times.AgeOf(c.server_ms, now, ServerTimeMap::MonotonicMs()) : e.key.timestamp);
  }
  return open;
}

void PlayBeats(Game& g, Calibration& c) {
  const uint32_t now = SDL_GetTicks();
  if (static_cast<int32_t>(now - c.next_beat) < 0) return;
  if (c.sound) PlaySE(g.sound, kSePtsCount);
  c.beats.push_back(now);
  c.next_beat += kCalibrationBeatMs;
  if (static_cast<int32_t>(now - c.next_beat) >= 0) c.next_beat = now + kCalibrationBeatMs;
}

enum class Outcome { Open, Save, Close };

Outcome DrawCalibration(Game& g, Calibration& c) {
  const ImGuiViewport* vp = ImGui::GetMainViewport();
  ImGui::SetNextWindowPos(vp->Pos);
  ImGui::SetNextWindowSize(vp->Size);
  ImGui::Begin("calibration", nullptr, ImGuiWindowFlags_NoDecoration | ImGuiWindowFlags_NoSavedSettings);
  ImGui::TextWrapped("Tap any key with the beat you hear (Escape closes). The mean offset of your taps is the "
                     "delay of your sound and keyboard: save it as the judge offset.");
  if (!c.sound) ImGui::TextWrapped("No sound device: tap with the flashing box.");
  const bool flash = !c.beats.empty() && SDL_GetTicks() - c.beats.back() < kFlashMs;
  const ImVec2 at = ImGui::GetCursorScreenPos();
  ImGui::GetWindowDrawList()->AddRectFilled(at, ImVec2(at.x + 40, at.y + 40),
                                            flash ? IM_COL32(255, 255, 0, 255) : IM_COL32(60, 60, 60, 255));
  ImGui::Dummy(ImVec2(40, 40));
  const CalibrationSummary s = SummarizeTaps(c.offsets);
  char line[160];
  std::snprintf(line, sizeof line, "Taps: %d   mean offset: %+d ms   spread: %d ms   (judge offset now %+d ms)", s.taps,
                s.mean_ms, s.spread_ms, g.settings.JudgeOffsetMs);
  ImGui::TextUnformatted(line);
  Outcome outcome = Outcome::Open;
  ImGui::BeginDisabled(s.taps < kCalibrationMinTaps);
  if (ImGui::Button("Save as judge offset")) outcome = Outcome::Save;
  ImGui::EndDisabled();
  ImGui::SameLine();
  if (ImGui::Button("Start again")) c.offsets.clear();
  ImGui::SameLine();
  if (ImGui::Button("Close")) outcome = Outcome::Close;
  ImGui::End();
  return outcome;
}

}  // namespace

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
  if (g.options.headless || !DisplayAvailable()) return;
  ImGuiWindowSetup setup;
  setup.caption = kCaption;
  setup.width = 560;
  setup.height = 170;
  setup.font_file = FindFontFile("ＭＳ Ｐゴシック", &setup.font_index);
  ImGuiWindow window;
  if (!window.Open(setup)) {
    DebugLog(g, "Calibration: " + window.error());
    return;
  }
  window.SetFramePacing(false);
  InitDS(g);
  Calibration c;
  c.sound = HasSystemSound(g.sound, kSePtsCount);
  c.next_beat = SDL_GetTicks() + kFirstBeatMs;
  DebugLog(g, "[Calibration] opened");
  Outcome outcome = Outcome::Open;
  uint32_t next_frame = SDL_GetTicks();
  while (outcome == Outcome::Open) {
    // Sleep until the next beat or frame, waking for input at once.
    const uint32_t now = SDL_GetTicks();
    const int32_t until = std::min(static_cast<int32_t>(c.next_beat - now), static_cast<int32_t>(next_frame - now));
    if (until > 0) SDL_WaitEventTimeout(nullptr, until);
    PlayBeats(g, c);
    if (!ReadEvents(c, window)) break;
    if (static_cast<int32_t>(SDL_GetTicks() - next_frame) < 0) continue;
    next_frame = SDL_GetTicks() + kFrameMs;
    window.BeginFrame();
    outcome = DrawCalibration(g, c);
    window.EndFrame();
  }
  const CalibrationSummary s = SummarizeTaps(c.offsets);
  if (outcome == Outcome::Save) {
    g.settings.JudgeOffsetMs = std::clamp(s.mean_ms, -kMaxOffsetMs, kMaxOffsetMs);
    DebugLog(g, "[Calibration] judge offset " + std::to_string(g.settings.JudgeOffsetMs) + " ms from " +
                    std::to_string(s.taps) + " taps (spread " + std::to_string(s.spread_ms) + " ms)");
  } else {
    DebugLog(g, "[Calibration] closed");
  }
  ReleaseSound(g.sound);
  window.Close();
}

}  // namespace kvx
