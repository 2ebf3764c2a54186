// The course editor: opening it, its keys, the course name entry, choosing a
// slot's song on the song lists, and saving.
#include <algorithm>

#include "app/game.h"
#include "chart/chart_state.h"
#include "library/courses.h"
#include "library/jukebox.h"
#include "media/display.h"
#include "media/sound.h"
#include "screens/song_select.h"

namespace kvx {

namespace {

constexpr size_t kMaxCourseNameLength = 64;  // keeps the file name well inside the system's limit
constexpr std::string_view kRefusedCharacters = "*/\\\":?<>|";

std::vector<SongEntry>& Songs(Game& g) { return g.chart.CourseSongs; }

void ClampEditCursor(CourseState& c) { c.EditCursor = std::clamp<int32_t>(c.EditCursor, -2, c.EditSongCount); }

// The song lists take over until a song is chosen or Escape is pressed.
void ChooseSongForSlot(Game& g) {
  g.app.GameState = Screen::CourseSongChoice;
  JukeReady(g);
}

void AddSongSlot(Game& g) {
  CourseState& c = g.course;
  if (c.EditSongCount >= kMaxCourseSongs) {
    ShowMessage(g, "a course holds at most " + std::to_string(kMaxCourseSongs) + " songs.");
    return;
  }
  auto& songs = Songs(g);
  if (songs.size() < static_cast<size_t>(c.EditSongCount) + 1) songs.resize(c.EditSongCount + 1);
  songs[c.EditSongCount] = SongEntry{};  // a slot left without a song stays empty
  c.EditSlot = c.EditSongCount;
  ++c.EditSongCount;
  ChooseSongForSlot(g);
}

// The course list shows the entry under the cursor afresh: its name, and its
// songs as read from its file, not what the editor last held.
void ShowCourseListAgain(Game& g) {
  g.chart.CourseSongs.clear();
  g.chart.CourseSongCount = 0;
  OpenSongSelect(g);
}

void LeaveEditor(Game& g) {
  CourseState& c = g.course;
  g.app.GameState = Screen::CourseList;
  g.screens.EditingCourse = false;
  UpdateCourseList(g);
  g.app.ListCursor = std::clamp<int32_t>(c.RememberedCourse, 0, std::max(0, g.library.SongListLast));
  ShowCourseListAgain(g);
}

void OpenEditor(Game& g) {
  CourseState& c = g.course;
  g.screens.EditingCourse = true;
  c.EditSlot = 0;
  c.EditCursor = -2;
  c.NameEntryGuard = false;
  c.RememberedCourse = g.app.ListCursor;
  g.app.GameState = Screen::CourseEditor;
}

}  // namespace

void StartNewCourse(Game& g) {
  CourseState& c = g.course;
  c.EditSongCount = 0;
  c.CourseName = "NEW COURSE";
  c.EditStars = 3;
  c.Header = CourseHeader{};
  Songs(g).clear();
  OpenEditor(g);
}

void EditCourseAt(Game& g, int32_t index) {
  const auto& list = g.library.SongList;
  if (index < 1 || index >= static_cast<int32_t>(list.size())) return;
  const SongEntry entry = list[index];
  CourseState& c = g.course;
  // A course file removed behind the program's back opens as an empty course.
  c.Header = CourseHeader{};
  Songs(g).assign(1, SongEntry{});
  CourseLoad(g, entry.FilePath, false);
  c.CourseName = entry.Title;
  c.EditSongCount = c.Header.SongCount;
  c.EditStars = c.Header.Stars;
  if (Songs(g).size() < c.EditSongCount) Songs(g).resize(c.EditSongCount);
  OpenEditor(g);
}

void PutSongIntoCourseSlot(Game& g, const SongEntry& song) {
  CourseState& c = g.course;
  auto& songs = Songs(g);
  if (c.EditSlot < c.EditSongCount) {
    if (songs.size() <= c.EditSlot) songs.resize(c.EditSlot + 1);
    songs[c.EditSlot] = song;
  }
  PlaySE(g.sound, kSeFade);
  g.app.GameState = Screen::CourseEditor;
}

void CourseRemove(Game& g, int32_t slot) {
  CourseState& c = g.course;
  auto& songs = Songs(g);
  if (slot < 0 || slot >= c.EditSongCount) return;
  --c.EditSongCount;
  if (static_cast<size_t>(slot) < songs.size()) songs.erase(songs.begin() + slot);
  songs.resize(c.EditSongCount);
}

void SaveEditedCourse(Game& g) {
  CourseState& c = g.course;
  auto& songs = Songs(g);
  bool removed = false;
  for (int32_t slot = c.EditSongCount - 1; slot >= 0; --slot) {
    if (static_cast<size_t>(slot) < songs.size() && !songs[slot].FilePath.empty()) continue;
    CourseRemove(g, slot);
    removed = true;
  }
  if (removed) {
    ShowMessage(g, "Null items has removed. please re-press F10 key");
    return;
  }
  PlaySE(g.sound, kSeDecide);
  DebugLog(g, "[CreateCourse]");
  c.Header.Stars = c.EditStars;
  c.Header.SongCount = c.EditSongCount;
  c.Header.TotalLength = TotalLengthOf(songs, c.EditSongCount);
  if (!SaveCourseFile(g, CourseFilePath(g, c.CourseName))) {
    // Nothing was written: the editor stays open with the course as it is.
    ShowMessage(g, "can't save the course \"" + c.CourseName + "\".");
    return;
  }
  DebugLog(g, "Saved.");
  UpdateCourseList(g);
  DebugLog(g, "ListUpdate");
  songs.clear();
  c.EditSongCount = 0;
  g.app.GameState = Screen::CourseList;
  g.screens.EditingCourse = false;
  c.Header.SongCount = 0;
  ShowCourseListAgain(g);
  DebugLog(g, "OK");
}

void ProcessKey_EditCourse(Game& g, int16_t& code) {
  CourseState& c = g.course;
  ClampEditCursor(c);
  const bool on_song = c.EditCursor >= 0 && c.EditCursor < c.EditSongCount;
  switch (code) {
    case 1:  // Escape: back to the course list, nothing saved
      LeaveEditor(g);
      break;
    case 28:  // Enter
      if (c.EditCursor == -2) {
        PlaySE(g.sound, kSeFade);
        if (!c.NameEntryGuard) {
          g.app.GameState = Screen::CourseNameEntry;
          c.NameEntryGuard = true;
        }
      } else if (c.EditCursor == c.EditSongCount) {
        PlaySE(g.sound, kSeFade);
        AddSongSlot(g);
      } else if (on_song) {
        PlaySE(g.sound, kSeFade);
        c.EditSlot = static_cast<uint8_t>(c.EditCursor);
        ChooseSongForSlot(g);
      }
      break;
    case 205:  // Right
      PlaySE(g.sound, kSeFade);
      if (c.EditCursor == -1) ++c.EditStars;  // a byte: 255 wraps to 0
      break;
    case 203:  // Left
      PlaySE(g.sound, kSeFade);
      if (c.EditCursor == -1 && c.EditStars > 0) --c.EditStars;
      break;
    case 211:  // Delete
      PlaySE(g.sound, kSeFade);
      if (on_song) CourseRemove(g, c.EditCursor);
      break;
    case 68:  // F10: save; the key does not go on to the echo option
      SaveEditedCourse(g);
      code = 0;
      break;
    case 208:  // Down
      ++c.EditCursor;
      PlaySE(g.sound, kSeSongChange);
      break;
    case 200:  // Up
      --c.EditCursor;
      PlaySE(g.sound, kSeSongChange);
      break;
    default:
      break;
  }
}

void ProcessKey_EnterCourse(Game& g, int16_t character) {
  CourseState& c = g.course;
  if (character > 0 && character < 128 && kRefusedCharacters.find(static_cast<char>(character)) != std::string::npos) {
    ShowMessage(g, std::string("sorry, can't use ") + static_cast<char>(character) + " for filename.");
  } else if (character >= 32 && character <= 127) {
    if (c.CourseName.size() < kMaxCourseNameLength)
      c.CourseName += static_cast<char>(character);
    else
      ShowMessage(g, "a course name has at most " + std::to_string(kMaxCourseNameLength) + " characters.");
  } else if (character == 8) {
    if (!c.CourseName.empty()) c.CourseName.pop_back();
  } else if (character == 13 || character == 27) {
    if (!c.NameEntryGuard) g.app.GameState = Screen::CourseEditor;
    c.NameEntryGuard = false;
  }
}

}  // namespace kvx
