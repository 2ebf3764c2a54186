#pragma once
// The one object that owns a whole game: every process-wide table of the
// program lives here, so several games can run in one process (tests, network
// battles on loopback).
#include <memory>
#include <string>

#include "app/app_state.h"
#include "app/debug_log.h"
#include "app/bga_links.h"
#include "app/input_links.h"
#include "app/settings.h"
#include "chart/chart_state.h"
#include "library/course_state.h"
#include "library/library_state.h"
#include "media/bga.h"
#include "media/display.h"
#include "media/input.h"
#include "media/skin.h"
#include "media/sound.h"
#include "menu/menu_state.h"
#include "net/net_state.h"
#include "platform/clock.h"
#include "platform/event_pump.h"
#include "platform/services.h"
#include "play/judge_state.h"
#include "play/options_state.h"
#include "play/play_state.h"
#include "screens/screens_state.h"

namespace kvx {

struct Paths {
  std::string program;  // the program folder, without a trailing "/"
  std::string data;     // program + "/_kvxfiles", or the player's folder of an installed korvex
  bool installed = false;  // program is the installed read-only share/korvex
  std::string reason;      // why these folders (for the log)
  std::string In(const std::string& relative) const { return data + "/" + relative; }
};

// Thrown by ExitApp and by the missing-data-folder stop; unwinds every nested
// loop back to the program's entry, which returns the code.
struct ProgramExit {
  int code = 0;
};

struct Game {
  Game();
  Game(const Game&) = delete;
  Game& operator=(const Game&) = delete;

  OwnOptions options;
  Paths paths;
  Logger log;
  Settings settings;
  WindowGeometry window;
  AppState app;
  ChartState chart;
  PlayState play;
  JudgeState judge;
  PlayOptionsState playopt;
  SkinLayout skin;
  DisplayState display;
  SoundState sound;
  BgaState bga;
  InputState input;
  LibraryState library;
  CourseState course;
  ScreensState screens;
  NetState net;
  MenuState menu;

  std::unique_ptr<Clock> clock;
  EventPump pump;

  uint32_t NowMs() { return clock->NowMs(); }
  // The log and clock for chart/ and media/ (valid until the clock is replaced).
  kvx::Services Services() { return {log, *clock}; }
  // Replaces the clock (tests use a ScriptedClock).
  void UseClock(std::unique_ptr<Clock> replacement);
  // Sets the program folder and the paths below it.
  void SetProgramFolder(const std::string& folder);
};

}  // namespace kvx
