// Song select: what each button does on the jukebox list, the song list and
// the course list.
#include <algorithm>
#include <random>

#include "app/game.h"
#include "app/texts.h"
#include "app/main_loop.h"
#include "library/courses.h"
#include "library/jukebox.h"
#include "media/display.h"
#include "media/input.h"
#include "media/sound.h"
#include "net/net_session.h"
#include "platform/files.h"
#include "platform/text.h"
#include "play/options.h"
#include "screens/song_select.h"
#include "screens/song_select_internal.h"

namespace kvx {

namespace {

constexpr int16_t kEscape = 1, kTab = 15, kEnter = 28, kSpace = 57;
constexpr int16_t kF1 = 59, kF2 = 60, kF3 = 61, kF4 = 62, kF5 = 63, kF6 = 64, kF12 = 88;
constexpr int16_t kPad1 = 79, kPad2 = 80, kPad3 = 81, kPad4 = 75;
constexpr int16_t kUp = 200, kPageUp = 201, kLeft = 203, kRight = 205, kDown = 208, kPageDown = 209, kDelete = 211;

using Question = ScreensState::Question;

void Ask(Game& g, Question question, std::string file = {}) {
  g.screens.PendingQuestion = question;
  g.screens.QuestionFile = std::move(file);
  PlaySE(g.sound, kSePtsCount);
}

// Enter carries out what the question asked, Escape forgets it; other keys
// wait for the answer.
void AnswerQuestion(Game& g, int16_t code) {
  if (code != kEnter && code != kEscape) return;
  const Question question = g.screens.PendingQuestion;
  g.screens.PendingQuestion = Question::None;
  if (code == kEscape) return;
  if (question == Question::Quit) CloseGameWindow(g);
  if (question == Question::DeleteCourse) DeleteCourseFile(g, g.screens.QuestionFile);
}

void Escape(Game& g) {
  if (g.screens.EditingCourse) {
    StopSongPreview(g);
    g.play.Playing = false;
    g.app.GameState = Screen::CourseEditor;
    return;
  }
  Ask(g, Question::Quit);
}

// Only a course file is ever deleted (the new-course entry has none).
void AskToDeleteCourse(Game& g) {
  const SongEntry* entry = EntryUnderCursor(g);
  if (!entry || g.app.ListCursor < 1 || !EndsWithNoCase(entry->FilePath, ".kcl")) return;
  Ask(g, Question::DeleteCourse, entry->FilePath);
}

// Only a list of charts is sorted (the course list keeps its new-course entry
// first, the jukebox list the order its cursor is remembered in). The cursor
// stays on its chart, and the sort is kept for the next jukebox opened.
void Sort(Game& g, SongSort sort) {
  if (g.app.GameState != Screen::SongList) return;
  SortSongList(g, sort);
  g.screens.ListSort = sort;
  ShowMessage(g, std::string("Sorted by ") + SortName(sort));
}

// F5: the cursor jumps to an entry picked at random (not the one it is on);
// the list scrolls a few rows' worth towards it.
void MoveToRandomEntry(Game& g) {
  const int count = EntryCount(g);
  if (count <= 1) return;
  std::uniform_int_distribution<int> pick(1, count - 1);
  const int target = (std::clamp(g.app.ListCursor, 0, count - 1) + pick(g.screens.ShuffleRng)) % count;
  MoveListCursorBy(g, target - g.app.ListCursor);
  g.screens.ScrollOffset = std::clamp(g.screens.ScrollOffset, -3.0f, 3.0f);
}

void OpenJukeboxUnderCursor(Game& g, bool with_right) {
  bool shuffle = !with_right && ShiftOrLane12Held(g);
  OpenJukebox(g);
  if (shuffle) {
    StartShufflePlay(g);
  } else {
    SortSongList(g, g.screens.ListSort);
    OpenSongList(g);
  }
}

void Tab(Game& g, Screen mode) {
  if (g.screens.EditingCourse) return;
  if (mode == Screen::SongList || mode == Screen::JukeboxList) {
    EnterCourseList(g);
  } else if (mode == Screen::CourseList) {
    g.screens.CourseModeShown = false;
    g.screens.EditingCourse = false;
    ShowJukeboxList(g);
    StartFrontFade(g, 22);
  }
}

void Enter(Game& g, Screen mode) {
  switch (mode) {
    case Screen::JukeboxList:
      OpenJukeboxUnderCursor(g, false);
      break;
    case Screen::CourseList:
      if (g.app.ListCursor == 0) StartNewCourse(g);
      else StartPlayOnCourse(g);
      break;
    case Screen::SongList:
      if (g.screens.EditingCourse) PutEntryIntoCourseSlot(g);
      else StartPlayOnSong(g);
      break;
    default:
      break;
  }
}

// The keys after which a battle session hears of the selection.
bool TellsThePlayers(int16_t code) {
  switch (code) {
    case kF1: case kF2: case kF3: case kF4: case kF12:
    case kPad1: case kPad2: case kPad3: case kPad4:
    case kTab: case kUp: case kDown: case kPageUp: case kPageDown: case kF5:
      return true;
    default:
      return false;
  }
}

}  // namespace

std::string SortLabel(const Game& g) {
  if (g.app.GameState != Screen::SongList || g.screens.ListSort == SongSort::None) return {};
  return std::string("SORT: ") + SortName(g.screens.ListSort);
}

std::string QuestionLine(const Game& g) {
  switch (g.screens.PendingQuestion) {
    case Question::Quit:
      return TextsOf(g).question_quit;
    case Question::DeleteCourse: {
      std::string name = FileNameOf(g.screens.QuestionFile);
      if (EndsWithNoCase(name, ".kcl")) name.resize(name.size() - 4);
      return TextWith(TextsOf(g).question_delete_course, name);
    }
    default:
      return {};
  }
}

void ProcessKey_SongSelect(Game& g, int16_t& code) {
  if (g.screens.PendingQuestion != Question::None) {
    AnswerQuestion(g, code);
    return;
  }
  if (SongSearchTakesKey(g, code)) return;
  if (code == kEscape) {
    Escape(g);
    return;
  }
  if (code > 255) {
    code = ssKeyCvt_Joy(g, code);
    if (code == 0) return;
  }
  if (g.net.WaitLock) return;
  // The fade into play has begun: the selection is settled.
  if (g.pump.HasTimer(kRunFadeEndTimerId)) return;
  const Screen mode = g.app.GameState;
  switch (code) {
    case kSpace:
      if (mode == Screen::CourseList && g.app.ListCursor >= 1) EditCourseUnderCursor(g);
      break;
    case kF1: case kF2: case kF3: case kF4: case kF12:
      ProcessSongSelectOptionKeys(g, code);
      break;
    case kPad1: Sort(g, SongSort::Level); break;
    case kPad2: Sort(g, SongSort::Genre); break;
    case kPad3: Sort(g, SongSort::Title); break;
    case kPad4: Sort(g, SongSort::Artist); break;
    case kTab: Tab(g, mode); break;
    case kF5:
      if (mode == Screen::SongList || mode == Screen::JukeboxList) MoveToRandomEntry(g);
      break;
    case kF6:
      OpenSongSearch(g);
      break;
    case kLeft:
      if (mode == Screen::SongList) ShowJukeboxList(g);
      break;
    case kDown: MoveListCursorBy(g, 1); break;
    case kUp: MoveListCursorBy(g, -1); break;
    case kPageDown: MoveListCursorBy(g, 5); break;
    case kPageUp: MoveListCursorBy(g, -5); break;
    case kDelete:
      if (mode == Screen::CourseList) AskToDeleteCourse(g);
      break;
    case kRight:
      if (mode == Screen::JukeboxList) OpenJukeboxUnderCursor(g, true);
      break;
    case kEnter:
      Enter(g, mode);
      break;
    default:
      break;
  }
  if (g.net.NetPlay && TellsThePlayers(code)) SendCurSongData(g, false);
}

}  // namespace kvx
