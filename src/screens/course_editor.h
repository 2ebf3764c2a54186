#pragma once
// The course editor (GameState 9 and 10): naming a course, choosing its songs
// from the song list, and saving it as a course file.
#include <cstdint>

#include "chart/song_entry.h"

namespace kvx {

struct Game;

// Enter on "[MAKE NEW COURSE]": the editor on an empty course.
void StartNewCourse(Game& game);
// Space on a course of the course list (index into SongList): the editor on that course.
void EditCourseAt(Game& game, int32_t index);
// Enter on a song of the song list while EditingCourse is set: the song goes
// into the slot being chosen and the editor comes back.
void PutSongIntoCourseSlot(Game& game, const SongEntry& song);
// Removes one song slot.
void CourseRemove(Game& game, int32_t slot);
// F10 in the editor.
void SaveEditedCourse(Game& game);
// Keys of the editor (GameState 10). F10 is consumed (code becomes 0).
void ProcessKey_EditCourse(Game& game, int16_t& code);
// Typed characters of the course name entry (GameState 9).
void ProcessKey_EnterCourse(Game& game, int16_t character);
// Draws one frame of the editor (GameState 9 and 10) and presents it.
void mEditCourse(Game& game);

}  // namespace kvx
