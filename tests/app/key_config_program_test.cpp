// Keys bound in the key configuration window play their lanes: the window's
// model is driven as the window drives it (row clicks, key events, a removal,
// OK), then the whole program plays a chart with the new keys on the dummy
// display and every note is judged.
#include <SDL.h>
#include <gtest/gtest.h>

#include <map>

#include "chart/bms.h"
#include "menu/key_config_window.h"
#include "play/chart_load.h"
#include "play/judge.h"
#include "whole_program_fixture.h"

namespace kvx {
namespace {

using test::WholeProgram;

// The row of a function in the key list.
int RowOf(const KeyConfigModel& m, int16_t f) {
  for (size_t i = 0; i < m.row_functions.size(); ++i)
    if (m.row_functions[i] == f) return static_cast<int>(i);
  return -1;
}

TEST(WholeKeyConfig, KeysBoundInTheWindowPlayTheirLanes) {
  WholeProgram run("sunrise_parade", "sunrise_beginner.bms", 7);

  // The window, as the startup menu opens it before the game starts.
  Game menu;
  test::UseHeadlessGame(menu, run.folder.path());
  menu.settings.ModernKeyConfig = true;  // as a new settings file has it
  KeyConfigModel m;
  LoadKeyConfig(menu, m);
  auto press = [&](int scancode, bool down) { KeyConfigInput(menu, m, run.Key(scancode, down, menu.NowMs())); };
  auto tap = [&](int scancode) {
    press(scancode, true);
    press(scancode, false);
  };
  SelectKeyRow(m, RowOf(m, 11));
  tap(SDL_SCANCODE_1);  // 1 in place of Z
  SelectKeyRow(m, RowOf(m, 13));
  tap(SDL_SCANCODE_2);  // 2 in place of X
  EXPECT_EQ(m.current, 0);  // bound, not moved to another function
  SelectKeyRow(m, RowOf(m, 14));
  press(SDL_SCANCODE_LSHIFT, true);
  tap(SDL_SCANCODE_Q);  // Q beside D
  press(SDL_SCANCODE_LSHIFT, false);
  RemoveBinding(m, 42);  // Left Shift no longer turns the scratch
  EXPECT_EQ(m.rows[RowOf(m, 11)], "11\t[2]");
  EXPECT_EQ(m.rows[RowOf(m, 13)], "13\t[3]");
  EXPECT_EQ(m.rows[RowOf(m, 14)], "14\t[16][32]");
  EXPECT_EQ(m.rows[RowOf(m, 16)], "16\t[57]");
  ASSERT_TRUE(KeyConfigOK(menu, m));
  const std::string bytes = run.folder.Read("_kvxfiles/kvx_keycnf.dat");
  ASSERT_EQ(bytes.size(), 802u);
  EXPECT_EQ(bytes[2 * 2], 11);
  EXPECT_EQ(bytes[2 * 3], 13);
  EXPECT_EQ(bytes[2 * 16], 14);
  EXPECT_EQ(bytes[2 * 0x2C], 0);
  EXPECT_EQ(bytes[2 * 42], 0);

  // The play: each lane with its new key (D and Q take turns on lane 14).
  std::vector<test::LaneNote> notes;
  ASSERT_NO_FATAL_FAILURE(test::ReadLaneNotes(run.chart_path, &notes));
  struct Press {
    int scancode;
    double position;
    bool sent = false;
  };
  std::map<int, std::vector<int>> keys = {{11, {SDL_SCANCODE_1}}, {12, {SDL_SCANCODE_S}},
                                          {13, {SDL_SCANCODE_2}}, {14, {SDL_SCANCODE_D, SDL_SCANCODE_Q}},
                                          {15, {SDL_SCANCODE_C}}, {16, {SDL_SCANCODE_SPACE}},
                                          {18, {SDL_SCANCODE_F}}, {19, {SDL_SCANCODE_V}}};
  std::vector<Press> plan;
  std::map<int, int> used;
  for (const test::LaneNote& n : notes) {
    const std::vector<int>& k = keys[n.channel];
    plan.push_back({k[used[n.channel]++ % k.size()], n.position});
  }
  ASSERT_EQ(plan.size(), 142u);
  ASSERT_GT(used[11], 0);
  ASSERT_GT(used[13], 0);
  ASSERT_GT(used[14], 1);
  ASSERT_GT(used[16], 0);
  EXPECT_EQ(run.Run([&](WholeProgram& w, std::vector<PlatformEvent>& events) {
              if (w.g.app.GameState != Screen::Play) return;
              for (Press& p : plan) {
                const uint32_t at = w.TimeOfPosition(p.position) + 1;
                if (p.sent || at > w.Now()) continue;
                p.sent = true;
                events.push_back(w.Key(p.scancode, true, at));
                events.push_back(w.Key(p.scancode, false, at + 1));
              }
            }),
            0);
  ASSERT_TRUE(run.result_seen);
  const ResultFigures& r = run.g.judge.Result[0];
  EXPECT_EQ(JudgedNotes(run.g), 142);
  EXPECT_EQ(r.CountPoor, 0);
  EXPECT_EQ(r.CountBad, 0);
  EXPECT_EQ(r.CountFGreat + r.CountGreat, 142);
  EXPECT_EQ(run.g.app.KeyTable[2], 11);
}

}  // namespace
}  // namespace kvx
