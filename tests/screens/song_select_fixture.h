#pragma once
// A started game on song select without a display: the lists are filled
// directly, keys go straight to the screen's key handler, the clock is scripted.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/game.h"
#include "library/library_state.h"
#include "platform/clock.h"
#include "platform/files.h"
#include "screens/song_select.h"
#include "test_support.h"

namespace kvx::test {

inline SongEntry Song(const std::string& title, int32_t level = 3, const std::string& path = "") {
  SongEntry e;
  e.Title = title;
  e.PlayLevel = level;
  e.Player = 1;
  e.FilePath = path;
  return e;
}

class SongSelectFixture : public ::testing::Test {
 protected:
  void SetUp() override {
    clock = UseHeadlessGame(g, dir.path(), 1000);
    g.settings.BMSPreview = false;
    g.app.GameState = Screen::SongList;
  }

  // The song list of an open jukebox.
  void ShowSongs(std::vector<SongEntry> songs, int cursor = 0) {
    g.library.SongList = std::move(songs);
    g.library.SongListLast = static_cast<int32_t>(g.library.SongList.size()) - 1;
    g.library.SongMarks.assign(g.library.SongList.size(), false);
    g.app.GameState = Screen::SongList;
    g.app.ListCursor = cursor;
    chexec(g);
  }

  std::vector<SongEntry> Titles(std::initializer_list<const char*> titles) {
    std::vector<SongEntry> list;
    for (const char* t : titles) list.push_back(Song(t));
    return list;
  }

  int16_t Press(int16_t code) {
    ProcessKey_SongSelect(g, code);
    return code;
  }

  std::string Log() { return ReadTextFile(g.log.Path()).value_or(""); }

  std::vector<std::string> ListTitles() {
    std::vector<std::string> titles;
    for (const auto& e : g.library.SongList) titles.push_back(e.Title);
    return titles;
  }

  TempFolder dir;
  Game g;
  ScriptedClock* clock = nullptr;
};

}  // namespace kvx::test
