#pragma once
#include "platform/files.h"
// A headless play: a game on a scripted clock whose frames advance it by a
// fixed step, with scripted key events delivered through the event pump at
// their own time stamps, and small charts written into the chart tables.
#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <vector>

#include "app/game.h"
#include "play/play_loop.h"
#include "play/play_screen.h"
#include "platform_events.h"
#include "test_support.h"

namespace kvx::test {

struct ScriptedKey {
  uint32_t time;
  int code;  // DirectInput key code
  bool down;
};

class HeadlessPlay {
 public:
  explicit HeadlessPlay(uint32_t frame_ms = 5) : frame_ms_(frame_ms) {
    g.SetProgramFolder(folder.path());
    MakeFolder(g.paths.data);  // the debug log lives there
    auto clock = std::make_unique<ScriptedClock>(0, frame_ms);
    clock_ = clock.get();
    g.UseClock(std::move(clock));
    g.settings.Sleep = 0;
    // Each pump is one frame: the clock moves by the frame step unless the
    // frame already moved it (a display that waits for the next frame).
    g.pump.AddSource([this](std::vector<PlatformEvent>& events) {
      if (clock_->NowMs() == last_pump_) clock_->Advance(frame_ms_);
      last_pump_ = clock_->NowMs();
      ++pumps;
      while (next_key_ < keys_.size() && keys_[next_key_].time <= clock_->NowMs()) {
        const ScriptedKey& k = keys_[next_key_];
        events.push_back(KeyEvent(k.code, k.down, k.time));
        ++next_key_;
      }
    });
    // The key events go straight to the play's key handlers, with their time.
    g.pump.AddListener([this](const PlatformEvent& e) {
      if (e.kind == PlatformEvent::Kind::KeyDown) ProcessKey_Play(g, e.code, e.timestamp_ms);
      if (e.kind == PlatformEvent::Kind::KeyUp) ButtonUp_Play(g, e.code);
    });
    // Lanes 11..19 on keys with the same code for readability of the tests.
    for (int c = 11; c <= 19; ++c) g.app.KeyTable[c] = static_cast<int16_t>(c);
    g.app.KeyTable[1] = 1;
  }

  void Key(uint32_t time, int code, bool down) {
    keys_.push_back({time, code, down});
    std::stable_sort(keys_.begin(), keys_.end(),
                     [](const ScriptedKey& a, const ScriptedKey& b) { return a.time < b.time; });
  }
  void Tap(uint32_t time, int code) {
    Key(time, code, true);
    Key(time + 1, code, false);
  }

  // A chart of bar lines every 192 units up to `measures` and the given objects, sorted.
  void Chart(float bpm, int measures, std::vector<ChartObject> objects) {
    for (int m = 0; m <= measures; ++m) objects.push_back({m, m * 192, 0, -1, 0, 0});
    std::stable_sort(objects.begin(), objects.end(),
                     [](const ChartObject& a, const ChartObject& b) { return a.Position < b.Position; });
    ChartState& c = g.chart;
    c.BPM = bpm;
    c.ObjectCount = static_cast<int32_t>(objects.size());
    std::copy(objects.begin(), objects.end(), c.Objects.begin());
    c.LastMeasure = measures - 1;
    c.NoteCount = {0, 0};
    for (const auto& o : objects)
      if ((o.Channel >= 11 && o.Channel <= 19 && o.Channel != 17)) ++c.NoteCount[0];
  }

  // Starts the play clock now at position 0 under the chart's tempo.
  void StartClock() {
    PlayState& p = g.play;
    p.PlayStartTime = g.NowMs();
    p.BasePosition = 0;
    p.EffectiveBPM = g.chart.BPM * g.settings.RealHiSpeed;
    p.InitialBPM = g.chart.BPM;
    p.PositionRate = p.EffectiveBPM / kMsPerUnitAtOneBpm;
    p.NextObject = 0;
    p.ElapsedMs = 0;
    p.PlayPosition = 0;
    p.Playing = true;
    p.QuitPlay = false;
  }

  ScriptedClock& clock() { return *clock_; }

  TempFolder folder;
  Game g;
  int pumps = 0;

 private:
  uint32_t frame_ms_;
  ScriptedClock* clock_ = nullptr;
  uint32_t last_pump_ = 0;
  std::vector<ScriptedKey> keys_;
  size_t next_key_ = 0;
};

inline ChartObject Note(int channel, int position, int sound = 1) {
  return ChartObject{0, position, 0, channel, sound, 0};
}

}  // namespace kvx::test
