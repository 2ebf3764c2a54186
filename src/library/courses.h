#pragma once
// Courses: the course list, course files and the preparation of a course
// play (the course editor is a screen: screens/course_editor.h).
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "library/course_state.h"
#include "library/library_state.h"

namespace kvx {

struct Game;

// ---- Course files ----------------------------------------------------------------

// "_kvxfiles/courselist" and the file of a course name in it.
std::string CourseFolder(Game& game);
std::string CourseFilePath(Game& game, const std::string& name);
// Reads a course file into CourseHeader and, unless headerOnly, the course's
// songs (chart.CourseSongs, one empty entry more than SongCount). A
// first-format file is converted in place first. A missing file changes
// nothing; a file without a course signature, too short for the header or
// announcing more songs than a course holds is set aside as damaged and reads
// as an empty course. False for a missing or damaged file.
bool CourseLoad(Game& game, const std::string& path, bool headerOnly);
// Why the bytes are no course file; empty when they are one.
std::string CourseFileProblem(std::string_view bytes);
// The reading itself, from the bytes of a second-format course file (at
// least the header's bytes when headerOnly).
void ReadCourseBytes(Game& game, const std::string& path, std::string_view bytes, bool headerOnly);
// Whether the bytes are those of a first-format course file, and the
// second-format bytes CourseLoad converts them to (written over the file).
bool IsFirstFormatCourse(std::string_view bytes);
std::string SecondFormatOf(Game& game, const std::string& path, std::string_view old);
// Writes CourseHeader and every entry of chart.CourseSongs in the second
// format over the file (never shortening it). False when it could not be written.
bool SaveCourseFile(Game& game, const std::string& path);
// The bytes of a second-format course file.
std::string EncodeCourseFile(const CourseHeader& header, const std::vector<SongEntry>& songs);

// The course's length: the first count songs' lengths added up. The lengths
// come from files, so a sum beyond what 32 bits hold stops at the limit.
int32_t TotalLengthOf(const std::vector<SongEntry>& songs, size_t count);

// ---- The course list ---------------------------------------------------------------

// Rebuilds CourseList (and SongList with it) from the course folder.
void UpdateCourseList(Game& game);

// ---- Course play ----------------------------------------------------------------------

// Leaves out the loaded course's songs whose chart file is missing (one log
// line each); false when no song is left to play.
bool SkipMissingCourseSongs(Game& game);

}  // namespace kvx
