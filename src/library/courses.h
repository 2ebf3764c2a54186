#pragma once
// Courses: the course list, course files and the course editor.
#include <cstdint>
#include <string>

namespace kvx {

struct Game;

void UpdateCourseList(Game& game);
void CourseLoad(Game& game, const std::string& path, bool headerOnly);
void ProcessKey_EditCourse(Game& game, int16_t code);
void ProcessKey_EnterCourse(Game& game, int16_t character);
void mEditCourse(Game& game);

}  // namespace kvx
