// Five korvex processes play one demo chart as a battle over loopback; in the
// second run players are killed or frozen mid-song and the rest still finish.
#include <gtest/gtest.h>

#include <regex>
#include <set>

#include "net/battle_processes.h"

namespace kvx::test {
namespace {

constexpr const char* kSong = "pixel_comet";
constexpr const char* kChart = "comet_light5.bms";
constexpr uint32_t kSongLimitMs = 150000;  // loading, the song and its end, with room

bool Ended(const BattleProcesses& b, size_t i) {
  return b.Logged(i, "Send [ALL-END] Command") || b.Logged(i, "Receive [ALL-END] Command");
}

bool Started(const BattleProcesses& b, size_t i) {
  return b.Logged(i, i == 0 ? "Send [SONGSTART] Command" : "Receive [STARTSONG] Command");
}

// The player ids the log's player table ever held.
std::set<int> PlayerIds(const std::string& log) {
  std::set<int> ids;
  static const std::regex line("joinplayer : \\d,(\\d+)");
  for (std::sregex_iterator it(log.begin(), log.end(), line), end; it != end; ++it) ids.insert(std::stoi((*it)[1]));
  return ids;
}

// The session id of copy i (the host is 1).
int IdOf(const BattleProcesses& b, size_t i) {
  if (i == 0) return 1;
  std::smatch m;
  const std::string log = b.Log(i);
  static const std::regex line("joined as player (\\d+)");
  return std::regex_search(log, m, line) ? std::stoi(m[1]) : -1;
}

TEST(BattleProgram, FiveCopiesPlayOneChartStartOnceAndEndTogether) {
  BattleProcesses b(5, kSong, kChart);
  const bool all_ended = BattleProcesses::WaitFor(
      [&] {
        for (size_t i = 0; i < b.size(); ++i)
          if (!Ended(b, i)) return false;
        return true;
      },
      kSongLimitMs);
  for (size_t i = 0; i < b.size(); ++i) {
    SCOPED_TRACE("copy " + std::to_string(i + 1) + ":\n" + b.Log(i));
    EXPECT_EQ(PlayerIds(b.Log(i)), (std::set<int>{1, 2, 3, 4, 5}));
    EXPECT_EQ(b.Count(i, i == 0 ? "Send [SONGSTART] Command" : "Receive [STARTSONG] Command"), 1u);
    EXPECT_TRUE(Ended(b, i));
    EXPECT_TRUE(b.Logged(i, "Load Complete"));
  }
  EXPECT_TRUE(all_ended);
  EXPECT_TRUE(b.Logged(0, "NetChkDecideSong: 5/5"));
  EXPECT_TRUE(b.Logged(0, "NetChkStartSong: 5/5"));
  EXPECT_TRUE(b.Logged(0, "NetEndSong: 5/5"));
}

TEST(BattleProgram, KilledAndFrozenPlayersDoNotHoldUpTheRest) {
  BattleProcesses b(5, kSong, kChart);
  ASSERT_TRUE(BattleProcesses::WaitFor(
      [&] {
        for (size_t i = 0; i < b.size(); ++i)
          if (!Started(b, i)) return false;
        return true;
      },
      60000));
  const uint64_t started = SteadyNowMs();
  std::vector<int> ids;
  for (size_t i = 0; i < b.size(); ++i) ids.push_back(IdOf(b, i));
  std::this_thread::sleep_for(std::chrono::milliseconds(1500));
  b.Kill(4);  // a joiner
  std::this_thread::sleep_for(std::chrono::milliseconds(500));
  b.Kill(0);  // the host
  b.Signal(3, SIGSTOP);  // a frozen peer
  const uint64_t last_event = SteadyNowMs();
  uint64_t songs_over = 0;  // when both players left had played to the end
  const bool ended = BattleProcesses::WaitFor(
      [&] {
        if (!songs_over && b.Logged(1, "Send [End] Command") && b.Logged(2, "Send [End] Command"))
          songs_over = SteadyNowMs();
        return Ended(b, 1) && Ended(b, 2);
      },
      kSongLimitMs);
  const uint64_t finished = SteadyNowMs();
  for (size_t i : {1, 2}) {
    SCOPED_TRACE("copy " + std::to_string(i + 1) + ":\n" + b.Log(i));
    EXPECT_TRUE(Ended(b, i));
    for (size_t gone : {0, 3, 4}) EXPECT_TRUE(b.Logged(i, "Player is out: " + std::to_string(ids[gone])));
  }
  ASSERT_TRUE(ended);
  // The lower id of the two left hosts and ends the song.
  const size_t new_host = ids[1] < ids[2] ? 1 : 2, other = 3 - new_host;
  EXPECT_TRUE(b.Logged(new_host, "I am host."));
  EXPECT_TRUE(b.Logged(new_host, "Send [ALL-END] Command"));
  EXPECT_TRUE(b.Logged(other, "Receive [ALL-END] Command"));
  EXPECT_FALSE(b.Logged(other, "I am host."));
  // Within 5 s of the last event or of the songs' end, whichever came later
  // (and the logs are read every 20 ms).
  EXPECT_LT(finished, std::max(last_event, songs_over) + 5000 + 200)
      << "killed " << last_event - started << " ms into the song, songs over after " << songs_over - started;
  b.Signal(3, SIGCONT);
}

}  // namespace
}  // namespace kvx::test
