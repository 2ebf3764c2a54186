#include "net/battle.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <random>

#include "app/game.h"
#include "app/texts.h"
#include "app/timers.h"
#include "play/ready_bms.h"
#include "media/display.h"
#include "net/net_message.h"
#include "net/net_session.h"
#include "net/net_setup.h"
#include "play/options.h"
#include "play/play_loop.h"
#include "play/play_loop_links.h"
#include "platform/rounding.h"

namespace kvx {

namespace {

constexpr uint32_t kNetPollMs = 50;

std::string UserKey(int32_t id) { return "#" + std::to_string(id); }

std::string FormatJPoints(float jpoints) {
  char text[48];
  std::snprintf(text, sizeof text, "%g", static_cast<double>(jpoints));
  return text;
}

void Send(Game& g, const NetMessage& m, int32_t to, int32_t from = 0) {
  NetState& n = g.net;
  if (!n.session) return;
  n.session->Send(from ? from : n.LocalPlayerId, to, EncodeNetMessage(m));
}

void SendGaugeData(Game& g, int sample) {
  const PlayerScore& ps = g.judge.Player[0];
  NetMessage m;
  m.type = static_cast<int32_t>(NetMessageType::GaugeData);
  m.gauge.sample = static_cast<uint8_t>(std::clamp(sample, 0, 255));
  m.gauge.gauge = static_cast<uint8_t>(RoundEven(std::clamp(ps.Gauge, 0.0f, 100.0f)));
  m.gauge.jpoints = ps.JPoints;
  m.gauge.score = static_cast<float>(ps.Score);
  m.gauge.counts = {static_cast<int16_t>(ps.CountFGreat), static_cast<int16_t>(ps.CountGreat),
                    static_cast<int16_t>(ps.CountGood), static_cast<int16_t>(ps.CountBad),
                    static_cast<int16_t>(ps.CountPoor)};
  Send(g, m, 0);
  DebugLog(g, "GAUGEDATA SENT : " + std::to_string(m.gauge.gauge) + ",jpts:" + FormatJPoints(ps.JPoints));
}

NetPlayerRow* LocalRow(Game& g) {
  NetState& n = g.net;
  if (n.LocalPlayerIndex < 0 || n.LocalPlayerIndex >= n.PlayerCount) return nullptr;
  return &n.NetPlayers[n.LocalPlayerIndex];
}

void ClearBattleFlags(NetState& n) {
  for (auto& row : n.NetPlayers) row.Standby = row.Decided = row.Ended = false;
}

void Queue(Game& g, NetAction action) { g.net.actions.push_back(action); }

NetSong SongOfRow(const NetPlayerRow& r) {
  return NetSong{r.Genre, r.Title, r.Artist, r.PlayLevel, r.LengthMs, r.Notes};
}

void StoreSong(NetPlayerRow& r, const NetSong& s) {
  r.Genre = s.genre, r.Title = s.title, r.Artist = s.artist;
  r.PlayLevel = s.play_level, r.LengthMs = s.length_ms, r.Notes = s.notes;
}

// The host re-runs the check that fits the screen it is on.
void RecheckForScreen(Game& g) {
  switch (g.app.GameState) {
    case Screen::SongList:
    case Screen::NetWaitPreview: NetChkDecideSong(g); break;
    case Screen::NetWaitChoice: NetChkStartSong(g); break;
    case Screen::Play:
    case Screen::PlayEnded:
    case Screen::Result:
    case Screen::RankingNameEntry: NetEndSong(g); break;
    default: break;
  }
}

void OnSystemEvent(Game& g, const SessionEvent& e) {
  NetState& n = g.net;
  switch (e.kind) {
    case SessionEvent::Kind::PlayerCreated:
      joinplayer(g, e.id, "");
      if (n.IsHost) SendInitTo(g, e.id);
      break;
    case SessionEvent::Kind::PlayerDestroyed:
      leaveplayer(g, e.id);
      if (n.IsHost) RecheckForScreen(g);
      DebugLog(g, "Player is out: " + std::to_string(e.id));
      break;
    case SessionEvent::Kind::HostMigrated:
      n.IsHost = true;
      DebugLog(g, "I am host.");
      // The checks the old host would have run.
      if (g.app.started) RecheckForScreen(g);
      break;
    case SessionEvent::Kind::Joined:
      // In the session: the copy waits for the host's INIT.
      n.LocalPlayerId = e.id;
      n.NetPlay = n.joining = true;
      NetNews(g, &Texts::net_joined, {std::to_string(e.id)});
      break;
    case SessionEvent::Kind::JoinFailed:
      NetNews(g, &Texts::net_join_failed, {e.text});
      break;
    case SessionEvent::Kind::Message: break;
  }
}

void OnInit(Game& g, const NetMessage& m) {
  NetState& n = g.net;
  DebugLog(g, "Receive: [Init] users:" + std::to_string(m.players.size()));
  n.PlayerCount = 0;
  n.NetUsers.clear();
  for (size_t k = 0; k < m.players.size(); ++k) {
    if (m.players[k].id == n.LocalPlayerId) n.LocalPlayerIndex = static_cast<int32_t>(k);
    joinplayer(g, m.players[k].id, m.players[k].name);
  }
  if (g.app.started) return;
  // A copy still in the startup menu enters the game now.
  g.app.GameState = static_cast<Screen>(m.game_state);
  n.init_received = true;
}

void OnGauge(Game& g, int row, const NetGauge& s) {
  NetState& n = g.net;
  NetPlayerRow& r = n.NetPlayers[row];
  r.Sample = s.sample;
  r.Gauge = s.gauge;
  r.JPoints = s.jpoints;
  r.Score = s.score;
  r.Counts = s.counts;
  if (s.sample < kNetGaugeSamples) n.GaugeHistory[s.sample * kNetMaxPlayers + row] = s.gauge;
  RankNetPlayers(g);
  const int a = (s.gauge > 80 || g.play.FixedGaugeMode) ? 1 : 0;
  PlotGraphCell(g, 3 * s.sample, 200 - 2 * static_cast<int>(s.gauge), row + 5 * a);
  DebugLog(g, NetGaugeLogLine(row, s.gauge, s.jpoints));
}

void OnMessage(Game& g, const SessionEvent& e) {
  NetState& n = g.net;
  NetMessage m;
  std::string error;
  if (!DecodeNetMessage(e.payload.data(), e.payload.size(), &m, &error)) {
    DebugLog(g, "[Net] dropped a message from player " + std::to_string(e.from) + ": " + error);
    return;
  }
  if (IgnoredNetMessageType(m.type)) return;
  if (m.type == static_cast<int32_t>(NetMessageType::Init)) {
    OnInit(g, m);
    return;
  }
  const int row = NetRowOfPlayer(g, e.from);
  if (row < 0) {
    DebugLog(g, "[Net] dropped a message from player " + std::to_string(e.from) + ", who has no row");
    return;
  }
  NetPlayerRow& r = n.NetPlayers[row];
  switch (static_cast<NetMessageType>(m.type)) {
    case NetMessageType::SongInfo: StoreSong(r, m.song); break;
    case NetMessageType::SongDecided:
      StoreSong(r, m.song);
      DebugLog(g, "Receive [USERDETECTSONG] Command from " + std::to_string(row));
      DebugLog(g, "[" + r.Genre + "] " + r.Title + " / " + r.Artist);
      r.Decided = true;
      if (n.IsHost) NetChkDecideSong(g);
      break;
    case NetMessageType::Ready:
      DebugLog(g, "Receive [READY] Command");
      n.NetBattleRunning = true;
      Queue(g, NetAction::ReadyBMS);
      break;
    case NetMessageType::Standby:
      DebugLog(g, "Receive [STANDBY] Command from " + std::to_string(row));
      r.Standby = true;
      if (g.app.GameState != Screen::Play) g.app.GameState = Screen::NetWaitChoice;
      if (n.IsHost) NetChkStartSong(g);
      break;
    case NetMessageType::StartSong:
      DebugLog(g, "Receive [STARTSONG] Command");
      n.NetBattleRunning = true;
      g.app.GameState = Screen::Play;
      Queue(g, NetAction::StartPlay);
      break;
    case NetMessageType::End:
      DebugLog(g, "Receive [END] Command from " + std::to_string(row));
      r.Ended = true;
      if (n.IsHost) NetEndSong(g);
      break;
    case NetMessageType::AllEnd:
      DebugLog(g, "Receive [ALL-END] Command");
      n.NetBattleRunning = false;
      ClearBattleFlags(n);
      g.screens.NetWaitPending = false;
      break;
    case NetMessageType::GaugeData: OnGauge(g, row, m.gauge); break;
    case NetMessageType::Attack:
      DebugLog(g, "Receive [Attack] Command");
      n.AttackKind = m.attack_kind;
      n.AttackTime = g.NowMs();
      if (g.play.Playing && m.attack_kind >= 1 && m.attack_kind <= 5) StartCourseEffect(g, m.attack_kind);
      break;
    default: break;
  }
}

void PollSession(Game& g, uint32_t wait_ms) {
  NetState& n = g.net;
  if (!n.session) return;
  std::vector<SessionEvent> events;
  n.session->Poll(events, wait_ms);
  for (auto& e : events) n.inbox.push_back(std::move(e));
}

}  // namespace

int NetRowOfPlayer(const Game& g, int32_t id) {
  auto it = g.net.NetUsers.find(UserKey(id));
  if (it == g.net.NetUsers.end() || it->second < 0 || it->second >= g.net.PlayerCount) return -1;
  return it->second;
}

void joinplayer(Game& g, int32_t id, const std::string& name) {
  NetState& n = g.net;
  if (n.PlayerCount >= kNetMaxPlayers || NetRowOfPlayer(g, id) >= 0) return;
  const int row = n.PlayerCount++;
  NetPlayerRow& r = n.NetPlayers[row];
  r = NetPlayerRow{};
  r.Name = name;
  if (name.empty() && n.session)
    if (const SessionMember* m = n.session->FindPlayer(id)) r.Name = m->name;
  r.PlayerId = id;
  DebugLog(g, "joinplayer : " + std::to_string(row) + "," + std::to_string(id));
  n.NetUsers[UserKey(id)] = row;
  RankNetPlayers(g);
}

void leaveplayer(Game& g, int32_t id) {
  NetState& n = g.net;
  const int row = NetRowOfPlayer(g, id);
  if (row < 0) return;
  n.NetUsers.erase(UserKey(id));
  DebugLog(g, "leaveplayer : " + std::to_string(row) + "," + std::to_string(id));
  --n.PlayerCount;
  if (n.LocalPlayerIndex > row) --n.LocalPlayerIndex;
  for (int i = row; i < n.PlayerCount; ++i) n.NetPlayers[i] = n.NetPlayers[i + 1];
  n.NetPlayers[n.PlayerCount] = NetPlayerRow{};
  // The rows that moved up are found at their new places.
  for (int i = 0; i < n.PlayerCount; ++i) n.NetUsers[UserKey(n.NetPlayers[i].PlayerId)] = i;
  RankNetPlayers(g);
}

void RankNetPlayers(Game& g) {
  NetState& n = g.net;
  for (int i = 0; i < kNetMaxPlayers; ++i) n.RankOrder[i] = i;
  std::stable_sort(n.RankOrder.begin(), n.RankOrder.begin() + n.PlayerCount,
                   [&](int a, int b) { return n.NetPlayers[a].JPoints > n.NetPlayers[b].JPoints; });
}

std::string NetGaugeLogLine(int row, float gauge, float jpoints) {
  char text[96];
  std::snprintf(text, sizeof text, "NETusr[%d] : %03d%% , jpts:", row, static_cast<int>(gauge));
  return text + FormatJPoints(jpoints);
}

void NetPoll(Game& g) {
  NetState& n = g.net;
  if (!n.session) return;
  const bool awaiting_start = g.app.GameState == Screen::NetWaitChoice && n.NetBattleRunning;
  PollSession(g, awaiting_start ? n.fast_poll_wait_ms : 0);
  NetReceive(g);
  // Every frame while the start is awaited; every 50 ms otherwise.
  const bool fast = n.fast_poll_wait_ms > 0 && g.app.GameState == Screen::NetWaitChoice && n.NetBattleRunning;
  const uint32_t interval = fast ? 1 : kNetPollMs;
  if (g.pump.HasTimer(kNetPollTimerId) && g.pump.TimerInterval(kNetPollTimerId) != interval)
    g.pump.SetTimer(kNetPollTimerId, interval, [&g] { NetPoll(g); });
}

void NetReceive(Game& g) {
  NetState& n = g.net;
  while (!n.inbox.empty()) {
    const SessionEvent e = std::move(n.inbox.front());
    n.inbox.pop_front();
    if (e.kind == SessionEvent::Kind::Message)
      OnMessage(g, e);
    else
      OnSystemEvent(g, e);
    if (!n.actions.empty() && !n.running_actions) RunNetActions(g);
  }
}

void RunNetActions(Game& g) {
  NetState& n = g.net;
  if (n.running_actions) return;
  n.running_actions = true;
  // Loading and play pump the window timers; a fresh poll timer runs inside
  // them even when this was reached from the poll itself.
  if (g.pump.HasTimer(kNetPollTimerId)) {
    g.pump.KillTimer(kNetPollTimerId);
    g.pump.SetTimer(kNetPollTimerId, kNetPollMs, [&g] { NetPoll(g); });
  }
  while (!n.actions.empty()) {
    const NetAction action = n.actions.front();
    n.actions.pop_front();
    if (n.run_action) {
      n.run_action(g, action);
    } else if (action == NetAction::ReadyBMS) {
      ReadyBMS(g);
      // Loaded: wait on the song select screen until everyone is.
      if (g.app.GameState == Screen::Play && (n.actions.empty() || n.actions.front() != NetAction::StartPlay))
        g.app.GameState = Screen::NetWaitChoice;
    } else if (action == NetAction::StartPlay) {
      DebugLog(g, "[Net] play starts at " + std::to_string(SteadyMs()) + " ms");
      StartPlay(g);
    }
  }
  n.running_actions = false;
}

void SendNetCommand(Game& g, int32_t type) {
  NetMessage m;
  m.type = type;
  Send(g, m, 0);
}

void SendInit(Game& g, bool own, int32_t target) {
  NetState& n = g.net;
  DebugLog(g, std::string("[Net:SendInit]") + (own ? " (own-init)" : "") + " to " + std::to_string(target));
  NetMessage m;
  m.type = static_cast<int32_t>(NetMessageType::Init);
  if (n.session) {
    for (const SessionMember& p : n.session->players()) {
      joinplayer(g, p.id, p.name);
      m.players.push_back({p.id, p.name});
    }
  }
  n.LocalPlayerIndex = std::max(0, NetRowOfPlayer(g, n.LocalPlayerId));
  m.game_state = ScreenNumber(g.app.GameState);
  Send(g, m, target);
}

void SendInitTo(Game& g, int32_t id) {
  NetState& n = g.net;
  NetMessage init;
  init.type = static_cast<int32_t>(NetMessageType::Init);
  for (int i = 0; i < n.PlayerCount; ++i) init.players.push_back({n.NetPlayers[i].PlayerId, n.NetPlayers[i].Name});
  init.game_state = ScreenNumber(g.app.GameState);
  Send(g, init, id);
  for (int i = 0; i < n.PlayerCount; ++i) {
    const NetPlayerRow& r = n.NetPlayers[i];
    if (r.PlayerId == id) continue;  // the newcomer has chosen nothing yet
    NetMessage song;
    song.type = static_cast<int32_t>(r.Decided ? NetMessageType::SongDecided : NetMessageType::SongInfo);
    song.song = SongOfRow(r);
    Send(g, song, id, r.PlayerId);
  }
}

void SendCurSongData(Game& g, bool decided) {
  NetState& n = g.net;
  if (!n.NetPlay || !n.session) return;
  NetSong s;
  const int cursor = g.app.ListCursor;
  if (cursor >= 0 && cursor < static_cast<int>(g.library.SongList.size())) {
    const SongEntry& e = g.library.SongList[cursor];
    s.genre = e.Genre, s.title = e.Title, s.artist = e.Artist;
    s.play_level = static_cast<uint8_t>(std::clamp<int32_t>(e.PlayLevel, 0, 255));
    s.length_ms = e.LengthMs;
  }
  s.notes = static_cast<int16_t>(std::clamp<int32_t>(g.chart.NoteCount[0], INT16_MIN, INT16_MAX));
  if (NetPlayerRow* local = LocalRow(g)) {
    StoreSong(*local, s);
    if (decided) local->Decided = true;
  }
  NetMessage m;
  m.type = static_cast<int32_t>(decided ? NetMessageType::SongDecided : NetMessageType::SongInfo);
  m.song = s;
  Send(g, m, 0);
  if (decided && n.IsHost) NetChkDecideSong(g);
}

void SendAttack(Game& g, int player) {
  NetState& n = g.net;
  if (player < 0 || player >= n.PlayerCount || player == n.LocalPlayerIndex) return;
  const double r = std::uniform_real_distribution<double>(0.0, 1.0)(g.playopt.Rng);
  NetMessage m;
  m.type = static_cast<int32_t>(NetMessageType::Attack);
  m.attack_kind = static_cast<uint8_t>(1 + std::nearbyint(r * 4));
  Send(g, m, n.NetPlayers[player].PlayerId);
  ShowMessage(g.display, g.NowMs(), "ATTACK! to " + std::to_string(player) + ":" + n.NetPlayers[player].Name);
}

void NetChkDecideSong(Game& g) {
  NetState& n = g.net;
  int k = 0;
  for (int i = 0; i < n.PlayerCount; ++i) k += n.NetPlayers[i].Decided;
  DebugLog(g, "NetChkDecideSong: " + std::to_string(k) + "/" + std::to_string(n.PlayerCount));
  if (k != n.PlayerCount || n.PlayerCount == 0) return;
  SendNetCommand(g, static_cast<int32_t>(NetMessageType::Ready));
  DebugLog(g, "Send [SONG READY] Command");
  n.NetBattleRunning = true;
  g.app.GameState = Screen::NetWaitChoice;
  Queue(g, NetAction::ReadyBMS);
}

void NetSendStandby(Game& g) {
  NetState& n = g.net;
  if (!n.NetPlay || !n.NetBattleRunning) return;
  DebugLog(g, "Send [STANDBY]");
  if (NetPlayerRow* local = LocalRow(g)) local->Standby = true;
  SendNetCommand(g, static_cast<int32_t>(NetMessageType::Standby));
  if (n.IsHost) NetChkStartSong(g);
}

void NetChkStartSong(Game& g) {
  NetState& n = g.net;
  int k = 0;
  for (int i = 0; i < n.PlayerCount; ++i) k += n.NetPlayers[i].Standby;
  DebugLog(g, "NetChkStartSong: " + std::to_string(k) + "/" + std::to_string(n.PlayerCount));
  if (k < n.PlayerCount || n.PlayerCount == 0) return;
  for (auto& row : n.NetPlayers) row.Standby = false;  // one start per load
  SendNetCommand(g, static_cast<int32_t>(NetMessageType::StartSong));
  DebugLog(g, "Send [SONGSTART] Command");
  g.app.GameState = Screen::Play;
  n.NetBattleRunning = true;
  Queue(g, NetAction::StartPlay);
}

void NetEndSong(Game& g) {
  NetState& n = g.net;
  int k = 0;
  for (int i = 0; i < n.PlayerCount; ++i) k += n.NetPlayers[i].Ended;
  DebugLog(g, "NetEndSong: " + std::to_string(k) + "/" + std::to_string(n.PlayerCount));
  if (k != n.PlayerCount || n.PlayerCount == 0) return;
  SendNetCommand(g, static_cast<int32_t>(NetMessageType::AllEnd));
  DebugLog(g, "Send [ALL-END] Command");
  ClearBattleFlags(n);
  n.NetBattleRunning = false;
  g.screens.NetWaitPending = false;
}

// ---- The play loop's links -------------------------------------------------------

bool NetworkBattle(Game& g) { return g.net.NetPlay && g.net.NetBattleRunning; }

int LocalPlayerSlot(Game& g) { return NetworkBattle(g) ? g.net.LocalPlayerIndex : 0; }

void NetGaugeSample(Game& g, int samples) {
  const PlayerScore& ps = g.judge.Player[0];
  const float gauge = std::clamp(ps.Gauge, 0.0f, 100.0f);
  if (samples % 3 == 0) SendGaugeData(g, samples / 3);
  if (NetPlayerRow* local = LocalRow(g)) {
    local->Gauge = gauge;
    local->JPoints = ps.JPoints;
    local->Score = static_cast<float>(ps.Score);
    RankNetPlayers(g);
  }
}

void NetEndOfPlay(Game& g) {
  NetState& n = g.net;
  SendGaugeData(g, static_cast<int>(g.play.GaugeSamples[0]) / 3);
  DebugLog(g, "Send [End] Command");
  if (NetPlayerRow* local = LocalRow(g)) local->Ended = true;
  SendNetCommand(g, static_cast<int32_t>(NetMessageType::End));
  g.screens.NetWaitPending = true;
  if (n.IsHost) NetEndSong(g);
}

void ClearNetPlayStarted(Game& g) {
  g.net.NetBattleRunning = false;
  g.net.WaitLock = false;
  g.screens.NetWaitPending = false;
}

}  // namespace kvx
