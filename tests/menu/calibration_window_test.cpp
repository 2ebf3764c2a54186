// The calibration window in a real window under an X server, in each
// language: it opens with its caption, draws its frames, saves a screenshot
// (build/screenshots/calibration_<language>.png) and closes with its close box.
#include <SDL.h>
#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "app/game.h"
#include "app/texts.h"
#include "menu/calibration.h"
#include "menu/menu_window_support.h"
#include "test_support.h"
#include "xserver.h"

namespace kvx {
namespace {

namespace fs = std::filesystem;

// Opens the window in `language`, saves a shot of a frame, closes it; the
// window's caption.
std::string OpenShootAndClose(const Language& language, const fs::path& shot) {
  test::TempFolder dir;
  Game g;
  g.SetProgramFolder(dir.path());
  fs::create_directories(g.paths.data);
  g.log.SetPath(g.paths.In("debug.txt"));
  g.settings.Language = language.code;
  test::WindowEvents input([] { return SDL_GetWindowID(SDL_GL_GetCurrentWindow()); });
  int frames = 0;
  bool closed = false;
  std::string caption;
  g.menu.frame_script = [&](Game& game) {
    SDL_Window* window = SDL_GL_GetCurrentWindow();
    if (!window || closed || ++frames < 5) return;
    if (frames == 5) {
      caption = SDL_GetWindowTitle(window);
      game.menu.screenshot_path = shot.string();
    }
    // Closed once the shot's frame was drawn.
    if (!game.menu.screenshot_path.empty() && frames < 300) return;
    input.Close();
    closed = true;
  };
  OpenCalibrationWindow(g);
  SDL_QuitSubSystem(SDL_INIT_VIDEO);
  EXPECT_TRUE(closed);
  EXPECT_LT(frames, 300);
  const std::string log = dir.Read("_kvxfiles/debug.txt");
  EXPECT_NE(log.find("[Calibration] opened"), std::string::npos) << log;
  EXPECT_NE(log.find("[Calibration] closed"), std::string::npos) << log;
  return caption;
}

TEST(CalibrationWindow, OpensInEachLanguageWithItsCaptionAndCloses) {
  const fs::path shots = test::FreshScreenshots({"calibration_ja.png", "calibration_en.png"});
  for (const Language& l : Languages()) {
    SCOPED_TRACE(l.code);
    const fs::path shot = shots / (std::string("calibration_") + l.code + ".png");
    std::string caption, reason;
    if (!test::RunOnXServer([&] { caption = OpenShootAndClose(l, shot); }, &reason)) GTEST_SKIP() << reason;
    EXPECT_EQ(caption, l.texts->calibration_caption);
    const test::ShotLook look = test::LookAt(shot);
    EXPECT_EQ(look.width, kCalibrationWindowWidth) << look.error;
    EXPECT_GT(look.colours, 20u) << "the texts and buttons were drawn";
  }
}

}  // namespace
}  // namespace kvx
