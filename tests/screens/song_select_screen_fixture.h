#pragma once
// Song select with a display and the generated data folder (skin, fixed
// song-select images, demo songs): on the dummy display, or in a window under
// an X server. The clock is scripted; DrawList is called frame by frame.
#include <SDL.h>
#include <SDL_image.h>
#include <gtest/gtest.h>

#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "app/skin_loading.h"
#include "app/display_game.h"
#include "app/game.h"
#include "app/settings.h"
#include "app/startup.h"
#include "library/song_search.h"
#include "media/display.h"
#include "media/skin.h"
#include "picture.h"
#include "screen_display_setup.h"
#include "platform/clock.h"
#include "platform/files.h"
#include "screens/song_select.h"
#include "test_support.h"

namespace kvx::test {

namespace fs = std::filesystem;

class SongSelectScreen {
 public:
  explicit SongSelectScreen(bool window) {
    const fs::path build(KVX_BUILD_DIR);
    fs::copy(build / "_kvxfiles", fs::path(folder.path()) / "_kvxfiles", fs::copy_options::recursive);
    for (const char* leftover : {"kvx_conf.ini", "kvx_keycnf.dat", "debug.txt"})
      fs::remove(fs::path(folder.path()) / "_kvxfiles" / leftover);
    g.SetProgramFolder(folder.path());
    g.options.headless = !window;
    auto owned = std::make_unique<ScriptedClock>(100000, 16);
    clock = owned.get();
    g.UseClock(std::move(owned));
    StartScreensDisplay(g);
  }
  ~SongSelectScreen() { ReleaseDirectX(g); }

  // A demo chart as the song search lists it.
  SongEntry DemoSong(const std::string& song_folder, const std::string& chart) {
    SongEntry e;
    ScanBMSHeader(std::string(KVX_BUILD_DIR) + "/songs/" + song_folder + "/" + chart, e);
    return e;
  }

  void Show(Screen mode, std::vector<SongEntry> list, int cursor) {
    g.library.SongList = std::move(list);
    g.library.SongListLast = static_cast<int32_t>(g.library.SongList.size()) - 1;
    g.library.SongMarks.assign(g.library.SongList.size(), false);
    g.app.GameState = mode;
    g.app.ListCursor = cursor;
    RestartOpeningAnimation(g);
    chexec(g);
  }

  // Frames until the opening animation and the scroll have settled.
  void Settle(int frames = 60) {
    for (int i = 0; i < frames; ++i) DrawList(g);
  }

  Picture Back() { return ReadPicture(g, g.display.BackSurface); }

  // Saves the last frame as a PNG in build/screenshots.
  void SavePng(const std::string& name) {
    const fs::path dir = fs::path(KVX_BUILD_DIR) / "screenshots";
    fs::create_directories(dir);
    Picture p = Back();
    ASSERT_EQ(p.px.size(), 640u * 480u);
    SDL_Surface* s =
        SDL_CreateRGBSurfaceWithFormatFrom(p.px.data(), p.w, p.h, 32, p.w * 4, SDL_PIXELFORMAT_ARGB8888);
    ASSERT_NE(s, nullptr);
    SDL_Surface* opaque = SDL_ConvertSurfaceFormat(s, SDL_PIXELFORMAT_RGB888, 0);
    EXPECT_EQ(IMG_SavePNG(opaque, (dir / name).c_str()), 0) << SDL_GetError();
    SDL_FreeSurface(opaque);
    SDL_FreeSurface(s);
  }

  TempFolder folder;
  Game g;
  ScriptedClock* clock = nullptr;
};

// Pixels of one colour inside a rectangle of the frame.
inline int CountColour(const Picture& p, const Rect& r, uint32_t rgb) {
  int n = 0;
  for (int y = r.top; y < r.bottom; ++y)
    for (int x = r.left; x < r.right; ++x) n += p.at(x, y) == (rgb & 0xFFFFFF);
  return n;
}

}  // namespace kvx::test
