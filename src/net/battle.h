#pragma once
// The battle's message handling and host-side checks: the player table,
// the song choice, loading, start, gauge stream, attacks and the end.
#include <cstdint>
#include <string>

namespace kvx {

struct Game;
struct NetMessage;

// Maintain the player table and its index by player id.
void joinplayer(Game& game, int32_t id, const std::string& name);
void leaveplayer(Game& game, int32_t id);
// The row of a player id, or -1.
int NetRowOfPlayer(const Game& game, int32_t id);

// Handles every pending session event and message, in arrival order.
void NetReceive(Game& game);
// The 50 ms poll: services the session, then NetReceive.
void NetPoll(Game& game);

// INIT to target (0 = all); with own the local table is rebuilt from the session.
void SendInit(Game& game, bool own, int32_t target);
// Host: INIT and one song message per row to a newcomer.
void SendInitTo(Game& game, int32_t id);
// An attack of a random kind 1..5 to the player in row `player`.
void SendAttack(Game& game, int player);
// Sends a message without fields (READY, STANDBY, STARTSONG, END, ALL-END).
void SendNetCommand(Game& game, int32_t type);

void NetChkDecideSong(Game& game);
void NetChkStartSong(Game& game);
void NetEndSong(Game& game);

// The player table ranked by J-PTS for display.
void RankNetPlayers(Game& game);
// "NETusr[row] : 100% , jpts:1234"
std::string NetGaugeLogLine(int row, float gauge, float jpoints);

// Runs the loading and play the messages asked for; a loop inside keeps
// polling the network.
void RunNetActions(Game& game);

}  // namespace kvx
