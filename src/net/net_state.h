#pragma once
// State of the network battle: the session, the player table and the
// battle's progress.
#include <array>
#include <cstdint>
#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "net/session.h"

namespace kvx {

struct Game;

constexpr int kNetMaxPlayers = 5;
constexpr int kNetGaugeSamples = 100;

// One row of the player table, in join order.
struct NetPlayerRow {
  std::string Name;
  int32_t PlayerId = 0;
  std::string Genre, Title, Artist;
  uint8_t PlayLevel = 0;
  int32_t LengthMs = 0;
  bool Decided = false, Standby = false, Ended = false;
  float Gauge = 0, JPoints = 0, Score = 0;
  int16_t Notes = 0;
  std::array<int16_t, 5> Counts{};  // FGREAT, GREAT, GOOD, BAD, POOR
  int32_t Sample = 0;               // the last GAUGEDATA sample number
};

// What the game runs after the network poll has returned (loading and play
// run their own loops, which poll the network again).
enum class NetAction { None, ReadyBMS, StartPlay };

struct NetState {
  bool NetPlay = false;   // a battle session is set up
  bool IsHost = false;
  bool WaitLock = false;  // song select ignores keys while the other players are awaited
  bool NetBattleRunning = false;
  int32_t LocalPlayerId = 0;
  int32_t LocalPlayerIndex = 0;
  int32_t PlayerCount = 0;
  std::array<NetPlayerRow, kNetMaxPlayers> NetPlayers{};
  std::map<std::string, int> NetUsers;  // "#" + player id -> row
  int32_t AttackKind = 0;
  uint32_t AttackTime = 0;
  std::array<uint8_t, kNetGaugeSamples * kNetMaxPlayers> GaugeHistory{};  // [sample * 5 + row]
  std::array<int, kNetMaxPlayers> RankOrder{0, 1, 2, 3, 4};               // rows, best J-PTS first

  std::unique_ptr<Session> session;
  std::deque<SessionEvent> inbox;   // received, not handled yet
  std::deque<NetAction> actions;    // waiting for the action timer
  bool running_actions = false;
  // Runs an action in place of loading and play (tests of several games in
  // one thread, where one game's play loop would stop the others).
  std::function<void(Game&, NetAction)> run_action;
  bool joining = false;             // connected, waiting for the host's INIT
  bool init_received = false;       // the host's INIT came: the game starts
  std::string status;               // the last session news, for the startup menu
  uint16_t host_port = kDefaultBattlePort;  // the UDP port number hosting binds (--host PORT)
  std::string bind_address;         // empty = every interface; tests bind 127.0.0.1
  // While STARTSONG is awaited the poll runs every frame and waits on the
  // socket up to this long, so the start is seen as it arrives (0: the
  // plain 50 ms poll).
  uint32_t fast_poll_wait_ms = 15;
};

}  // namespace kvx
