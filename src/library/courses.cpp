#include "library/courses.h"

#include "app/game.h"

namespace kvx {

void UpdateCourseList(Game& g) { DebugLog(g, "UpdateCourseList (stub)"); }

}  // namespace kvx
