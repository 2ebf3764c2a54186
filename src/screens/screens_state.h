#pragma once
// State of the front-end screens: song select and the result screen.
#include <array>
#include <cstdint>
#include <random>
#include <string>
#include <vector>

#include "app/app_state.h"
#include "library/library_state.h"
#include "media/surface.h"
#include "screens/clear_marks.h"
#include "screens/score_record.h"
#include "screens/song_sort.h"

namespace kvx {

// The sound-only preview of the chart under the song-select cursor.
struct SongPreviewState {
  enum class Stage { Idle, Loading, Playing };
  Stage stage = Stage::Idle;
  std::string file;             // the chart being previewed
  int32_t start_position = 0;   // the first sounding object's position
  std::vector<int> first_ids;   // the sounds that must be ready before it starts
  uint32_t load_start = 0;      // when the chart was read (ms)
  int32_t queued_until = 0;     // objects up to this index have had their sounds queued
  std::array<bool, 256> queued{};  // WAV numbers queued for decoding in this preview
};

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
  // The record of a finished play not yet written: None, after the play
  // (the result screen runs), or loaded and being ranked (the name entry runs).
  enum class RecordStep { None, AfterPlay, Ranking };
  RecordStep PendingRecord = RecordStep::None;
  bool PendingRecordRanks = false;  // the pending play counts for the ranking

  // Song select.
  bool CourseModeShown = false;   // the course list was entered with Tab
  std::string TitleMain, TitleSub;  // the selected title split at its bracketed suffix
  int32_t ClearCheckIndex = 0;    // the next entry the clear check looks at
  ClearMarkCache ClearMarks;      // the records' cleared flags, by chart path
  const void* ClearMarksAskedFor = nullptr;  // the list (its entries' storage) the last read was asked for
  std::string CourseNameShown;    // the course name the course list shows
  uint32_t LastChangeTime = 0;    // when the cursor last changed (ms)
  // Opening animation: eases from 3 to 1 while a 500 ms countdown runs.
  float OpeningValue = 1, OpeningTarget = 1;
  int32_t OpeningCountdown = 0;
  uint32_t LastDrawTime = 0;
  // The front-end fade (2 after play, 21 into the course list, 22 back to the
  // jukebox list): the screen brightens from black over 200 ms.
  uint8_t FrontFadeState = 0;
  uint32_t FrontFadeStart = 0;
  int32_t ShufflePlayCount = 0;   // charts played in the current shuffle play
  // The stage picture of the entry under the cursor, scaled into the preview
  // surface; -1 when none has been loaded for the current entry.
  int32_t StagePictureEntry = -1;
  bool StagePictureShown = false;  // the preview surface holds a decoded stage picture
  // How many sound files the chart under the cursor names but cannot be
  // found, counted when the cursor comes to rest on entry MissingSoundsEntry.
  int32_t MissingSoundsEntry = -1;
  int32_t MissingSounds = 0;
  SongPreviewState Preview;
  SongSort ListSort = SongSort::None;  // the song lists' sort, kept for every jukebox opened
  // A question on song select, answered by Enter (yes) or Escape (no); the
  // course file it is about, for a deletion.
  enum class Question { None, Quit, DeleteCourse };
  Question PendingQuestion = Question::None;
  std::string QuestionFile;
  std::mt19937 ShuffleRng{std::random_device{}()};  // the picks of shuffle play

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
  // Type-to-search on the song list: the field is open while Searching; the
  // list shows the entries of SearchBase (the opened jukebox) that match
  // SearchText, until Escape brings the whole list back.
  bool Searching = false;
  bool SearchFiltered = false;
  std::string SearchText;
  std::vector<SongEntry> SearchBase;
  // The retry key ended the result screen: the same chart plays again.
  bool RetryRequested = false;
  bool NetWaitPending = false;
};

}  // namespace kvx
