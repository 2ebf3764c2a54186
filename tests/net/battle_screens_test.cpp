// What a battle looks like under an X server: the play screen with the
// players' panel of a three-player battle, and the startup menu of a copy
// that has joined and waits for the host's player list. The pictures are
// saved in build/screenshots.
#include <SDL.h>
#include <SDL_image.h>
#include <gtest/gtest.h>

#include <atomic>
#include <filesystem>
#include <thread>

#include "app/program.h"
#include "app/whole_program_fixture.h"
#include "media/skin.h"
#include "menu/startup_menu.h"
#include "net/battle.h"
#include "net/net_panel.h"
#include "net/net_setup.h"
#include "picture.h"
#include "xserver.h"

namespace kvx {
namespace {

namespace fs = std::filesystem;
using test::Picture;
using test::ReadPicture;

fs::path Shots() {
  const fs::path folder = fs::path(KVX_BUILD_DIR) / "screenshots";
  fs::create_directories(folder);
  return folder;
}

void SavePng(const Picture& p, const std::string& name) {
  std::vector<uint32_t> copy = p.px;
  SDL_Surface* s = SDL_CreateRGBSurfaceWithFormatFrom(copy.data(), p.w, p.h, 32, p.w * 4, SDL_PIXELFORMAT_ARGB8888);
  ASSERT_NE(s, nullptr);
  EXPECT_EQ(IMG_SavePNG(s, (Shots() / name).c_str()), 0);
  SDL_FreeSurface(s);
}

bool Overlap(const Rect& a, const Rect& b) {
  return a.left < b.right && b.left < a.right && a.top < b.bottom && b.top < a.bottom;
}

// Three players: this copy (row 0) and two others whose gauges came in.
void SeatThreePlayers(Game& g) {
  NetState& n = g.net;
  n.NetPlay = n.NetBattleRunning = true;
  n.PlayerCount = 3;
  n.LocalPlayerIndex = 0;
  const char* names[] = {"Rin", "Kai", "Mio"};
  const float gauges[] = {0, 92, 41}, points[] = {0, 1520, 880};
  for (int i = 0; i < 3; ++i) {
    NetPlayerRow& r = n.NetPlayers[i];
    r.Name = names[i];
    r.PlayerId = i + 1;
    r.Gauge = gauges[i];
    r.JPoints = points[i];
    n.NetUsers["#" + std::to_string(i + 1)] = i;
  }
  RankNetPlayers(g);
}

void PlayWithThreePlayers() {
  test::WholeProgram run("sunrise_parade", "sunrise_beginner.bms", 16);
  run.g.options.autoplay = true;
  int seated_frames = -1;
  bool taken = false;
  Picture back;
  Rect panel;
  EXPECT_EQ(run.Run([&](test::WholeProgram& w, std::vector<PlatformEvent>& events) {
              Game& g = w.g;
              if (taken || !g.play.Playing || g.play.ElapsedMs < 20000) return;
              if (seated_frames < 0) SeatThreePlayers(g);
              if (++seated_frames < 30) return;  // the local gauge has been sampled into the table
              taken = true;
              back = ReadPicture(g, g.display.BackSurface);
              panel = NetPanelRect(g, g.skin.NetNameRect.left - 4, g.skin.NetTitleRect.top - 4, false);
              SavePng(back, "battle_play.png");
              g.net = NetState{};  // nothing to wait for when the window closes
              events.push_back(PlatformEvent{});
            }),
            0);
  ASSERT_TRUE(taken);
  // The panel sits inside the screen, clear of the lanes, the gauge and the
  // background window, and shows the names (pixels of the name colours).
  const SkinLayout& s = run.g.skin;
  EXPECT_EQ(panel.Height(), 16 + 3 * 14 + 4);
  EXPECT_GE(panel.left, 0);
  EXPECT_LE(panel.right, 640);
  EXPECT_LE(panel.bottom, 480);
  const Rect lanes = SkinObjRect(s, s.BasePanelObj[0]);
  EXPECT_FALSE(Overlap(panel, Rect{s.BasePanelX[0], s.BasePanelY[0], s.BasePanelX[0] + lanes.Width(),
                                   s.BasePanelY[0] + lanes.Height()}));
  EXPECT_FALSE(Overlap(panel, Rect{s.GaugePosX[0], s.GaugePosY[0], s.GaugePosX[0] + s.GaugeRects[0].Width(),
                                   s.GaugePosY[0] + s.GaugeRects[0].Height()}));
  EXPECT_FALSE(Overlap(panel, Rect{s.BgaX, s.BgaY, s.BgaX + s.BgaWidth, s.BgaY + s.BgaHeight}));
  // Colours as the screen's depth keeps them: this player's name yellow, the
  // others' in the skin's name colour (a paler orange-yellow).
  int local_name = 0, other_names = 0;
  for (int y = panel.top; y < panel.bottom; ++y)
    for (int x = panel.left; x < panel.right; ++x) {
      const uint32_t rgb = back.at(x, y);
      const int r = (rgb >> 16) & 0xFF, gr = (rgb >> 8) & 0xFF, b = rgb & 0xFF;
      local_name += r >= 0xF0 && gr >= 0xF8 && b >= 0x40 && b <= 0x80;
      other_names += r >= 0xF0 && gr >= 0xD8 && gr <= 0xF0 && b >= 0x80 && b <= 0xA0;
    }
  EXPECT_GT(local_name, 10);
  EXPECT_GT(other_names, 20);
}

TEST(BattleScreens, PlayScreenShowsTheThreePlayersPanel) {
  std::string reason;
  if (!test::RunOnXServer(PlayWithThreePlayers, &reason)) GTEST_SKIP() << "No X server: " << reason;
}

// The host is a bare session in a thread: it welcomes the joiner and never
// sends the player list, so the menu stays on its waiting lines.
void MenuWaitingForTheHost() {
  Session host([](const std::string&) {});
  std::string error;
  ASSERT_TRUE(host.Host("127.0.0.1", 0, "Host", &error)) << error;
  std::atomic<bool> stop{false};
  std::thread host_thread([&] {
    std::vector<SessionEvent> events;
    while (!stop) host.Poll(events, 5);
  });
  test::TempFolder dir;
  const fs::path build(KVX_BUILD_DIR);
  fs::copy(build / "_kvxfiles", fs::path(dir.path()) / "_kvxfiles", fs::copy_options::recursive);
  for (const char* leftover : {"kvx_conf.ini", "kvx_keycnf.dat", "debug.txt"})
    fs::remove_all(fs::path(dir.path()) / "_kvxfiles" / leftover);
  Game g;
  g.SetProgramFolder(dir.path());
  g.net.bind_address = "127.0.0.1";
  const fs::path shot = Shots() / "battle_menu_waiting.png";
  fs::remove(shot);
  int frame = 0;
  bool in_join = false, joined = false;
  g.menu.frame_script = [&](Game&) {
    if (in_join) return;  // the join's own busy frames
    ++frame;
    if (frame == 3) {
      g.menu.txtUserName = "Guest";
      g.menu.txtHost = "127.0.0.1:" + std::to_string(host.port());
      in_join = true;
      joined = cmdConnect_Click(g);
      in_join = false;
    }
    if (frame == 8) g.menu.screenshot_path = shot.string();
    if (frame == 10 || frame > 600) CloseStartupMenu(g);
  };
  EXPECT_EQ(RunGame(g), 0);
  stop = true;
  host_thread.join();
  EXPECT_TRUE(joined);
  EXPECT_EQ(g.net.status, "プレイヤー2として参加しました。ホストを待っています");
  EXPECT_NE(dir.Read("_kvxfiles/debug.txt").find("[Net] Joined as player 2; waiting for the host"), std::string::npos);
  EXPECT_TRUE(fs::exists(shot));
  EXPECT_NE(dir.Read("_kvxfiles/kvx_conf.ini").find("LastHost=127.0.0.1:"), std::string::npos);
}

TEST(BattleScreens, MenuOfAJoinedCopyShowsThePlayersWhileItWaits) {
  std::string reason;
  if (!test::RunOnXServer(MenuWaitingForTheHost, &reason)) GTEST_SKIP() << "No X server: " << reason;
}

}  // namespace
}  // namespace kvx
