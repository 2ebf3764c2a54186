#pragma once
// The chart tables: the one loaded chart (or chained course).
#include <array>
#include <cstdint>
#include <optional>
#include <random>
#include <string>
#include <vector>

#include "chart/song_entry.h"

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
static_assert(sizeof(ChartObject) == 24);

// One point where a lane's key sound switches to the next note's sound.
struct KeySoundEntry {
  int32_t Channel = 0;
  int32_t Position = 0;
  int32_t Value = 0;
};

constexpr int kMaxObjects = 65536;
constexpr int kMaxMeasure = 2048;
// Sound and image ids: 00 to FF by the classic rules, 00 to ZZ (base 36)
// under the modern ones; the tables hold the larger range.
constexpr int kMediaIds = 1296;
constexpr int kMaxCourseSongs = 128;
constexpr int kMaxKeySounds = 5001;
constexpr int kCourseTableSize = kMaxCourseSongs * kMediaIds;  // [song + 128 * id]

// Positions are in units of 1/192 measure, 48 to a beat. A beat lasts
// 60000 / bpm ms, so a unit lasts 1250 / bpm ms: play advances bpm / 1250
// units per ms.
constexpr double kMsPerUnitAtOneBpm = 1250.0;

struct ChartState {
  ChartState() : Objects(kMaxObjects), LaneRng(std::random_device{}()), BranchRng(std::random_device{}()) {}

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
  // Chart commands (header, definition and channel lines) the reads since
  // the last clear recognised: a file with none is not a chart.
  int32_t CommandsRead = 0;
  // Shuffle the side-1 key lanes when the next chart is read (the F2 option of
  // song select sets it). The generator is seeded per game; tests reseed it.
  bool RandomLanes = false;
  std::mt19937 LaneRng;

  // What the modern chart rules add (the ModernCharts setting when the chart
  // was read; preparation and play follow the rules it was read with).
  bool ModernRules = false;
  std::string SubTitle, SubArtist, Banner, StageFile;
  int32_t Difficulty = 0;        // #DIFFICULTY 1..5; 0 when not given
  double GaugeTotalExact = 0;    // #TOTAL with its fraction; 0 when not given
  int32_t WavDefinitions = 0, BmpDefinitions = 0;  // #WAV and #BMP lines read
  // Tempos of the channel-08 objects: an object's Value indexes this list.
  std::vector<double> TempoChanges;
  // #RANDOM: with a seed (--seed, network battle) the branches follow from
  // the chart text and the seed; otherwise they are drawn from BranchRng.
  std::optional<uint64_t> RandomSeed;
  std::mt19937_64 BranchRng;
  // One line per #RANDOM of the last read ("#RANDOM 3 -> 2").
  std::vector<std::string> RandomBranches;

  // Preparation results.
  std::vector<KeySoundEntry> KeySoundList;  // at most kMaxKeySounds
  int32_t KeySoundCount = 0;
  // Start of every measure after preparation, in position units (index =
  // measure, LastMeasure + 2 entries).
  std::vector<int32_t> MeasureStart;
  std::array<int32_t, 2> SideSlot{0, 1};
  uint8_t PlaySides = 1;
  int32_t LengthMs = 0;
  int32_t BmsId = 0;
  std::array<float, 2> GaugeIncrement{};
  std::array<double, 2> ScoreUnit{};
  std::array<int32_t, 4> JudgeWindow{3, 6, 18, 24};
  // Modern rules: each object's exact place in its measure (0 <= f < 1) by
  // object index while reading (NaN or missing: Offset / 192), and after
  // preparation its exact position in units, so that no note time depends
  // on the 1/192 grid. Empty under the classic rules.
  std::vector<double> ObjectFraction;
  std::vector<double> ExactPosition;
  // Long notes: per object, the index of the other end of its long note (the
  // start's end, the end's start), -1 for every other object. Empty under
  // the classic rules.
  std::vector<int32_t> LongNotePartner;
  // Why the chart cannot be played ("not a chart ...", "refused: ..."); empty
  // when it can. Set by loading; the play, --check and --chart-info say it.
  std::string Refused;
  float GaugeSampleInterval = 0;
  std::string WindowCaption;

  // Loading and course chaining.
  // Read and prepare without creating or releasing any sound or image (tool
  // modes, tests, benchmarks); the file names are still recorded.
  bool NoMediaLoads = false;
  bool LoadCancel = false;
  bool CourseMode = false;
  std::string CourseName;  // the course being played (its list title)
  bool BackgroundPreview = false;
  int32_t BaseMeasure = 0;
  int32_t CourseSong = 0;
  // The songs of the course being played (filled by CourseLoad).
  std::vector<SongEntry> CourseSongs;
  uint8_t CourseSongCount = 0;
  // Per-song media names of a course, indexed [song + 128 * id]; sized to
  // kCourseTableSize by BMSLoadCourse.
  std::vector<std::string> CourseWavFile, CourseBmpFile;
  std::vector<bool> CourseWavLoaded, CourseBmpLoaded;
};

}  // namespace kvx
