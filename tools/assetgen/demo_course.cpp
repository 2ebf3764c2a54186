// The demo course: three of the demo charts played as one course.
#include <cstdio>

#include "assets.h"
#include "library/courses.h"
#include "library/song_search.h"
#include "platform/files.h"

namespace assetgen {

bool WriteDemoCourse(const std::string& data, const std::string& program) {
  const std::string path = data + "/courselist/DEMO COURSE.kcl";
  if (kvx::FileExists(path)) return true;  // the player may have changed it
  // Paths relative to the program folder, so the course still plays when the
  // folder is moved.
  const char* charts[] = {"songs/sunrise_parade/sunrise_beginner.bms", "songs/clockwork_tide/tide_normal.bms",
                          "songs/pixel_comet/comet_normal.bme"};
  std::vector<kvx::SongEntry> songs;
  kvx::CourseHeader header;
  header.Stars = 3;
  for (const char* chart : charts) {
    kvx::SongEntry e;
    kvx::ScanBMSHeader(program + "/" + chart, e);
    if (e.Title.empty()) {
      std::fprintf(stderr, "assetgen: demo course chart %s not found\n", chart);
      return false;
    }
    e.FilePath = chart;
    header.TotalLength += e.LengthMs;
    songs.push_back(e);
  }
  header.SongCount = static_cast<uint8_t>(songs.size());
  if (!kvx::WriteFileBytes(path, kvx::EncodeCourseFile(header, songs))) {
    std::fprintf(stderr, "assetgen: can't write %s\n", path.c_str());
    return false;
  }
  std::printf("assetgen: demo course written (%d songs, %.1f s)\n", header.SongCount, header.TotalLength / 1000.0);
  return true;
}

}  // namespace assetgen
