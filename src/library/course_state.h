#pragma once
// The loaded course's header and the course editor's state. The course's
// songs themselves are ChartState::CourseSongs (shared with course play).
#include <cstdint>
#include <string>

namespace kvx {

// The header of a course file (offset 24 of the file).
struct CourseHeader {
  uint8_t Stars = 0;        // difficulty shown as stars; display only
  uint8_t SongCount = 0;    // songs in the course
  int32_t Reserved = 0;     // not used; written back as it was loaded
  int32_t TotalLength = 0;  // sum of the songs' LengthMs
};

struct CourseState {
  CourseHeader Header;

  // The editor (EditingCourse itself is ScreensState::EditingCourse).
  std::string CourseName;
  uint8_t EditStars = 0;
  uint8_t EditSongCount = 0;
  int32_t EditCursor = -2;  // -2 name row, -1 stars row, 0.. song slots, EditSongCount the add row
  uint8_t EditSlot = 0;     // the slot the next chosen song goes into
  int32_t RememberedCourse = 0;
  bool NameEntryGuard = false;  // swallows the Enter that opened the name entry
};

}  // namespace kvx
