#pragma once
// The play loop's links to the other subsystems: the course, display and
// hi-speed steps of a play that need more than one call, and the network
// battle's part in a play.
#include <cstdint>
#include <string>

#include "chart/chart_state.h"
#include "play/ready_bms.h"
#include "media/display.h"
#include "media/sound.h"
#include "play/judge.h"
#include "play/options.h"
#include "screens/result_screen.h"

namespace kvx {

struct Game;

// Course play.
std::string CourseSongTitle(Game& g, int song);
std::string CourseSongArtist(Game& g, int song);
void ApplyCourseSongTables(Game& g, int song);
void LoadAllCourseSongMedia(Game& g, int song);
bool LoadCourseStageImage(Game& g, int song);

// Display.
void CaptureBackSurface(Game& g);
// Clears the progress graph for a new play.
void ClearProgressGraph(Game& g);
void DrawGraphLine(Game& g, int x0, int y0, int x1, int y1, uint32_t rgb);
void PlotGraphCell(Game& g, int x, int y, int cell);
void RestoreGameWindow(Game& g);

// The chart's sides (1 or 2) and the hi-speed at the start and end of a play.
int PlaySides(Game& g);
void ResetHiSpeedForPlayStart(Game& g);
void ApplyHiSpeedAfterPlay(Game& g);

// The network battle (net/battle.cpp): whether this play is a battle, the
// standby after loading, the gauge sample (`samples` taken so far) and end
// messages, and this player's row in the player table.
bool NetworkBattle(Game& g);
void NetSendStandby(Game& g);
void NetGaugeSample(Game& g, int samples);
void NetEndOfPlay(Game& g);
void ClearNetPlayStarted(Game& g);
int LocalPlayerSlot(Game& g);
// After the play: the score record of the chart, pending from the end of the
// play (so that leaving the program from the result screen still writes it),
// then reloaded, ranked when the play counts (played to its end, not in demo
// mode) and written.
void MarkScoreRecordPending(Game& g, bool rank);
void RunScoreRecord(Game& g, bool rank);

}  // namespace kvx
