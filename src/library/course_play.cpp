// Preparing a course play: songs whose chart is gone are left out.
#include <algorithm>

#include "app/game.h"
#include "library/courses.h"
#include "platform/files.h"

namespace kvx {

bool SkipMissingCourseSongs(Game& g) {
  ChartState& c = g.chart;
  auto& songs = c.CourseSongs;
  const size_t count = std::min<size_t>(c.CourseSongCount, songs.size());
  std::vector<SongEntry> kept;
  for (size_t k = 0; k < count; ++k) {
    if (FileExists(songs[k].FilePath)) {
      kept.push_back(songs[k]);
    } else {
      DebugLog(g, "course song " + std::to_string(k + 1) + " skipped, chart not found: " + songs[k].FilePath);
    }
  }
  c.CourseSongCount = static_cast<uint8_t>(kept.size());
  kept.emplace_back();  // the empty entry past the last song, as loaded
  songs = std::move(kept);
  return c.CourseSongCount > 0;
}

}  // namespace kvx
