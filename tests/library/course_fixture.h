#pragma once
// Course tests: a headless game in a temporary program folder, and course
// file bytes built by hand from the documented layout.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "app/game.h"
#include "library/courses.h"
#include "platform/files.h"
#include "test_support.h"

namespace kvx::test {

inline std::string Le32(int32_t v) {
  std::string s(4, '\0');
  for (int i = 0; i < 4; ++i) s[i] = static_cast<char>((static_cast<uint32_t>(v) >> (8 * i)) & 0xFF);
  return s;
}

inline std::string Text16(const std::string& t) {
  return std::string{static_cast<char>(t.size() & 0xFF), static_cast<char>(t.size() >> 8)} + t;
}

// One record in the list-file layout: texts as 16-bit length + bytes, Bpm as
// a single, every other field a 32-bit integer.
inline std::string RecordBytes(const SongEntry& e) {
  int32_t bpm = 0;
  std::memcpy(&bpm, &e.Bpm, 4);
  return Text16(e.Title) + Text16(e.Artist) + Text16(e.Genre) + Le32(bpm) + Le32(e.Player) + Le32(e.PlayLevel) +
         Text16(e.MidiFile) + Le32(e.Rank) + Le32(e.VolWav) + Le32(e.Total) + Le32(e.LengthMs) +
         Text16(e.StageFile) + Le32(e.WavCount) + Le32(e.BmpCount) + Text16(e.FilePath);
}

inline SongEntry Song(const std::string& title, int32_t length_ms, const std::string& path) {
  SongEntry e;
  e.Title = title;
  e.Artist = title + " artist";
  e.Genre = "genre";
  e.Bpm = 128.5f;
  e.Player = 1;
  e.PlayLevel = 7;
  e.Rank = 2;
  e.Total = 300;
  e.LengthMs = length_ms;
  e.StageFile = "stage.png";
  e.WavCount = 40;
  e.BmpCount = 3;
  e.FilePath = path;
  return e;
}

// The second format: signature, stars, song count, reserved, total length, records.
inline std::string SecondFormat(uint8_t stars, uint8_t count, int32_t reserved, int32_t total,
                                const std::vector<SongEntry>& songs) {
  std::string s = "kvxcourse2" + std::string(14, ' ');
  s += static_cast<char>(stars);
  s += static_cast<char>(count);
  s += Le32(reserved) + Le32(total);
  for (const auto& e : songs) s += RecordBytes(e);
  return s;
}

class CourseTest : public ::testing::Test {
 protected:
  void SetUp() override {
    UseHeadlessGame(g, dir.path());
    MakeFolder(g.paths.data + "/courselist");
  }
  std::string WriteCourse(const std::string& relative, const std::string& bytes) {
    return dir.Write("_kvxfiles/courselist/" + relative, bytes);
  }
  std::string Log() const { return dir.Read("_kvxfiles/debug.txt"); }
  bool Logged(const std::string& text) const { return Log().find(text) != std::string::npos; }

  TempFolder dir;
  Game g;
};

}  // namespace kvx::test
