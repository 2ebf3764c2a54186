// The course file reader (".kcl", both formats), fed the bytes of a course
// file: the header alone, as the course list reads it, and the whole course
// with its songs. A first-format file is converted as the program converts it
// (here without writing it back).
#include "fuzz_game.h"
#include "library/courses.h"

using namespace kvx;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::string bytes(fuzz::Bytes(data, size));
  auto game = fuzz::MakeGame();
  Game& g = *game;
  g.SetProgramFolder("/nonexistent-kvx-fuzz");
  g.log.SetPath("");
  if (IsFirstFormatCourse(bytes)) bytes = SecondFormatOf(g, "fuzz.kcl", bytes);
  ReadCourseBytes(g, "fuzz.kcl", bytes, true);
  ReadCourseBytes(g, "fuzz.kcl", bytes, false);
  // The songs the header announces and are really there, and one empty entry after them.
  if (g.chart.CourseSongs.size() != static_cast<size_t>(g.chart.CourseSongCount) + 1 ||
      g.chart.CourseSongCount != g.course.Header.SongCount || !g.chart.CourseSongs.back().FilePath.empty())
    fuzz::Fail();
  return 0;
}
