#pragma once
// After a whole-program play that came back to a list: a script step that
// notes where the program came back to, opens a jukebox by its title, moves
// the cursor down to a chart (at least one move), lets the screen settle and
// keeps the texts and the picture of one whole frame there, then closes the
// window.
#include <SDL.h>

#include <filesystem>
#include <string>
#include <system_error>
#include <vector>

#include "app/whole_program_fixture.h"
#include "media/display.h"
#include "picture.h"
#include "screens/score_record.h"

namespace kvx::test {

// The first text drawn that starts with `start`, inside `within`.
inline const DrawnText* FindText(const std::vector<DrawnText>& texts, const std::string& start, const Rect& within) {
  for (const DrawnText& t : texts)
    if (t.text.rfind(start, 0) == 0 && t.rect.left >= within.left && t.rect.right <= within.right &&
        t.rect.top >= within.top && t.rect.bottom <= within.bottom)
      return &t;
  return nullptr;
}

// Every text drawn that is exactly `text`, inside `within`.
inline std::vector<DrawnText> TextsEqualTo(const std::vector<DrawnText>& texts, const std::string& text,
                                           const Rect& within) {
  std::vector<DrawnText> found;
  for (const DrawnText& t : texts)
    if (t.text == text && t.rect.left >= within.left && t.rect.right <= within.right && t.rect.top >= within.top &&
        t.rect.bottom <= within.bottom)
      found.push_back(t);
  return found;
}

class SongListVisit {
 public:
  SongListVisit(std::string jukebox, std::string chart, int settle_frames)
      : jukebox_(std::move(jukebox)), chart_(std::move(chart)), settle_frames_(settle_frames) {}

  // Call from the script on every frame once the program has left the result.
  void Step(WholeProgram& w, std::vector<PlatformEvent>& events) {
    Game& g = w.g;
    const Screen screen = g.app.GameState;
    switch (stage_) {
      case Stage::Back:
        back_screen = screen;
        back_titles = Titles(g);
        back_record = g.screens.Record;
        if (screen != Screen::JukeboxList) return Finish(g, events);
        stage_ = Stage::FindJukebox;
        [[fallthrough]];
      case Stage::FindJukebox:
        if (screen != Screen::JukeboxList) return;
        if (EntryTitle(g) == jukebox_) {
          Tap(w, events, SDL_SCANCODE_RETURN);
          stage_ = Stage::Opening;
        } else if (++jukebox_moves_ > static_cast<int>(g.library.SongList.size())) {
          Finish(g, events);  // no such jukebox
        } else {
          Tap(w, events, SDL_SCANCODE_DOWN);
        }
        return;
      case Stage::Opening:
        if (screen != Screen::SongList) return;
        stage_ = Stage::Moving;
        [[fallthrough]];
      case Stage::Moving:
        if (moves > 0 && OnChart(g)) {
          stage_ = Stage::Settling;
          g.display.TextTrace = &trace_;
          trace_.clear();
        } else if (moves > static_cast<int>(g.library.SongList.size())) {
          Finish(g, events);  // the chart is not in the jukebox
        } else {
          Tap(w, events, SDL_SCANCODE_DOWN);
          ++moves;
        }
        return;
      case Stage::Settling:
        // The texts collected since the last call are those of one whole frame.
        if (++settled_ < settle_frames_) {
          trace_.clear();
          return;
        }
        texts = trace_;
        picture = ReadPicture(g, g.display.BackSurface);
        reached = true;
        return Finish(g, events);
      case Stage::Done:
        return;
    }
  }

  // Where the program came back to after the play, and what it showed there.
  Screen back_screen = Screen::Play;
  std::vector<std::string> back_titles;
  ScoreRecord back_record;
  // The cursor moves on the song list, and one frame on the chart once settled.
  int moves = 0;
  bool reached = false;
  std::vector<DrawnText> texts;
  Picture picture;

 private:
  enum class Stage { Back, FindJukebox, Opening, Moving, Settling, Done };

  static std::vector<std::string> Titles(const Game& g) {
    std::vector<std::string> titles;
    for (const SongEntry& e : g.library.SongList) titles.push_back(e.Title);
    return titles;
  }

  static const SongEntry* Entry(const Game& g) {
    const int i = g.app.ListCursor;
    return i >= 0 && i < static_cast<int>(g.library.SongList.size()) ? &g.library.SongList[i] : nullptr;
  }

  static std::string EntryTitle(const Game& g) { return Entry(g) ? Entry(g)->Title : std::string(); }

  bool OnChart(const Game& g) const {
    std::error_code error;
    return Entry(g) && std::filesystem::equivalent(Entry(g)->FilePath, chart_, error);
  }

  static void Tap(WholeProgram& w, std::vector<PlatformEvent>& events, int scancode) {
    events.push_back(w.Key(scancode, true, w.Now()));
    events.push_back(w.Key(scancode, false, w.Now()));
  }

  void Finish(Game& g, std::vector<PlatformEvent>& events) {
    g.display.TextTrace = nullptr;
    stage_ = Stage::Done;
    events.push_back(PlatformEvent{});  // closes the window
  }

  std::string jukebox_, chart_;
  int settle_frames_;
  Stage stage_ = Stage::Back;
  int jukebox_moves_ = 0;
  int settled_ = 0;
  std::vector<DrawnText> trace_;
};

}  // namespace kvx::test
