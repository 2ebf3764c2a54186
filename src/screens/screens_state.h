#pragma once
// State of the front-end screens: song select and the result screen.
#include <cstdint>
#include <string>

#include "app/app_state.h"
#include "screens/score_record.h"

namespace kvx {

struct ScreensState {
  std::string RankingName;   // the name offered in the ranking entry
  std::string JukeboxName;   // heading of the song list
  float ScrollOffset = 0;    // list scroll animation, in entries
  bool EditingCourse = false;
  bool PreviewMode = false;  // shuffle play of a whole jukebox
  uint8_t FadeSubject = 0;
  int32_t PreviewCursor = -1;  // the entry the running preview was started for
  Screen ReturnState = Screen::SongList;  // the list to return to after play (0 charts, 7 courses)
  bool CourseEntry = false;    // the entry under the cursor is a course (course list)
  ScoreRecord Record;          // the record of the chart under the cursor
  // Result screen: a key-lane button went down since the screen could end
  // (kept until the frame sees it, however short the press), and the wait for
  // the other players of a network battle.
  bool ResultKeyPressed = false;
  bool NetWaitPending = false;
};

}  // namespace kvx
