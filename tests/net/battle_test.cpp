// Several games in one process play a battle over loopback: the song choice,
// loading and start handshake, the gauge stream, the end, players leaving and
// joining, and a host that vanishes mid-song. Loading and play are stand-ins
// here (one game's play loop would stop the others in a single thread); the
// whole-program test plays for real.
#include <gtest/gtest.h>

#include <memory>
#include <thread>
#include <utility>

#include "app/game.h"
#include "net/battle.h"
#include "net/net_session.h"
#include "net/net_setup.h"
#include "play/play_loop_links.h"
#include "test_support.h"

namespace kvx {
namespace {

struct Player {
  test::TempFolder dir;
  Game g;
  std::vector<NetAction> actions;
  bool loads = true;  // the stand-in loading ends with the standby message

  explicit Player(const std::string& name) {
    test::UseHeadlessGame(g, dir.path());
    g.menu.txtUserName = name;
    g.net.bind_address = "127.0.0.1";
    g.net.host_port = 0;
    g.net.run_action = [this](Game& game, NetAction a) {
      actions.push_back(a);
      game.app.GameState = Screen::Play;
      if (a == NetAction::ReadyBMS && loads) NetSendStandby(game);
      if (a == NetAction::ReadyBMS && game.app.GameState == Screen::Play) game.app.GameState = Screen::NetWaitChoice;
    };
    SongEntry song;
    song.Title = "Song of " + name;
    song.Artist = name;
    song.Genre = "Test";
    song.PlayLevel = 5;
    song.LengthMs = 60000;
    g.library.SongList = {song};
  }
  std::string Log() const { return dir.Read("_kvxfiles/debug.txt"); }
  bool Logged(const std::string& line) const { return Log().find(line) != std::string::npos; }
  size_t Count(const std::string& line) const {
    const std::string log = Log();
    size_t n = 0;
    for (size_t at = log.find(line); at != std::string::npos; at = log.find(line, at + 1)) ++n;
    return n;
  }
  bool LoggedBefore(const std::string& first, const std::string& second) const {
    const std::string log = Log();
    const size_t a = log.find(first), b = log.find(second);
    return a != std::string::npos && b != std::string::npos && a < b;
  }
};

using Players = std::vector<Player*>;

template <typename Done>
bool PollUntil(const Players& players, Done done, uint32_t limit_ms = 7000) {
  const uint64_t start = SteadyMs();
  while (SteadyMs() - start < limit_ms) {
    for (Player* p : players) NetPoll(p->g);
    if (done()) return true;
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  }
  return false;
}

std::unique_ptr<Player> Host(const std::string& name) {
  auto p = std::make_unique<Player>(name);
  EXPECT_TRUE(cmdServer_Click(p->g));
  PrepareNetworkStart(p->g);  // the start button: INIT to everyone (no one yet)
  p->g.app.started = true;
  p->g.app.GameState = Screen::SongList;
  return p;
}

// Joins and waits for the host's INIT, then enters song select.
std::unique_ptr<Player> Join(Players& everyone, const Player& host, const std::string& name) {
  auto p = std::make_unique<Player>(name);
  InitDPlay(p->g);
  p->g.settings.MyName = name;
  p->g.menu.txtHost = "127.0.0.1:" + std::to_string(host.g.net.session->port());
  EXPECT_TRUE(FindSessions(p->g) && BeginJoin(p->g));
  everyone.push_back(p.get());
  EXPECT_TRUE(PollUntil(everyone, [&] { return p->g.net.init_received; }));
  p->g.app.started = true;
  p->g.app.GameState = Screen::SongList;
  return p;
}

bool AllStarted(const Players& players) {
  for (Player* p : players)
    if (p->actions.empty() || p->actions.back() != NetAction::StartPlay) return false;
  return true;
}

TEST(Battle, TwoPlayersChooseLoadStartStreamGaugesAndEndTogether) {
  auto host = Host("Host");
  Players all{host.get()};
  auto guest = Join(all, *host, "Guest");
  EXPECT_TRUE(guest->Logged("Receive: [Init] users:2"));
  EXPECT_EQ(guest->g.net.PlayerCount, 2);
  EXPECT_EQ(guest->g.net.LocalPlayerIndex, 1);
  EXPECT_EQ(guest->g.net.NetPlayers[0].Name, "Host");

  SendCurSongData(host->g, true);
  EXPECT_TRUE(host->Logged("NetChkDecideSong: 1/2"));
  SendCurSongData(guest->g, true);
  ASSERT_TRUE(PollUntil(all, [&] { return AllStarted(all); }));
  EXPECT_TRUE(host->Logged("Receive [USERDETECTSONG] Command from 1"));
  EXPECT_TRUE(host->Logged("[Test] Song of Guest / Guest"));
  EXPECT_TRUE(host->Logged("NetChkDecideSong: 2/2"));
  EXPECT_TRUE(host->Logged("Send [SONG READY] Command"));
  EXPECT_TRUE(guest->Logged("Receive [READY] Command"));
  EXPECT_TRUE(host->LoggedBefore("NetChkStartSong: 1/2", "Receive [STANDBY] Command from 1"));
  EXPECT_TRUE(host->LoggedBefore("Receive [STANDBY] Command from 1", "NetChkStartSong: 2/2"));
  EXPECT_EQ(host->Count("Send [SONGSTART] Command"), 1u);
  EXPECT_TRUE(guest->Logged("Receive [STARTSONG] Command"));
  EXPECT_EQ(host->actions, (std::vector<NetAction>{NetAction::ReadyBMS, NetAction::StartPlay}));
  EXPECT_TRUE(NetworkBattle(guest->g));

  // The guest's gauge at 100 reaches the host's table and log.
  guest->g.judge.Player[0].Gauge = 100;
  guest->g.judge.Player[0].JPoints = 1234;
  NetGaugeSample(guest->g, 3);
  EXPECT_TRUE(guest->Logged("GAUGEDATA SENT : 100,jpts:1234"));
  ASSERT_TRUE(PollUntil(all, [&] { return host->Logged("NETusr[1] : 100% , jpts:1234"); }));
  EXPECT_EQ(host->g.net.GaugeHistory[1 * kNetMaxPlayers + 1], 100);
  EXPECT_EQ(host->g.net.RankOrder[0], 1);  // the guest leads

  NetEndOfPlay(host->g);
  EXPECT_TRUE(host->Logged("NetEndSong: 1/2"));
  EXPECT_TRUE(host->g.screens.NetWaitPending);
  NetEndOfPlay(guest->g);
  ASSERT_TRUE(PollUntil(all, [&] { return guest->Logged("Receive [ALL-END] Command"); }));
  EXPECT_TRUE(host->Logged("NetEndSong: 2/2"));
  EXPECT_TRUE(host->Logged("Send [ALL-END] Command"));
  for (Player* p : all) {
    EXPECT_FALSE(p->g.screens.NetWaitPending);
    EXPECT_FALSE(p->g.net.NetBattleRunning);
    EXPECT_FALSE(p->g.net.NetPlayers[0].Decided || p->g.net.NetPlayers[1].Ended);
  }
}

TEST(Battle, APlayerLeavingDuringLoadingLetsTheHostStartTheOthers) {
  auto host = Host("Host");
  Players all{host.get()};
  auto b = Join(all, *host, "B");
  auto c = Join(all, *host, "C");
  c->loads = false;  // C is still loading when it leaves
  for (Player* p : all) SendCurSongData(p->g, true);
  ASSERT_TRUE(PollUntil(all, [&] { return host->Logged("NetChkStartSong: 2/3"); }));
  EXPECT_FALSE(host->Logged("Send [SONGSTART] Command"));
  c->g.net.session->Close();
  all.pop_back();
  ASSERT_TRUE(PollUntil(all, [&] { return AllStarted(all); }));
  EXPECT_TRUE(host->Logged("leaveplayer : 2,3"));
  EXPECT_TRUE(host->Logged("Player is out: 3"));
  EXPECT_TRUE(host->LoggedBefore("leaveplayer : 2,3", "Send [SONGSTART] Command"));
  EXPECT_EQ(b->g.net.PlayerCount, 2);
}

TEST(Battle, ANewcomerInSongSelectGetsInitAndOneSongMessagePerRow) {
  auto host = Host("Host");
  Players all{host.get()};
  auto b = Join(all, *host, "B");
  SendCurSongData(host->g, false);
  SendCurSongData(b->g, true);
  ASSERT_TRUE(PollUntil(all, [&] { return host->g.net.NetPlayers[1].Decided; }));
  auto c = Join(all, *host, "C");
  ASSERT_TRUE(PollUntil(all, [&] { return c->g.net.NetPlayers[1].Decided; }));
  EXPECT_TRUE(c->Logged("Receive: [Init] users:3"));
  EXPECT_EQ(c->g.net.NetPlayers[0].Title, "Song of Host");
  EXPECT_FALSE(c->g.net.NetPlayers[0].Decided);
  EXPECT_EQ(c->g.net.NetPlayers[1].Title, "Song of B");
  EXPECT_TRUE(c->Logged("Receive [USERDETECTSONG] Command from 1"));
  EXPECT_EQ(c->g.net.NetPlayers[2].Name, "C");
  EXPECT_EQ(b->g.net.NetPlayers[2].Name, "C");  // B saw C created
  EXPECT_EQ(b->g.net.PlayerCount, 3);
}

TEST(Battle, ANewHostEndsTheSongWhenTheHostVanishesMidSong) {
  auto host = Host("Host");
  Players all{host.get()};
  auto b = Join(all, *host, "B");
  auto c = Join(all, *host, "C");
  for (Player* p : all) SendCurSongData(p->g, true);
  ASSERT_TRUE(PollUntil(all, [&] { return AllStarted(all); }));
  NetEndOfPlay(c->g);  // C has finished; B still plays
  host->g.net.session->VanishForTest();
  Players left{b.get(), c.get()};
  ASSERT_TRUE(PollUntil(left, [&] { return b->Logged("I am host."); }));
  EXPECT_TRUE(b->g.net.IsHost);
  EXPECT_FALSE(c->g.net.IsHost);
  EXPECT_TRUE(b->Logged("Player is out: 1"));
  NetEndOfPlay(b->g);
  ASSERT_TRUE(PollUntil(left, [&] { return c->Logged("Receive [ALL-END] Command"); }));
  EXPECT_TRUE(b->Logged("NetEndSong: 2/2"));
  EXPECT_TRUE(b->Logged("Send [ALL-END] Command"));
}

// An address that is not one, or an IPv6 one, is told on screen in the
// player's language and in the log in English; nothing is joined.
TEST(Battle, AnAddressThatCannotBeJoinedIsToldWhy) {
  Player p("P");
  const std::pair<const char*, const char*> cases[] = {
      {"host:port", "アドレスではありません: \"host:port\" (ホスト名かIP、必要なら :ポート)"},
      {"fe80::1", "IPv6アドレスには接続できません: \"fe80::1\" (ホストのIPv4アドレスか名前を入力してください)"},
  };
  for (const auto& [typed, shown] : cases) {
    p.g.menu.txtHost = typed;
    EXPECT_FALSE(FindSessions(p.g)) << typed;
    EXPECT_EQ(p.g.net.status, shown);
  }
  EXPECT_TRUE(p.Logged("[Net] Not an address: \"host:port\" (host name or IP, optional :port)"));
  EXPECT_TRUE(p.Logged("[Net] IPv6 addresses cannot be joined: \"fe80::1\" (type the host's IPv4 address or name)"));
  p.g.settings.Language = "en";
  EXPECT_FALSE(FindSessions(p.g));
  EXPECT_EQ(p.g.net.status, "IPv6 addresses cannot be joined: \"fe80::1\" (type the host's IPv4 address or name)");
}

TEST(Battle, AnotherVersionIsToldWhyOnScreenAndInTheLog) {
  auto host = Host("Host");
  Player old("Old");
  InitDPlay(old.g);
  old.g.net.session->SetProtocolVersionForTest(2);
  old.g.menu.txtHost = "127.0.0.1:" + std::to_string(host->g.net.session->port());
  ASSERT_TRUE(BeginJoin(old.g));
  ASSERT_TRUE(PollUntil({host.get(), &old}, [&] { return !old.g.net.session->open(); }));
  // The reason comes from the host as it sent it; the line around it is in
  // the player's language, the log's in English.
  const std::string why = "the host refused: protocol version 2 cannot join a battle of version 1";
  EXPECT_EQ(old.g.net.status, "接続できませんでした: " + why);
  EXPECT_TRUE(old.Logged("[Net] Could not join: " + why));
  EXPECT_FALSE(old.g.net.NetPlay);
  old.g.settings.Language = "en";
  testing::internal::CaptureStderr();
  PrepareNetworkStart(old.g);  // pressing start now plays alone
  const std::string shown = testing::internal::GetCapturedStderr();
  EXPECT_NE(shown.find("No other player is connected: the game starts alone."), std::string::npos) << shown;
  EXPECT_TRUE(old.Logged("No connections aviliable. standalone mode."));
  EXPECT_EQ(host->g.net.PlayerCount, 1);
}

}  // namespace
}  // namespace kvx
