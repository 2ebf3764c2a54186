#include "library/courses.h"

#include "app/game.h"

namespace kvx {

// Courses and their editor arrive with the song library; until then there are
// no courses and the editor screens return to the song list.
void UpdateCourseList(Game& g) { DebugLog(g, "UpdateCourseList: no courses yet"); }
void CourseLoad(Game& g, const std::string& path, bool headerOnly) {
  DebugLog(g, "CourseLoad: courses are not supported yet: " + path);
  g.chart.LoadCancel = true;
}
void ProcessKey_EditCourse(Game& g, int16_t code) { g.app.GameState = Screen::SongList; }
void ProcessKey_EnterCourse(Game& g, int16_t character) { g.app.GameState = Screen::SongList; }
void mEditCourse(Game& g) { g.app.GameState = Screen::SongList; }

}  // namespace kvx
