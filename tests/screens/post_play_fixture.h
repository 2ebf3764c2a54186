#pragma once
// A started headless game (no window, no sound device) with one chart in the
// song list under the cursor. Tests set player 1's result by hand and run the
// steps after a play; while the name entry runs, one scripted input event is
// delivered per frame through the game's own input routing.
#include <SDL.h>
#include <gtest/gtest.h>

#include <deque>
#include <functional>
#include <string>
#include <vector>

#include "app/game.h"
#include "app/key_table.h"
#include "app/main_loop.h"
#include "media/input.h"
#include "platform/clock.h"
#include "platform/files.h"
#include "play/play_loop_links.h"
#include "screens/score_record.h"
#include "test_support.h"

namespace kvx::test {

class PostPlayFixture : public ::testing::Test {
 protected:
  void SetUp() override {
    clock = UseHeadlessGame(g, dir.path(), 1000, 5);
    g.settings.Sleep = 0;
    chart = dir.Write("songs/pack/song.bms", "#TITLE song\r\n");
    SongEntry e;
    e.Title = "song";
    e.FilePath = chart;
    g.library.SongList = {e};
    g.library.SongListLast = 0;
    g.library.SongMarks = {false};
    g.app.ListCursor = 0;
    g.screens.RankingName = g.settings.MyName;  // as the main loop starts
    ApplyDefaultKeyTable(g.app.KeyTable);
    InitDI_Keyboard(g);
    g.app.started = true;
    g.app.Running = true;
    InstallInputRouting(g);
    g.pump.AddSource([this](std::vector<PlatformEvent>& events) {
      if (clock->NowMs() == last_frame_) clock->Advance(5);
      last_frame_ = clock->NowMs();
      ++frames;
      if (every_frame) every_frame(events);
      if (g.app.GameState != Screen::RankingNameEntry) return;
      ++entry_frames;
      if (script.empty()) return;
      for (PlatformEvent& e : script.front()) events.push_back(e);
      script.pop_front();
    });
  }

  // Player 1's result of the play just ended.
  void Result(double score, float gauge, float jpts = 1000, int combo = 50) {
    ResultFigures& r = g.judge.Result[0];
    r.Score = score;
    r.JPoints = jpts;
    r.MaxCombo = combo;
    r.CountFGreat = 40;
    r.CountGreat = 10;
    r.CountGood = 2;
    r.CountBad = 1;
    r.CountPoor = 3;
    r.ExPts = 90;
    r.Class = 3;
    r.Cleared = gauge >= 80;
    g.judge.Player[0].Gauge = gauge;
  }

  // One frame's input: typed text, or a key going down and up.
  static std::vector<PlatformEvent> Text(const std::string& text) {
    PlatformEvent e;
    e.kind = PlatformEvent::Kind::TextInput;
    e.text = text;
    return {e};
  }
  std::vector<PlatformEvent> Tap(int scancode) const {
    PlatformEvent down;
    down.kind = PlatformEvent::Kind::KeyDown;
    down.code = scancode;
    down.timestamp_ms = clock->NowMs();
    PlatformEvent up = down;
    up.kind = PlatformEvent::Kind::KeyUp;
    return {down, up};
  }
  void Type(const std::string& text) {
    for (char c : text) script.push_back(Text(std::string(1, c)));
  }

  std::string RecordPath() const { return ScoreFilePath(chart); }
  std::string RecordBytes() const { return ReadFileBytes(RecordPath()).value_or(""); }
  ScoreRecord OnDisk() const { return DecodeScoreRecord(RecordBytes()); }
  void WriteRecord(const ScoreRecord& r) const { ASSERT_TRUE(WriteFileBytes(RecordPath(), EncodeScoreRecord(r))); }
  std::string Log() const { return dir.Read("_kvxfiles/debug.txt"); }

  // Ten ranked places scoring from `best` down in steps of 1000.
  static ScoreRecord TenPlaces(float best) {
    ScoreRecord r;
    r.PlayCount = 10;
    for (int i = 0; i < kRankingPlaces; ++i) {
      r.Ranking[i].Name = "P" + std::to_string(i + 1);
      r.Ranking[i].Score = best - 1000.0f * i;
    }
    return r;
  }

  TempFolder dir;
  Game g;
  ScriptedClock* clock = nullptr;
  std::string chart;
  std::deque<std::vector<PlatformEvent>> script;
  int entry_frames = 0;
  int frames = 0;
  std::function<void(std::vector<PlatformEvent>&)> every_frame;  // input of any frame

 private:
  uint32_t last_frame_ = 0;
};

}  // namespace kvx::test
