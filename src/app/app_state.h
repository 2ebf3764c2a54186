#pragma once
// State of the application shell: the active screen, the key table, the
// start-up tables and values, and our own options.
#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "app/settings.h"
#include "media/key_table_format.h"
#include "platform/rect.h"

namespace kvx {

// Our own options, taken out of the command line before the rest is parsed.
struct OwnOptions {
  std::string data_folder;  // --data DIR or KORVEX_HOME; empty = executable folder
  bool windowed = true;
  bool fullscreen = false;
  bool headless = false;    // no window and no sound device
  bool no_menu = false;     // start the game at once instead of showing the startup menu
  bool autoplay = false;
  bool calibrate = false;  // --calibrate: the calibration screen before the menu or game
  bool help = false;
  bool version = false;     // --version: print it and exit
  std::vector<std::string> chart_info;  // --chart-info FILE...: print and exit
  std::vector<std::string> check;       // --check FILE...: play each in demo mode, print, exit
  std::optional<uint64_t> seed;         // --seed N: the seed of the chart's random choices
  bool net_host = false;                // --host [PORT]: host a network battle
  uint16_t net_port = 27615;            // its port
  std::string net_join;                 // --join HOST[:PORT]: join the battle there
  std::string net_name;                 // --name NAME: the battle's player name
  std::string net_bind;                 // --bind ADDRESS: the battle's UDP socket binds only there
  int net_players = 0;                  // --players N: the host's command-line chart waits for N players
  std::optional<bool> modern_charts;    // --modern / --classic: the chart rules, over the setting
  bool verbose = false;                 // --verbose: --check lists every missing file
  std::optional<int32_t> audio_latency_ms;  // --audio-latency MS: overrides AudioLatencyMs
  int max_fps = 0;                      // --max-fps N: frames per second at most (0: the display's rate)
  bool input_per_frame = false;         // read input only once per frame (benchmarks' "before")
  bool redraw_always = false;           // static screens never rest (benchmarks' "before")
  std::string rest;                     // what is left: the program's own command line
};

// The 24-byte record of a key event while recording a play.
struct KeyRecord {
  double position = 0;
  int32_t time = 0;
  int32_t code = 0;
  int32_t down = 0;
  int32_t reserved = 0;
};

struct WindowGeometry;

// The active screen. The values are fixed: they are written to the log and
// travel in network messages.
enum class Screen : int32_t {
  SongList = 0,          // charts of the open jukebox
  NetWaitPreview = 1,    // network: waiting after the preview timer fired
  NetWaitChoice = 2,     // network: waiting until every player has chosen the song
  Play = 3,              // chart loading and play
  PlayEnded = 4,         // play ended, result tally
  Result = 5,            // result screen
  JukeboxList = 6,       // the list of list files
  CourseList = 7,        // course list
  CourseSongChoice = 8,  // momentary: the course editor asks for a slot's chart
  CourseNameEntry = 9,   // course name entry
  CourseEditor = 10,     // course editor
  RankingNameEntry = 11, // ranking name entry
  AutoPlaySetup = 12,    // lane auto-play setup
};

constexpr int32_t ScreenNumber(Screen s) { return static_cast<int32_t>(s); }

struct AppState {
  Screen GameState = Screen::JukeboxList;
  KeyTableArray KeyTable{};
  std::array<std::string, 8> RankLetters{};
  std::array<int32_t, 16> LevelTable{};

  // Start-up values.
  int32_t ScreenWidth = 640, ScreenHeight = 480;
  int32_t BgaX = 192, BgaY = 128, BgaWidth = 256, BgaHeight = 256;
  float DegToRad = 0;
  std::vector<KeyRecord> Records;  // 10001 entries after Start
  int32_t RecordCount = 0, RecordReadIndex = 0, RecordWriteIndex = 0;
  int32_t ListCursor = 0;

  // Input routing (main loop): held buttons, lanes held and auto-played lanes
  // (indexed by function number - 11), key repeat and list acceleration.
  std::array<bool, kKeyTableSize> ButtonState{};
  std::array<bool, 19> LanePressed{};
  std::array<uint32_t, 19> LanePresses{};  // presses counted where LanePressed is set by ButtonDown
  std::array<bool, 19> LaneAuto{};
  uint8_t RepeatPhase = 0;  // 0 idle, 1 waiting, 2 repeating
  int16_t RepeatCode = 0;
  uint32_t RepeatTime = 0;
  int16_t ListAccelCode = 0;  // 200 or 208 while a scratch button scrolls the list; 0 otherwise
  uint32_t ListAccelPressTime = 0, ListAccelLastTime = 0;
  float ListScrollVelocity = 0;
  bool ListStopHandled = true;
  bool IgnoreNextButton = false;
  bool StarHeld = false;
  uint32_t StarPressTime = 0;
  Screen SavedGameState = Screen::SongList;  // the screen to return to from the lane auto-play setup
  int32_t MouseTotalX = 0, MouseTotalY = 0;
  int32_t JoyTotalX = 0, JoyTotalY = 0;

  WindowGeometry* window = nullptr;  // points into Game
  std::string command_line;          // the program's own command line
  bool started = false;              // Start has run (input goes to the game)
  bool routing_installed = false;    // the input listener is on the event pump
  bool Running = false;              // ListAnm may continue
  bool PlayStop = false;             // the -S option: end the play loop (a chart start clears it)
  bool ExitAfterPlay = false;        // the -S option: end the program after the command line's chart
  bool play_first_entry = false;     // a chart came from the command line
  bool DemoForced = false;           // --autoplay switched DEMOMode on for this run
  bool DEMOModeSaved = false;        // DEMOMode before that
};

}  // namespace kvx
