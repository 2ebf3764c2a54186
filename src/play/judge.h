#pragma once
// Judgement, gauge and scoring.
#include <cstdint>
#include <string>

namespace kvx {

struct Game;
struct ChartObject;

// A note becomes its lane's candidate once it is less than this many units
// (two beats) ahead of the play position.
constexpr float kCandidateReach = 96.0f;
// A candidate this far behind the play position (one beat) is missed.
constexpr float kMissOffset = 48.0f;

// Under the modern rules the judgement windows, the candidate reach and the
// miss distance are times: their unit lasts as long as a position unit at
// this tempo (10.4 ms), whatever the chart's tempo. So rank 2's windows are
// 31.25, 62.5, 187.5 and 250 ms at every tempo of every chart.
constexpr double kJudgeReferenceBpm = 120.0;
// Position units at the tempo in force per judgement unit: EffectiveBPM / 120
// under the modern rules, 1 under the classic rules (windows in position
// units) and while the play is frozen.
double JudgeUnitScale(const Game& game);

// Note channels of the two sides: 11..19 and 21..29.
bool IsLaneChannel(int32_t channel);
// The player slot (0 or 1) that plays a chart side.
int SlotOfSide(const Game& game, int side);
// Resets the per-play judgement state before each play.
void ResetPlayState(Game& game);
// Judges note objectIndex; offset 0 measures it now (PlayPosition - position),
// 48 is passed for a missed note. True when the note was consumed.
bool Judge(Game& game, int32_t objectIndex, float offset);
// Per lane while the notes are drawn: the candidate choice for one note and
// the missed-note detection for one lane (lane = channel - 11).
void ChooseCandidate(Game& game, int32_t objectIndex, int32_t screenY);
void DetectMiss(Game& game, int lane);
// A lane note that a press, a miss or nothing at all will still judge (not
// an automatic lane, a pedal lane or a side beyond `sides`, not yet judged).
bool AwaitsJudgement(const Game& game, const ChartObject& object, int sides);
// The first object the candidate walk must visit: moves the play's cursor
// past every object up to `limit` that awaits no judgement, and returns it.
int32_t AdvanceCandidateCursor(Game& game, int32_t limit, int sides);
// Before a press is judged at PlayPosition: when the lane's candidate has
// passed the line and a later note of the lane is nearer and inside the BAD
// window, the candidate is missed and that note becomes the candidate.
void PreferNearerNote(Game& game, int lane);
// Refreshes the digit strings of the play screen for a player slot.
void UpdateNumberDigits(Game& game, int slot);
// Class index 0 (SS) .. 6 (E) of a J-PTS ratio.
int ClassOf(float ratio);
// The class of the slot's J-PTS so far (6 before anything is judged).
int CurrentClass(const Game& game, int slot);
// Fills judge.Result for both slots and chooses the result sound (13 cleared,
// 14 failed; with two sides, failed only when both are below 80).
void RunResultTally(Game& game);
// The result of player 1 as the log and the chart check show it:
// "[Result] SCORE: .. ExPTS: .. J-PTS: .. COMBO: .. CLASS: .. FGREAT .. POOR ..".
std::string ResultSummaryLine(const Game& game);
// The figure shown t ms into the 2000 ms count-up of the result screen.
int64_t CountUpFigure(int64_t finalValue, uint32_t t);
// Judged notes so far (JPointsMax / 18).
int JudgedNotes(const Game& game);

}  // namespace kvx
