#pragma once
// State of the front-end screens: song select and the result screen.
#include <array>
#include <cstdint>
#include <string>

#include "app/app_state.h"
#include "media/surface.h"
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

  // The song-select and result pictures (LoadSS) and the song-select preview.
  Surface SongSelectBgSurface;
  Surface SongSelectBgGreySurface;
  Surface SongSelectObjSurface;
  Surface NoStageSurface;
  Surface ResultObjSurface;
  Surface PreviewSurface;        // 192x144 song-select preview, shown at (304, 78)

  // Built-in source rectangles of the song-select and result images.
  Rect RectA, RectB, RectK, RectL, RectM;
  std::array<Rect, 4> RectC{}, RectD{}, RectE{};
  std::array<Rect, 6> RectF{};
  std::array<std::array<Rect, 2>, 10> RectG{};
  std::array<Rect, 10> RectH{}, RectI{}, RectJ{};
  // Result screen: a key-lane button went down since the screen could end
  // (kept until the frame sees it, however short the press), and the wait for
  // the other players of a network battle.
  bool ResultKeyPressed = false;
  bool NetWaitPending = false;
};

}  // namespace kvx
