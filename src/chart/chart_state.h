#pragma once
// The chart tables: the one loaded chart (or chained course).
#include <array>
#include <cstdint>
#include <string>
#include <vector>

namespace kvx {

// One chart object (24 bytes). Channel -1 is a bar line, -2 a course song change.
struct ChartObject {
  int32_t Measure = 0;
  int32_t Position = 0;
  int32_t Offset = 0;
  int32_t Channel = 0;
  int32_t Value = 0;
  int32_t State = 0;
};

constexpr int kMaxObjects = 65536;
constexpr int kMaxMeasure = 2048;
constexpr int kMediaIds = 256;
constexpr int kMaxCourseSongs = 128;

struct ChartState {
  ChartState() : Objects(kMaxObjects) {}

  std::vector<ChartObject> Objects;  // always kMaxObjects entries
  int32_t ObjectCount = 0;

  // Header fields.
  std::string Title, Artist, Genre;
  float BPM = 120;
  int32_t Player = 1, PlayLevel = 3, Rank = 2;
  int32_t GaugeTotal = 0, VolWav = 0;
  std::string MidiFile;

  std::string ChartPath, ChartFolder;
  std::array<std::string, kMediaIds> WavFile{}, BmpFile{};
  std::array<uint8_t, kMediaIds> WavLoadState{};  // 0 not loaded, 255 loaded
  std::array<float, kMaxMeasure + 1> MeasureLength{};
  int32_t LastMeasure = 0;
  std::array<int32_t, 2> NoteCount{};
  std::array<bool, 2> SideUsed{};
  bool SevenKeys = false;
  std::array<uint8_t, 100> LaneMap{};

  // Loading and course chaining.
  bool LoadCancel = false;
  bool CourseMode = false;
  bool BackgroundPreview = false;
  int32_t BaseMeasure = 0;
  int32_t CourseSong = 0;
  // Per-song media names of a course, indexed [song + 128 * id].
  std::vector<std::string> CourseWavFile, CourseBmpFile;
  std::vector<bool> CourseWavLoaded, CourseBmpLoaded;
};

}  // namespace kvx
