#pragma once
// Setting up a battle: hosting, joining by address, the start button's
// network step, the poll timer, and the wait of a joining copy for the
// host's INIT.
#include <cstdint>
#include <initializer_list>
#include <string>
#include <vector>

namespace kvx {

struct Game;
struct Texts;

// The menu's network line: the table's `line` with its "{}" filled by
// `values`, in the current language.
void ShowNetStatus(Game& game, const char* Texts::*line, std::initializer_list<std::string> values);
// The same, also logged (in English).
void NetNews(Game& game, const char* Texts::*line, std::initializer_list<std::string> values);
// Creates the session object (a closed session).
void InitDPlay(Game& game);
// Binds the battle port and becomes the host, player 1.
bool HostSession(Game& game);
// Checks the menu's address field ("host" or "host:port").
bool FindSessions(Game& game);
// Starts joining the host of the address field; the poll reports the outcome.
bool BeginJoin(Game& game);
// BeginJoin, then polls until joined or refused (within about 5 s), drawing
// busy menu frames meanwhile.
bool JoinSession(Game& game);
// "サーバー起動": hosts; true when the game should start at once.
bool cmdServer_Click(Game& game);
// "接続": joins; the copy then waits for the host's INIT.
bool cmdConnect_Click(Game& game);
// The start button's network step: the host tells everyone the players;
// with fewer than two players the battle falls back to standalone play.
void PrepareNetworkStart(Game& game);
// The 50 ms network poll timer of the game window.
void StartNetPoll(Game& game);
// A joined copy still in the menu: polls; true once the host's INIT came.
bool NetMenuTick(Game& game);
// Waits (polling, at most timeout_ms) for the host's INIT; false when it did
// not come or the session ended.
bool WaitForInit(Game& game, uint32_t timeout_ms);
// False while this copy hosts a battle and fewer players than --players are
// in; a chart from the command line waits for them.
bool BattlePlayersArrived(const Game& game);
// The addresses other players can join this copy at ("a.b.c.d:port").
std::vector<std::string> JoinAddresses(const Game& game);

}  // namespace kvx
