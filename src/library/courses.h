#pragma once
// Courses: the course list and course files.

namespace kvx {

struct Game;

void UpdateCourseList(Game& game);

}  // namespace kvx
