#pragma once
// The main loop of the game window and the routing of input to the screens.
#include <cstdint>
#include <string>

namespace kvx {

struct Game;
struct PlatformEvent;

// Runs until the game window is closed (Running false).
void ListAnm(Game& game);
// The game window's title for the screen ListAnm shows: the list or the
// course being edited ("Jukeboxes - ...", "Jukebox: songs - ...", "Courses -
// ...", "Course editor: NAME - ..."); the chart's (or course's) own caption on
// any other screen.
std::string ListScreenCaption(const Game& game);
// Delivers the presses and releases the keyboard and joysticks reported since
// the last call, in their order: ButtonDown / ButtonUp for each change.
void PollInputDevices(Game& game);
// A button went down or up; handlers may rewrite the code.
void ButtonDown(Game& game, int16_t& code);
void ButtonUp(Game& game, int16_t& code);
// Window events that are not buttons: typed characters, mouse, dropped files, close.
void HandleWindowEvent(Game& game, const PlatformEvent& event);
// Installs the input routing on the event pump (once per game).
void InstallInputRouting(Game& game);
// The game window's closing steps: ExitApp (which ends the program).
[[noreturn]] void CloseGameWindow(Game& game);

// Interval of the list acceleration repeat after the key has been held h ms.
uint32_t ListAccelInterval(uint32_t held_ms);
// One decay step of the list scroll velocity at the measured frame rate.
float DecayListVelocity(float velocity, double fps, bool no_smooth_scroll);

}  // namespace kvx
