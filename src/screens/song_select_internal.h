#pragma once
// Shared between the song select screen's files.
#include <cstdint>
#include <string>

#include "app/app_state.h"

namespace kvx {

struct Game;
struct SongEntry;

int EntryCount(const Game& game);
const SongEntry* EntryUnderCursor(const Game& game);
// A Shift key or a button of the lane function 12 is held.
bool ShiftOrLane12Held(const Game& game);

// chexec without its first step (sound, course reset, stage release): the
// cursor wrap, the title split, the record and the preview timer.
void ApplySelection(Game& game);
void ReleaseStagePicture(Game& game);
// Loads the stage picture of the entry under the cursor into the preview
// surface (under the modern rules, after scanning the entry's modern header
// fields, its banner when it has no stage picture).
void LoadStagePicture(Game& game);
// Under the modern rules: fills the modern header fields of the entry under
// the cursor (a list file does not hold them) from its chart, once.
void ScanModernHeader(Game& game);
// Counts the sound files the chart under the cursor names but that cannot be
// found (screens.MissingSounds), for the panel.
void CountMissingSounds(Game& game);
// The song list's conversion of lane buttons into navigation keys (button
// codes above 255); 0 when the button did its work itself.
int16_t ssKeyCvt_Joy(Game& game, int16_t code);
// One step of the clear check (one entry per drawn frame).
void RunClearCheck(Game& game);
// Eases the scroll offset and the opening animation; ends the front-end fade.
void AdvanceListAnimations(Game& game);

// The screen's actions (song_select_flow.cpp).
// JukeReady, with the opening animation and the entry under the cursor shown.
void ShowJukeboxList(Game& game);
void EnterCourseList(Game& game);
void OpenSongList(Game& game);
void StartShufflePlay(Game& game);
void StartPlayOnSong(Game& game);
void StartPlayOnCourse(Game& game);
void EditCourseUnderCursor(Game& game);
void PutEntryIntoCourseSlot(Game& game);
// Deletes a course file (nothing else) and shows the course list again.
void DeleteCourseFile(Game& game, const std::string& file);
// "SORT: LEVEL" and so on on the song list once a sort was chosen; empty otherwise.
std::string SortLabel(const Game& game);
// The one-line question song select is waiting on; empty when none is.
std::string QuestionLine(const Game& game);

}  // namespace kvx
