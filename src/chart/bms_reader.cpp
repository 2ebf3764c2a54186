// The BMS reader: one pass over the command lines of a chart file into the
// chart tables. Positions stay measure * 192 + offset; BMSPrepare makes the
// timeline.
#include <algorithm>
#include <random>
#include <string>
#include <string_view>

#include "app/game.h"
#include "chart/bms.h"
#include "chart/chart_text.h"
#include "media/bga.h"
#include "media/sound.h"
#include "platform/files.h"
#include "platform/text.h"

namespace kvx {

namespace {

bool IsObjectChannel(int ch, bool noBga) {
  switch (ch) {
    case 1: case 3: case 6: return true;
    case 4: case 7: return !noBga;
    default: break;
  }
  return (ch >= 11 && ch <= 19) || (ch >= 21 && ch <= 29) || (ch >= 31 && ch <= 39) ||
         (ch >= 41 && ch <= 49);
}

// Appends one object; false when the table is full.
bool AppendObject(ChartState& c, int32_t measure, int32_t position, int32_t offset, int32_t channel,
                  int32_t value) {
  if (c.ObjectCount >= kMaxObjects) return false;
  ChartObject& o = c.Objects[c.ObjectCount++];
  o = ChartObject{measure, position, offset, channel, value, 0};
  return true;
}

int CourseIndex(int song, int id) { return std::clamp(song, 0, kMaxCourseSongs - 1) + kMaxCourseSongs * id; }

void EnsureCourseTables(ChartState& c) {
  if (c.CourseWavFile.size() != static_cast<size_t>(kCourseTableSize)) c.CourseWavFile.assign(kCourseTableSize, {});
  if (c.CourseBmpFile.size() != static_cast<size_t>(kCourseTableSize)) c.CourseBmpFile.assign(kCourseTableSize, {});
  if (c.CourseWavLoaded.size() != static_cast<size_t>(kCourseTableSize)) c.CourseWavLoaded.assign(kCourseTableSize, false);
  if (c.CourseBmpLoaded.size() != static_cast<size_t>(kCourseTableSize)) c.CourseBmpLoaded.assign(kCourseTableSize, false);
}

struct ReadContext {
  Game& g;
  bool tableFullLogged = false;
};

void ReadChannelLine(ReadContext& rc, std::string_view line) {
  Game& g = rc.g;
  ChartState& c = g.chart;
  const int32_t measure = LeadingDecimal(line.substr(0, 3)) + c.BaseMeasure;
  const int32_t channel = line.size() > 3 ? LeadingDecimal(line.substr(3, 2)) : 0;
  std::string_view data = line.size() > 6 ? line.substr(6) : std::string_view{};

  if (measure > c.LastMeasure) c.LastMeasure = measure;
  if (measure == 1000) {
    DebugLog(g, "meas=1000?(´д｀;)");
    DebugLog(g, "Curline:" + std::string(line));
  }
  if (channel == 2) {
    if (measure >= 0 && measure <= kMaxMeasure) {
      if (auto v = ParseSingle(data)) c.MeasureLength[measure] = *v;
    }
    return;
  }
  if (channel < 0 || channel > 99 || !IsObjectChannel(channel, g.settings.NoBGA)) return;

  // Data are read in character pairs; a character outside ASCII is never a
  // hexadecimal digit, so it is replaced by '?' to keep the pair count by
  // characters.
  std::string ascii;
  if (std::any_of(data.begin(), data.end(), [](char ch) { return static_cast<unsigned char>(ch) >= 0x80; })) {
    ascii.reserve(data.size());
    for (size_t i = 0; i < data.size(); ++i) {
      unsigned char ch = static_cast<unsigned char>(data[i]);
      if (ch < 0x80) ascii += static_cast<char>(ch);
      else if ((ch & 0xC0) != 0x80) ascii += '?';
    }
    data = ascii;
  }
  const size_t n = data.size() / 2;
  if (n == 0) return;
  const float step = 192.0f / static_cast<float>(n);
  const int mapped = c.LaneMap[channel];
  for (size_t i = 0; i < n; ++i) {
    const char a = data[2 * i], b = data[2 * i + 1];
    if (a == '0' && b == '0') continue;
    const int32_t offset = static_cast<int32_t>(RoundHalfEven(step * static_cast<float>(i)));
    const int32_t value = LeadingHex(data.substr(2 * i, 2));
    if (!AppendObject(c, measure, measure * 192 + offset, offset, mapped, value)) {
      if (!rc.tableFullLogged) {
        DebugLog(g, "object table full: further objects are dropped");
        rc.tableFullLogged = true;
      }
      return;
    }
    // Notes are counted only when their object was kept, so the gauge and
    // score per note match the notes that can be played.
    if (channel >= 11) {
      if (channel >= 20) {
        c.SideUsed[1] = true;
        ++c.NoteCount[1];
      } else {
        if (channel == 18 || channel == 19) c.SevenKeys = true;
        c.SideUsed[0] = true;
        ++c.NoteCount[0];
      }
    }
  }
}

// Returns false when LoadCancel stops the reading.
bool ReadHeaderLine(ReadContext& rc, std::string_view line) {
  Game& g = rc.g;
  ChartState& c = g.chart;
  const Settings& s = g.settings;
  const std::string key3 = KeywordUpper(line, 3);

  if (key3 == "WAV") {
    if (!s.NoWAV) {
      const int id = LeadingHex(line.substr(std::min<size_t>(3, line.size()), 2));
      const std::string file = c.ChartFolder + ArgumentFrom(line, 7);
      if (c.CourseMode) {
        EnsureCourseTables(c);
        const int index = CourseIndex(c.CourseSong, id);
        c.CourseWavFile[index] = file;
        c.CourseWavLoaded[index] = false;
        if (s.CourseLoadMode == 2 && !c.NoMediaLoads) LoadCourseWav(g, std::clamp(c.CourseSong, 0, kMaxCourseSongs - 1), id);
      } else {
        c.WavFile[id] = file;
        c.WavLoadState[id] = 0;
        if (s.WAVLoadmode == 0 && !c.NoMediaLoads) loadwav(g, id);
      }
    }
    return !c.LoadCancel;
  }
  if (key3 == "BMP") {
    if (!s.NoBGA) {
      const int id = LeadingHex(line.substr(std::min<size_t>(3, line.size()), 2));
      const std::string file = c.ChartFolder + ArgumentFrom(line, 7);
      if (c.CourseMode) {
        EnsureCourseTables(c);
        const int index = CourseIndex(c.CourseSong, id);
        c.CourseBmpFile[index] = file;
        c.CourseBmpLoaded[index] = false;
        if (s.CourseLoadMode == 2 && !c.NoMediaLoads) coursebmsdbga(g, std::clamp(c.CourseSong, 0, kMaxCourseSongs - 1), id);
      } else {
        c.BmpFile[id] = file;
        // Pictures other than bitmaps are always converted while reading.
        const bool bitmap = file.size() >= 3 && KeywordUpper(std::string_view(file).substr(file.size() - 3), 3) == "BMP";
        if ((!bitmap || s.BMPLoadmode == 0) && !c.NoMediaLoads) LoadBmp(g, id);
      }
    }
    return !c.LoadCancel;
  }
  if (key3 == "TIT") {
    c.Title = ArgumentFrom(line, 7);
  } else if (key3 == "ART") {
    c.Artist = ArgumentFrom(line, 8);
  } else if (key3 == "GEN") {
    c.Genre = ArgumentFrom(line, 7);
  } else if (key3 == "BPM") {
    if (auto v = ParseSingle(ArgumentFrom(line, 5))) c.BPM = *v;
  } else if (key3 == "RAN") {
    if (KeywordUpper(line, 4) == "RANK") {
      if (auto v = ParseInt32(ArgumentFrom(line, 6))) c.Rank = *v;
    }
  } else if (key3 == "TOT") {
    if (auto v = ParseInt32(ArgumentFrom(line, 7))) c.GaugeTotal = *v;
  } else if (key3 == "VOL") {
    if (auto v = ParseInt32(ArgumentFrom(line, 8))) c.VolWav = *v;
  } else if (key3 == "MID") {
    c.MidiFile = ArgumentFrom(line, 10);
  } else {
    const std::string key6 = KeywordUpper(line, 6);
    if (key6 == "PLAYER") {
      if (auto v = ParseInt32(ArgumentFrom(line, 8))) c.Player = *v;
    } else if (key6 == "PLAYLE") {
      if (auto v = ParseInt32(ArgumentFrom(line, 11))) c.PlayLevel = *v;
    }
  }
  // "#STAGEFILE", "#RANDOM", "#IF", "#ENDIF" and the rest have no effect here.
  return true;
}

void ShuffleLanes(ChartState& c) {
  std::uniform_real_distribution<double> unit(0.0, 1.0);
  for (int lane : {11, 12, 13, 14, 15, 18, 19}) {
    int r;
    do {
      r = 11 + static_cast<int>(unit(c.LaneRng) * 9);
    } while (r == 16 || r == 17 || r > 19);
    std::swap(c.LaneMap[lane], c.LaneMap[r]);
  }
}

}  // namespace

void BMSRead(Game& g, const std::string& path) {
  ChartState& c = g.chart;
  c.ChartFolder = FolderOf(path);
  c.SevenKeys = false;
  DebugLog(g, "[BMSRead] " + FileNameOf(path), 1);
  if (!c.NoMediaLoads) PrefetchChartSounds(g, path);

  std::string text;
  if (auto size = FileSize(path); size && *size > kMaxChartFileBytes) {
    DebugLog(g, "file too large: " + std::to_string(*size) + " bytes");
  } else if (auto bytes = ReadTextFile(path)) {
    text = DecodeText(*bytes);
  }
  // Lone CR (old Mac) and lone LF (Unix) line ends are read like CR LF.
  if (NormalizeLineEnds(text)) DebugLog(g, "Return-code converted");

  c.ChartPath = path;
  c.SideUsed = {false, false};
  for (int ch = 0; ch < 100; ++ch) c.LaneMap[ch] = static_cast<uint8_t>(ch);
  if (c.RandomLanes) {
    DebugLog(g, "<RANDOM> Randomize keymap");
    ShuffleLanes(c);
  }
  c.Rank = 2;
  c.PlayLevel = 3;
  c.Player = 1;
  c.BPM = 120;

  ReadContext rc{g};
  // A command starts after a line end followed by "#"; the file's first line is
  // therefore never a command unless the file starts with an empty line.
  size_t pos = text.find("\r\n#");
  if (pos != std::string::npos)
    DebugLog(g, "Found First at " + std::to_string(Utf8Length(std::string_view(text).substr(0, pos + 3)) + 1));
  while (pos != std::string::npos) {
    const size_t start = pos + 3;
    const size_t end = text.find("\r\n", start);
    std::string_view line = std::string_view(text).substr(start, end == std::string::npos ? std::string::npos : end - start);
    if (!line.empty() && line.front() >= '0' && line.front() <= '9') {
      ReadChannelLine(rc, line);
    } else if (!ReadHeaderLine(rc, line)) {
      DebugLog(g, "load cancelled", -1);
      return;
    }
    if (end == std::string::npos) break;
    pos = text.find("\r\n#", end);
  }

  DebugLog(g, "all lines compiled");
  DebugLog(g, "last measure: " + std::to_string(c.LastMeasure));
  if (c.CourseMode && !c.BackgroundPreview) {
    DebugLog(g, "<COURSE> Add SONGCHANGE note");
    const int32_t base = c.BaseMeasure;
    const int32_t bpm = RoundToInt32(c.BPM).value_or(0);
    AppendObject(c, base, base * 192, 0, 3, bpm);
    AppendObject(c, base - 1, (base - 1) * 192, 0, -2, c.CourseSong);
    if (base - 1 >= 0 && base - 1 <= kMaxMeasure) c.MeasureLength[base - 1] = 0.1f;
  }
  if (c.ObjectCount > 0) {
    DebugLog(g, "Read complete", -1);
  } else {
    DebugLog(g, "no objects", -1);  // closes the block all the same
  }
}

void coursebmsdbga(Game& g, int song, int id) {
  ChartState& c = g.chart;
  if (song < 0 || song >= kMaxCourseSongs || id < 0 || id >= kMediaIds) return;
  EnsureCourseTables(c);
  DebugLog(g, "coursebmsdbga(" + std::to_string(song) + "," + std::to_string(id) + "): " +
                  c.CourseBmpFile[CourseIndex(song, id)]);
  LoadCourseBmp(g, song, id);
}

}  // namespace kvx
