#pragma once
// Whole-program runs: the program runs from Main with a chart on its command
// line, on a scripted clock, with key presses injected as window events
// carrying their own time stamps. After the play a key lane leaves the result
// screen, a name entry ends with Enter unless the script types into it, and
// the window is closed once the list is back (after list_linger_frames, or
// earlier by the script).
#include <SDL.h>
#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "app/game.h"
#include "app/program.h"
#include "play/chart_load.h"
#include "platform/files.h"
#include "platform_events.h"
#include "test_support.h"

namespace kvx::test {

namespace fs = std::filesystem;

inline constexpr uint32_t kGiveUpMs = 400000;  // a play that has not ended by then has hung

// SDL scancodes of the default lane keys.
inline int ScancodeOfLane(int channel) {
  switch (channel) {
    case 11: return SDL_SCANCODE_Z;
    case 12: return SDL_SCANCODE_S;
    case 13: return SDL_SCANCODE_X;
    case 14: return SDL_SCANCODE_D;
    case 15: return SDL_SCANCODE_C;
    case 16: return SDL_SCANCODE_LSHIFT;
    case 18: return SDL_SCANCODE_F;
    case 19: return SDL_SCANCODE_V;
    default: return SDL_SCANCODE_UNKNOWN;
  }
}

// A program folder with the generated data and one demo song, and a game on a
// scripted clock whose every event pump is one frame.
class WholeProgram {
 public:
  // Called at every frame before the result screen (GameState tells where).
  using Script = std::function<void(WholeProgram&, std::vector<PlatformEvent>&)>;

  WholeProgram(const std::string& song_folder, const std::string& chart, uint32_t frame_ms)
      : frame_ms_(frame_ms) {
    const fs::path build(KVX_BUILD_DIR);
    fs::copy(build / "_kvxfiles", fs::path(folder.path()) / "_kvxfiles", fs::copy_options::recursive);
    fs::create_directories(fs::path(folder.path()) / "songs");
    fs::copy(build / "songs" / song_folder, fs::path(folder.path()) / "songs" / song_folder,
             fs::copy_options::recursive);
    // Only the generated data: not the settings, key table or log of a run in the build folder.
    for (const char* leftover : {"kvx_conf.ini", "kvx_keycnf.dat", "debug.txt"})
      fs::remove(fs::path(folder.path()) / "_kvxfiles" / leftover);
    // Nor the list files of such a run: the start searches this folder's songs.
    fs::remove_all(fs::path(folder.path()) / "_kvxfiles" / "jukelist");
    fs::create_directories(fs::path(folder.path()) / "_kvxfiles" / "jukelist");
    chart_path = folder.path() + "/songs/" + song_folder + "/" + chart;
    g.SetProgramFolder(folder.path());
    g.options.no_menu = true;
    g.app.command_line = "\"" + chart_path + "\"";
    auto clock = std::make_unique<ScriptedClock>(1000, frame_ms);
    clock_ = clock.get();
    g.UseClock(std::move(clock));
    g.pump.AddSource([this](std::vector<PlatformEvent>& events) { Frame(events); });
  }

  int Run(Script script) {
    script_ = std::move(script);
    return RunGame(g);
  }

  PlatformEvent Key(int scancode, bool down, uint32_t at) const { return test::KeyEvent(scancode, down, at); }

  PlatformEvent Typed(const std::string& text) const {
    PlatformEvent e;
    e.kind = PlatformEvent::Kind::TextInput;
    e.text = text;
    e.timestamp_ms = Now();
    return e;
  }

  // The clock time at which the play reaches `position` (constant tempo).
  uint32_t TimeOfPosition(double position) const {
    const PlayState& p = g.play;
    return p.PlayStartTime + static_cast<uint32_t>((position - p.BasePosition) / p.PositionRate);
  }

  uint32_t Now() const { return clock_->NowMs(); }

  TempFolder folder;
  Game g;
  std::string chart_path;
  bool result_seen = false;
  bool left_result = false;
  uint32_t result_linger_ms = 0;
  int list_linger_frames = 0;

 private:
  void Frame(std::vector<PlatformEvent>& events) {
    if (clock_->NowMs() == last_frame_) clock_->Advance(frame_ms_);
    last_frame_ = clock_->NowMs();
    if (clock_->NowMs() > kGiveUpMs) {
      events.push_back(PlatformEvent{});  // Quit
      return;
    }
    // After the play: leave the result screen with a key lane (after
    // result_linger_ms, during which the script still runs), then close.
    if (g.app.GameState == Screen::Result && g.play.QuitPlay) {
      if (!result_seen) result_since_ = Now();
      result_seen = true;
      if (Now() - result_since_ < result_linger_ms) {
        if (script_) script_(*this, events);
        return;
      }
      if (!z_down_) events.push_back(Key(SDL_SCANCODE_Z, true, Now()));
      else events.push_back(Key(SDL_SCANCODE_Z, false, Now()));
      z_down_ = !z_down_;
      return;
    }
    // A name entry the script does not type into ends with Enter.
    if (g.app.GameState == Screen::RankingNameEntry) {
      if (script_) script_(*this, events);
      if (events.empty()) events.push_back(Typed("\r"));
      return;
    }
    // Back on a list: the song list, the jukebox list after a chart from the
    // command line, or the course list after a course (list_linger_frames
    // frames, during which the script still runs and may close the window),
    // then the window is closed.
    if (result_seen && (g.app.GameState == Screen::SongList || g.app.GameState == Screen::JukeboxList ||
                        g.app.GameState == Screen::CourseList)) {
      left_result = true;
      if (list_frames_++ < list_linger_frames) {
        if (script_) script_(*this, events);
        return;
      }
      events.push_back(PlatformEvent{});
      return;
    }
    if (script_) script_(*this, events);
  }

  ScriptedClock* clock_ = nullptr;
  uint32_t frame_ms_;
  uint32_t last_frame_ = 0;
  bool z_down_ = false;
  uint32_t result_since_ = 0;
  int list_frames_ = 0;
  Script script_;
};

// A key pressed and let go at the same moment of the scripted clock; Enter,
// Backspace and Escape also type their character, as SDL's event source has them.
inline void Tap(WholeProgram& w, std::vector<PlatformEvent>& events, int scancode) {
  events.push_back(w.Key(scancode, true, w.Now()));
  const char typed = scancode == SDL_SCANCODE_RETURN ? '\r' : scancode == SDL_SCANCODE_BACKSPACE ? '\b'
                     : scancode == SDL_SCANCODE_ESCAPE ? '\x1b' : 0;
  if (typed) events.push_back(w.Typed(std::string(1, typed)));
  events.push_back(w.Key(scancode, false, w.Now()));
}

inline std::vector<std::string> Titles(const std::vector<SongEntry>& list) {
  std::vector<std::string> titles;
  for (const auto& e : list) titles.push_back(e.Title);
  return titles;
}

// A note of a lane key: its channel and position.
struct LaneNote {
  int channel;
  double position;
};

// The notes on the lanes (channels 11 to 19 but 17) of a chart, in the
// chart's order, read without its sounds and pictures.
inline void ReadLaneNotes(const std::string& chart, std::vector<LaneNote>* notes) {
  Game probe;
  TempFolder folder;
  probe.SetProgramFolder(folder.path());
  probe.settings.NoWAV = probe.settings.NoBGA = true;
  ASSERT_EQ(BMSLoad(probe, chart), 1);
  for (int i = 0; i < probe.chart.ObjectCount; ++i) {
    const ChartObject& o = probe.chart.Objects[i];
    if (o.Channel >= 11 && o.Channel <= 19 && o.Channel != 17) notes->push_back({o.Channel, double(o.Position)});
  }
}

}  // namespace kvx::test
