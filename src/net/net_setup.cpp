#include "net/net_setup.h"

#include <algorithm>
#include <cstdlib>

#include "app/game.h"
#include "app/texts.h"
#include "app/timers.h"
#include "menu/startup_menu.h"
#include "net/battle.h"
#include "platform/message_box.h"

namespace kvx {

namespace {

constexpr uint32_t kJoinLimitMs = 2 * kSessionTimeoutMs + 1000;

// Polls the session until the join has its outcome.
bool AwaitJoin(Game& g) {
  NetState& n = g.net;
  const uint64_t start = SteadyMs();
  while (n.session && n.session->open() && !n.session->joined() && SteadyMs() - start < kJoinLimitMs) {
    std::vector<SessionEvent> events;
    n.session->Poll(events, 20);
    for (auto& e : events) n.inbox.push_back(std::move(e));
    NetReceive(g);
    DrawBusyMenuFrame(g);
  }
  NetReceive(g);
  if (n.session && n.session->joined()) return true;
  if (n.session && n.session->open()) {
    n.status = TextWith(TextsOf(g).net_join_failed, TextsOf(g).net_no_answer);
    DebugLog(g, "[Net] " + TextWith(kTextsEn.net_join_failed, kTextsEn.net_no_answer));
    n.session->Close();
  }
  return false;
}

}  // namespace

void ShowNetStatus(Game& g, const char* Texts::*line, std::initializer_list<std::string> values) {
  g.net.status = TextWith(TextsOf(g).*line, values);
}

void NetNews(Game& g, const char* Texts::*line, std::initializer_list<std::string> values) {
  ShowNetStatus(g, line, values);
  DebugLog(g, "[Net] " + TextWith(kTextsEn.*line, values));
}

void InitDPlay(Game& g) {
  NetState& n = g.net;
  if (n.session && n.session->open()) return;
  if (!NetworkAvailable()) {
    // The log keeps the classic line whatever the language.
    DebugLog(g, kTextsJa.message_no_network);
    ShowMessageBox("", TextsOf(g).message_no_network, MessageBoxKind::Warning, !g.options.headless);
    return;
  }
  n.session = std::make_unique<Session>([&g](const std::string& line) { DebugLog(g, line); });
  n.inbox.clear();
  // Measurements compare the plain 50 ms poll (0) with waiting on the socket.
  if (const char* wait = std::getenv("KVX_NET_START_WAIT_MS"); wait && *wait)
    n.fast_poll_wait_ms = static_cast<uint32_t>(std::clamp(std::atoi(wait), 0, 50));
}

bool HostSession(Game& g) {
  NetState& n = g.net;
  std::string error;
  if (!n.session->Host(n.bind_address, n.host_port, g.settings.MyName, &error)) {
    NetNews(g, &Texts::net_host_failed, {error});
    return false;
  }
  n.LocalPlayerId = n.session->local_id();
  ShowNetStatus(g, &Texts::net_hosting, {std::to_string(n.session->port())});
  return true;
}

bool FindSessions(Game& g) {
  std::string host;
  uint16_t port = kDefaultBattlePort;
  if (!SplitHostPort(g.menu.txtHost, &host, &port)) {
    NetNews(g, IsIpv6Address(g.menu.txtHost) ? &Texts::net_no_ipv6 : &Texts::net_not_an_address, {g.menu.txtHost});
    return false;
  }
  return true;
}

bool BeginJoin(Game& g) {
  NetState& n = g.net;
  std::string host, error;
  uint16_t port = kDefaultBattlePort;
  SplitHostPort(g.menu.txtHost, &host, &port);
  ShowNetStatus(g, &Texts::net_connecting, {host + ":" + std::to_string(port)});
  if (!n.session->Join(n.bind_address, host, port, g.settings.MyName, &error)) {
    NetNews(g, &Texts::net_join_failed, {error});
    return false;
  }
  return true;
}

bool JoinSession(Game& g) { return BeginJoin(g) && AwaitJoin(g); }

bool cmdServer_Click(Game& g) {
  InitDPlay(g);
  g.settings.MyName = g.menu.txtUserName;
  if (!g.net.session || !HostSession(g)) return false;
  NetState& n = g.net;
  n.NetPlay = n.IsHost = true;
  StartNetPoll(g);
  return true;
}

bool cmdConnect_Click(Game& g) {
  InitDPlay(g);
  g.settings.MyName = g.menu.txtUserName;
  g.settings.LastHost = g.menu.txtHost;
  if (!g.net.session || !FindSessions(g) || !JoinSession(g)) return false;
  StartNetPoll(g);
  return true;
}

void PrepareNetworkStart(Game& g) {
  NetState& n = g.net;
  if (!n.session) return;
  const size_t players = n.session->open() ? n.session->players().size() : 0;
  if (players >= 1 && n.session->is_host()) {
    SendInit(g, true, 0);
  } else if (players < 2) {
    // The log keeps the classic line whatever the language.
    DebugLog(g, kTextsJa.message_standalone);
    ShowMessageBox("", TextsOf(g).message_standalone, MessageBoxKind::Information, !g.options.headless);
    n.NetPlay = n.IsHost = false;
    g.pump.KillTimer(kNetPollTimerId);
  }
}

void StartNetPoll(Game& g) { g.pump.SetTimer(kNetPollTimerId, 50, [&g] { NetPoll(g); }); }

bool NetMenuTick(Game& g) {
  NetState& n = g.net;
  if (!n.NetPlay || g.app.started || !n.session) return false;
  NetPoll(g);
  if (!n.session->open() && !n.init_received) {
    n.NetPlay = n.joining = false;
    if (n.status.empty()) ShowNetStatus(g, &Texts::net_session_ended, {});
  }
  return n.init_received;
}

bool WaitForInit(Game& g, uint32_t timeout_ms) {
  NetState& n = g.net;
  const uint64_t start = SteadyMs();
  while (n.session && n.session->open() && !n.init_received && SteadyMs() - start < timeout_ms) {
    std::vector<SessionEvent> events;
    n.session->Poll(events, 20);
    for (auto& e : events) n.inbox.push_back(std::move(e));
    NetReceive(g);
  }
  if (!n.init_received) NetNews(g, &Texts::net_no_player_list, {});
  return n.init_received;
}

bool BattlePlayersArrived(const Game& g) {
  const NetState& n = g.net;
  return !n.NetPlay || !n.IsHost || n.PlayerCount >= g.options.net_players;
}

std::vector<std::string> JoinAddresses(const Game& g) {
  const uint16_t port = g.net.session && g.net.session->open() ? g.net.session->port() : g.net.host_port;
  std::vector<std::string> out;
  for (const std::string& a : LocalAddresses()) out.push_back(a + ":" + std::to_string(port));
  return out;
}

}  // namespace kvx
