#include "app/main_loop.h"


#include <algorithm>
#include <cmath>
#include <cstdio>
#include <iterator>

#include "app/game.h"
#include "app/startup.h"
#include "chart/bms.h"
#include "library/courses.h"
#include "library/jukebox.h"
#include "media/display.h"
#include "media/input.h"
#include "media/sound.h"
#include "net/net_setup.h"
#include "play/options.h"
#include "play/play_loop.h"
#include "screens/ranking_screen.h"
#include "screens/result_screen.h"
#include "screens/song_select.h"

namespace kvx {

namespace {

constexpr int kJoystickCodeBase = 256;
constexpr int kJoystickCodes = 40;

bool IsListState(Screen s) {
  return s == Screen::SongList || s == Screen::JukeboxList || s == Screen::CourseList ||
         s == Screen::CourseSongChoice || s == Screen::CourseEditor;
}

int16_t FunctionOf(const Game& g, int code) {
  return code >= 0 && code < kKeyTableSize ? g.app.KeyTable[code] : 0;
}

// Edge detection of one button: press or release when the held flag differs.
void UpdateButton(Game& g, int code, bool down, bool with_repeat) {
  AppState& a = g.app;
  int16_t c = static_cast<int16_t>(code);
  if (down && !a.ButtonState[code]) {
    a.ButtonState[code] = true;
    ButtonDown(g, c);
    if (with_repeat && IsListState(a.GameState) && (code == 200 || code == 201 || code == 208 || code == 209)) {
      a.RepeatPhase = 1;
      a.RepeatCode = static_cast<int16_t>(code);
      a.RepeatTime = g.NowMs();
    }
  } else if (!down && a.ButtonState[code]) {
    ButtonUp(g, c);
    a.ButtonState[code] = false;
    if (with_repeat) {
      a.RepeatPhase = 0;
      a.RepeatCode = 0;
    }
  }
}

void RunKeyRepeat(Game& g) {
  AppState& a = g.app;
  uint32_t now = g.NowMs();
  if (a.RepeatPhase == 1 && now - a.RepeatTime > 300) {
    a.RepeatPhase = 2;
    a.RepeatTime = now;
  } else if (a.RepeatPhase == 2 && now - a.RepeatTime > 50) {
    a.RepeatTime = now;
    int16_t code = a.RepeatCode;
    ButtonDown(g, code);
  }
}

void RunListAcceleration(Game& g) {
  AppState& a = g.app;
  if (a.ListAccelCode == 0) return;
  uint32_t now = g.NowMs();
  uint32_t held = now - a.ListAccelPressTime;
  if (held <= 200) return;
  if (now - a.ListAccelLastTime > ListAccelInterval(held)) {
    a.ListAccelLastTime = now;
    int16_t code = a.ListAccelCode;
    ProcessKey_SongSelect(g, code);
  }
}

// The lane auto-play setup screen (mode 12).
void DrawAutoPlaySetup(Game& g) {
  char value[32];
  FillSurface(g.display, g.display.BackSurface, nullptr, 0);
  DrawFontText(g, 80, 20, "Hi-Speed:", 0);
  DrawFontText(g, 80, 30, "PlaySpeed:", 0);
  DrawFontText(g, 80, 40, "BGA:", 0);
  DrawFontText(g, 80, 50, "DEMO:", 0);
  std::snprintf(value, sizeof value, "x%.2f", g.settings.HiSpeed);
  DrawFontText(g, 180, 20, value, 0);
  std::snprintf(value, sizeof value, "x%.2f", g.settings.RealHiSpeed);
  DrawFontText(g, 180, 30, value, 0);
  DrawFontText(g, 180, 40, g.settings.ShowBGA ? "ON" : "OFF", 0);
  DrawFontText(g, 180, 50, g.settings.DEMOMode ? "ON" : "OFF", 0);
  if (g.NowMs() % 500 > 100) DrawFontText(g, 400, 80, "AUTOPLAY:", 0);
  KeepAnimating(g);
  for (int f = 11; f <= 29; ++f) {
    if (f == 17 || f == 20 || f == 27) continue;
    std::string row = "[" + std::to_string(f) + "] : " + (g.app.LaneAuto[f - 11] ? "True" : "False");
    DrawFontText(g, 420, 10 * f, row, 0);
  }
  PresentFrame(g, false);
}

void StepListScroll(Game& g) {
  AppState& a = g.app;
  if (a.ListScrollVelocity == 0) return;
  KeepAnimating(g);
  a.ListScrollVelocity = DecayListVelocity(a.ListScrollVelocity, g.display.FpsCounter.fps, g.settings.NOSMOOTHSCROLL);
  if (std::fabs(a.ListScrollVelocity) < 0.01f) {
    if (!a.ListStopHandled) {
      a.ListStopHandled = true;
      ListStopped(g);
    }
    a.ListScrollVelocity = 0;
  } else {
    a.ListStopHandled = false;
  }
}

// One pass of the song list (jukeboxes, charts, courses): scroll, draw, present.
void DrawSongListPass(Game& g) {
  StepListScroll(g);
  DrawList(g);
}

// The key handlers of the screens, as ButtonDown calls them: the code after the
// system-function mapping, and whether the button is mapped to a system function.
void SongSelectKeys(Game& g, int16_t& code, bool) { ProcessKey_SongSelect(g, code); }
void PlayKeys(Game& g, int16_t& code, bool) { ProcessKey_Play(g, code); }
void EditCourseKeys(Game& g, int16_t& code, bool) { ProcessKey_EditCourse(g, code); }

// The result screen waits for a lane button; Escape counts as lane 11.
void ResultKeys(Game& g, int16_t& code, bool) {
  const int16_t lane = code == 1 ? 11 : FunctionOf(g, code);
  if (lane >= 11 && lane <= 29) ++g.app.LanePresses[lane - 11];  // a press shorter than a frame still counts
  ProcessKey_Result(g, code);
}

// Enter or Escape ends the ranking name entry, unless the button is mapped to a
// system function (typed characters arrive as window events).
void NameEntryKeys(Game& g, int16_t& code, bool system_key) {
  if ((code == 28 || code == 1) && !system_key) ProcessKey_EnterName(g, 13);
}

// Escape returns to the screen the setup was opened from; a lane button
// toggles the lane's automatic play (the pedals act on the scratch lanes).
void AutoPlaySetupKeys(Game& g, int16_t& code, bool) {
  AppState& a = g.app;
  if (code == 1) {
    a.GameState = a.SavedGameState;
    return;
  }
  int16_t lane = FunctionOf(g, code);
  if (lane == 17) lane = 16;
  if (lane == 27) lane = 26;
  if (lane >= 11 && lane <= 29) {
    a.LaneAuto[lane - 11] = !a.LaneAuto[lane - 11];
    PlaySE(g.sound, kSePtsCount, false);
  }
}

using ScreenKeyHandler = void (*)(Game&, int16_t& code, bool system_key);
using ScreenDrawer = void (*)(Game&);

struct ScreenHandlers {
  Screen screen;
  ScreenKeyHandler keys;  // called by ButtonDown; null: the screen takes no buttons
  ScreenDrawer draw;      // called by each pass of ListAnm; null: the screen runs its own loop
};

// Every screen, in the order of its number.
constexpr ScreenHandlers kScreens[] = {
    {Screen::SongList, SongSelectKeys, DrawSongListPass},
    {Screen::NetWaitPreview, nullptr, DrawSongListPass},
    {Screen::NetWaitChoice, nullptr, DrawSongListPass},
    {Screen::Play, PlayKeys, nullptr},             // own loop: loading (ReadyBMS) and play (StartPlay)
    {Screen::PlayEnded, nullptr, nullptr},         // own loop: StartPlay, on its way to the result screen
    {Screen::Result, ResultKeys, nullptr},         // own loop: RunResultScreen
    {Screen::JukeboxList, SongSelectKeys, DrawSongListPass},
    {Screen::CourseList, SongSelectKeys, DrawSongListPass},
    {Screen::CourseSongChoice, SongSelectKeys, DrawSongListPass},
    {Screen::CourseNameEntry, nullptr, mEditCourse},  // typed characters: HandleWindowEvent
    {Screen::CourseEditor, EditCourseKeys, mEditCourse},
    {Screen::RankingNameEntry, NameEntryKeys, nullptr},  // own loop inside the result screen
    {Screen::AutoPlaySetup, AutoPlaySetupKeys, DrawAutoPlaySetup},
};

constexpr bool ScreensInNumberOrder() {
  for (size_t i = 0; i < std::size(kScreens); ++i)
    if (ScreenNumber(kScreens[i].screen) != static_cast<int32_t>(i)) return false;
  return true;
}
static_assert(ScreensInNumberOrder(), "kScreens lists every screen at the index of its number");

const ScreenHandlers& HandlersOf(Screen s) {
  static constexpr ScreenHandlers kNone{Screen::SongList, nullptr, nullptr};
  const int32_t n = ScreenNumber(s);
  return n >= 0 && n < static_cast<int32_t>(std::size(kScreens)) ? kScreens[n] : kNone;
}

}  // namespace

uint32_t ListAccelInterval(uint32_t held_ms) {
  if (held_ms == 0) return 150000;
  return std::max<uint32_t>(150000 / held_ms, 50);
}

float DecayListVelocity(float v, double fps, bool no_smooth_scroll) {
  if (v == 0) return 0;
  if (no_smooth_scroll) return 0.001f;
  long d = std::lround((fps - 60) * 0.3 + 80);
  d = std::min<long>(d, 95);
  return static_cast<float>(d) * v / 100;
}

std::string ListScreenCaption(const Game& g) {
  const std::string program = std::string(" - ") + kCaptionProgramName;
  switch (g.app.GameState) {
    case Screen::JukeboxList: return "Jukeboxes" + program;
    case Screen::SongList: {
      std::string name = g.screens.JukeboxName;
      if (const size_t dot = name.rfind('.'); dot != std::string::npos) name.resize(dot);
      return (name.empty() ? std::string("Charts") : "Jukebox: " + name) + program;
    }
    case Screen::CourseList: return "Courses" + program;
    case Screen::CourseEditor:
    case Screen::CourseNameEntry:
    case Screen::CourseSongChoice: return "Course editor: " + g.course.CourseName + program;
    default: return g.chart.WindowCaption;
  }
}

void ListAnm(Game& g) {
  AppState& a = g.app;
  a.Running = true;
  a.ButtonState.fill(false);
  a.LanePressed.fill(false);
  a.GameState = Screen::JukeboxList;
  OpenSongSelect(g);
  PlaySE(g.sound, kSeSelect, true);
  PlaySE(g.sound, kSeSelStart, false);
  g.screens.RankingName = g.settings.MyName;
  while (a.Running) {
    // A chart from the command line plays at once; a battle's host chooses it
    // once the players asked for (--players) are in.
    if (a.play_first_entry && BattlePlayersArrived(g)) {
      a.play_first_entry = false;
      PlayListEntry(g, 0);
      if (a.ExitAfterPlay) CloseGameWindow(g);
    }
    RunKeyRepeat(g);
    RunListAcceleration(g);
    // A held list key moves the list without new events.
    const bool held = a.RepeatPhase != 0 || a.ListAccelCode != 0;
    if (!held && RestFrame(g)) continue;
    // A screen with its own loop is seen here only when that loop returned
    // without leaving it (a cancelled load): the song list shows meanwhile.
    SetWindowCaption(g, ListScreenCaption(g));
    const ScreenDrawer draw = HandlersOf(a.GameState).draw;
    (draw ? draw : DrawSongListPass)(g);
  }
}

void PollInputDevices(Game& g) {
  // Every press and release in the order the devices reported them, so a
  // press shorter than a frame, or two presses within one, reach the screens.
  for (const ButtonEdge& e : TakeButtonEdges(g)) {
    const int code = e.code;
    const bool joystick = code >= kJoystickCodeBase;
    const bool stick = joystick && (code - kJoystickCodeBase) % kJoystickCodes < 4;
    if (stick && e.down && !g.settings.JoyXYEnable) continue;
    if (e.down) {
      // The handlers read the time of the press they are given.
      g.input.press_time[code] = e.time_ms;
      g.input.press_known[code] = true;
    }
    UpdateButton(g, code, e.down, !joystick);
  }
  if (!g.settings.JoyXYEnable) return;
  for (int j = 0; j < JoystickCount(g) && j < 2; ++j) {
    JoystickSnapshot joy = ReadJoystick(g, j);
    g.app.JoyTotalX += joy.x;
    g.app.JoyTotalY += joy.y;
  }
}

void ButtonDown(Game& g, int16_t& code) {
  AppState& a = g.app;
  if (a.IgnoreNextButton) {
    a.IgnoreNextButton = false;
    return;
  }
  if (code == 1 && (a.ButtonState[42] || a.ButtonState[54])) CloseGameWindow(g);
  int16_t f = FunctionOf(g, code);
  static const int16_t kSystemCodes[] = {0, 1, 15, 28, 200, 208, 203, 208};
  bool system_key = f >= 1 && f <= 8;
  if (f >= 1 && f <= 7) code = kSystemCodes[f];
  if (f == 8) {
    a.StarHeld = true;
    a.StarPressTime = g.NowMs();
  }
  if (const ScreenKeyHandler keys = HandlersOf(a.GameState).keys) keys(g, code, system_key);
  // Keys typed into a course or ranking name are letters, not option keys.
  if (a.GameState != Screen::CourseNameEntry && a.GameState != Screen::RankingNameEntry && !g.screens.Searching)
    ProcessOptionKeys(g, code);
}

void ButtonUp(Game& g, int16_t& code) {
  AppState& a = g.app;
  int16_t f = FunctionOf(g, code);
  if (f == 8) {
    a.StarHeld = false;
    return;
  }
  if (code == 1 || f == 1) {
    g.play.EscHeld = false;
    return;
  }
  if (f < 11 || f > 29) return;
  a.LanePressed[f - 11] = false;
  if (f == 16 || f == 17 || f == 26 || f == 27) {
    int partner = (f == 16 || f == 26) ? f + 1 : f - 1;
    if (!a.LanePressed[partner - 11]) a.ListAccelCode = 0;
  }
  g.play.KeyFlash[f - 11] = false;
}

void HandleWindowEvent(Game& g, const PlatformEvent& e) {
  using Kind = PlatformEvent::Kind;
  AppState& a = g.app;
  switch (e.kind) {
    case Kind::TextInput:
      for (unsigned char ch : e.text) {
        if (a.GameState == Screen::CourseNameEntry) ProcessKey_EnterCourse(g, ch);
        else if (a.GameState == Screen::RankingNameEntry) ProcessKey_EnterName(g, ch);
      }
      TypeIntoSongSearch(g, e.text);
      break;
    case Kind::MouseDown: {
      int16_t code = e.code == 1 ? 28 : e.code == 3 ? 203 : 0;
      if (code) ButtonDown(g, code);
      break;
    }
    case Kind::MouseMove:
      a.MouseTotalX += e.x;
      a.MouseTotalY += e.y;
      if ((a.GameState == Screen::SongList || a.GameState == Screen::JukeboxList || a.GameState == Screen::CourseList) && std::abs(a.MouseTotalY) > 16) {
        int steps = a.MouseTotalY / 16;
        MoveListCursorBy(g, -steps);
        a.ListScrollVelocity += static_cast<float>(steps);
        a.MouseTotalY = 0;
      }
      break;
    case Kind::DropFile:
      DropFile(g, e.text);
      break;
    case Kind::Quit:
      if (a.started) CloseGameWindow(g);
      break;
    default:
      break;
  }
}

void InstallInputRouting(Game& g) {
  if (g.app.routing_installed) return;
  g.app.routing_installed = true;
  TakeButtonEdges(g);  // presses made before the game started are not the game's
  g.pump.AddListener([&g](const PlatformEvent& e) {
    using Kind = PlatformEvent::Kind;
    switch (e.kind) {
      case Kind::KeyDown: case Kind::KeyUp: case Kind::JoyButtonDown: case Kind::JoyButtonUp:
      case Kind::JoyAxis: case Kind::JoyAdded: case Kind::JoyRemoved:
        // The characters a key types (Enter, Backspace, Escape too) follow it
        // from the event source as TextInput.
        if (g.app.started) PollInputDevices(g);
        break;
      default:
        HandleWindowEvent(g, e);
    }
  });
}

void CloseGameWindow(Game& g) {
  g.app.Running = false;
  ExitApp(g);
}

}  // namespace kvx
