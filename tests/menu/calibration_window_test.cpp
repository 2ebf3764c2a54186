// The calibration window in a real window under an X server, in each
// language: it opens with its caption, draws its frames, saves a screenshot
// (build/screenshots/calibration_<language>.png) and closes with its close box.
#include <SDL.h>
#include <SDL_image.h>
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <memory>
#include <set>
#include <string>

#include "app/game.h"
#include "app/texts.h"
#include "menu/calibration.h"
#include "test_support.h"
#include "xserver.h"

namespace kvx {
namespace {

namespace fs = std::filesystem;

class CalibrationWindow : public ::testing::Test {
 protected:
  void SetUp() override {
    if (const char* d = std::getenv("DISPLAY")) had_display_ = true, old_display_ = d;
    xserver_ = std::make_unique<test::XServer>();
  }
  void TearDown() override {
    SDL_QuitSubSystem(SDL_INIT_VIDEO);  // the window goes before its X server
    xserver_.reset();
    setenv("SDL_VIDEODRIVER", "dummy", 1);
    if (had_display_)
      setenv("DISPLAY", old_display_.c_str(), 1);
    else
      unsetenv("DISPLAY");
  }
  std::unique_ptr<test::XServer> xserver_;
  bool had_display_ = false;
  std::string old_display_;
};

// Distinct colours of a picture, every third pixel.
size_t Colours(SDL_Surface* shot) {
  SDL_Surface* rgba = SDL_ConvertSurfaceFormat(shot, SDL_PIXELFORMAT_RGBA32, 0);
  std::set<uint32_t> colours;
  for (int y = 0; y < rgba->h; y += 3)
    for (int x = 0; x < rgba->w; x += 3) colours.insert(static_cast<uint32_t*>(rgba->pixels)[y * rgba->pitch / 4 + x]);
  SDL_FreeSurface(rgba);
  return colours.size();
}

TEST_F(CalibrationWindow, OpensInEachLanguageWithItsCaptionAndCloses) {
  if (xserver_->display().empty()) GTEST_SKIP() << "No X server: " << xserver_->reason();
  setenv("DISPLAY", xserver_->display().c_str(), 1);
  setenv("SDL_VIDEODRIVER", "x11", 1);
  const fs::path shots = fs::path(KVX_BUILD_DIR) / "screenshots";
  fs::create_directories(shots);
  for (const Language& l : Languages()) {
    SCOPED_TRACE(l.code);
    const fs::path shot = shots / (std::string("calibration_") + l.code + ".png");
    fs::remove(shot);
    test::TempFolder dir;
    Game g;
    g.SetProgramFolder(dir.path());
    fs::create_directories(g.paths.data);
    g.log.SetPath(g.paths.In("debug.txt"));
    g.settings.Language = l.code;
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
      // Closed once the screenshot's frame was drawn.
      if (!game.menu.screenshot_path.empty() && frames < 300) return;
      SDL_Event e{};
      e.type = SDL_WINDOWEVENT;
      e.window.event = SDL_WINDOWEVENT_CLOSE;
      e.window.windowID = SDL_GetWindowID(window);
      SDL_PushEvent(&e);
      closed = true;
    };
    OpenCalibrationWindow(g);
    EXPECT_TRUE(closed);
    EXPECT_LT(frames, 300);
    EXPECT_EQ(caption, l.texts->calibration_caption);
    const std::string log = dir.Read("_kvxfiles/debug.txt");
    EXPECT_NE(log.find("[Calibration] opened"), std::string::npos) << log;
    EXPECT_NE(log.find("[Calibration] closed"), std::string::npos) << log;
    SDL_Surface* picture = IMG_Load(shot.string().c_str());
    ASSERT_NE(picture, nullptr) << IMG_GetError();
    EXPECT_EQ(picture->w, kCalibrationWindowWidth);
    EXPECT_EQ(picture->h, kCalibrationWindowHeight);
    EXPECT_GT(Colours(picture), 20u) << "the texts and buttons were drawn";
    SDL_FreeSurface(picture);
  }
}

}  // namespace
}  // namespace kvx
