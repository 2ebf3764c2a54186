// Every note is judged exactly once however dense its lane: a note that reaches
// the line while an earlier note of its lane is still the candidate is judged
// after that one, and a press meant for it is not spent on the passed note.
#include <vector>

#include "play/judge.h"
#include "play_loop_fixture.h"

namespace kvx::test {
namespace {

constexpr int kLanes[] = {11, 12, 13, 14, 15, 16, 18, 19};

// Runs frames until the chart's last object has passed and every note has
// had its beat past the line.
void PlayToTheEnd(HeadlessPlay& h) {
  h.g.settings.UserPlay = true;
  h.g.settings.DEMOMode = false;
  ResetPlayState(h.g);
  h.StartClock();
  for (int frame = 0; frame < 100000 && h.g.play.Playing; ++frame) UpdateFrame(h.g);
}

int JudgedCount(const Game& g) { return g.judge.JPointsMax / 18; }

int UnjudgedNotes(const Game& g) {
  int n = 0;
  for (int i = 0; i < g.chart.ObjectCount; ++i) {
    const ChartObject& o = g.chart.Objects[i];
    if (IsLaneChannel(o.Channel) && o.State == 0) ++n;
  }
  return n;
}

// A stream of sixteenth notes (12 units, 62.5 ms at 240 BPM) on every lane
// and no input: every note is missed once, none is lost. Frames of 5 ms and
// of 40 ms (several notes of a lane pass the line between two frames).
TEST(DenseLanes, UnpressedStreamOnEveryLaneIsMissedNoteByNote) {
  for (uint32_t frame_ms : {5u, 40u}) {
    HeadlessPlay h(frame_ms);
    std::vector<ChartObject> notes;
    for (int k = 0; k < 48; ++k)
      for (int lane : kLanes) notes.push_back(Note(lane, 192 + 12 * k));
    h.Chart(240, 6, notes);
    PlayToTheEnd(h);
    const PlayerScore& p = h.g.judge.Player[0];
    const int total = static_cast<int>(notes.size());
    EXPECT_EQ(p.CountPoor, total) << frame_ms << " ms frames";
    EXPECT_EQ(p.CountFGreat + p.CountGreat + p.CountGood + p.CountBad, 0);
    EXPECT_EQ(JudgedCount(h.g), total);
    EXPECT_EQ(UnjudgedNotes(h.g), 0);
  }
}

// Twelve notes in one lane, a beat and then half a beat apart at 240 BPM,
// in lane 11 and in lane 18: all twelve are missed.
TEST(DenseLanes, BeatAndHalfBeatGapsLoseNoNote) {
  for (int lane : {11, 18}) {
    HeadlessPlay h(7);
    std::vector<ChartObject> notes;
    int position = 192;
    for (int k = 0; k < 12; ++k) {
      notes.push_back(Note(lane, position));
      position += k % 2 == 0 ? 48 : 24;
    }
    h.Chart(240, 6, notes);
    PlayToTheEnd(h);
    EXPECT_EQ(h.g.judge.Player[0].CountPoor, 12) << "lane " << lane;
    EXPECT_EQ(JudgedCount(h.g), 12);
  }
}

// Eighth notes (24 units, 125 ms at 240 BPM) on every lane, a tap on time on
// every other note: the tapped notes are FGREAT, the others missed, each
// once. A tap after an untapped note judges the tapped note, not the passed one.
TEST(DenseLanes, TapsOnEveryOtherNoteHitThoseAndMissTheRest) {
  HeadlessPlay h(5);
  std::vector<ChartObject> notes;
  constexpr int kPerLane = 24;
  for (int k = 0; k < kPerLane; ++k) {
    for (int lane : kLanes) {
      notes.push_back(Note(lane, 192 + 24 * k));
      // Position 192 is reached 1000 ms after the clock starts, then 125 ms per note.
      if (k % 2 == 0) h.Tap(1000 + 125 * k + 3, lane);
    }
  }
  h.Chart(240, 6, notes);
  for (int lane : kLanes) h.g.app.KeyTable[lane] = static_cast<int16_t>(lane);
  const uint32_t start = h.g.NowMs();
  ASSERT_EQ(start, 0u);  // the taps above count from here
  PlayToTheEnd(h);
  const PlayerScore& p = h.g.judge.Player[0];
  const int tapped = 8 * kPerLane / 2;
  EXPECT_EQ(p.CountFGreat, tapped);
  EXPECT_EQ(p.CountPoor, tapped);
  EXPECT_EQ(p.CountGreat + p.CountGood + p.CountBad, 0);
  EXPECT_EQ(JudgedCount(h.g), 8 * kPerLane);
  EXPECT_EQ(UnjudgedNotes(h.g), 0);
}

}  // namespace
}  // namespace kvx::test
