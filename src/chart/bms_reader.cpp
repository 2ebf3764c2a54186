// The BMS reader: one pass over the command lines of a chart file into the
// chart tables. Positions stay measure * 192 + offset; BMSPrepare makes the
// timeline.
#include <algorithm>
#include <random>
#include <string>
#include <string_view>

#include "app/game.h"
#include "chart/bms.h"
#include "chart/bms_commands.h"
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
bool ReadHeaderLine(ReadContext& rc, std::string_view line, const CommandMatch& m) {
  Game& g = rc.g;
  ChartState& c = g.chart;
  const Settings& s = g.settings;
  switch (m.kind) {
    case Command::Wav:
      if (!s.NoWAV) {
        const int id = LeadingHex(m.id);
        const std::string file = c.ChartFolder + CommandArgument(line, m);
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
    case Command::Bmp:
      if (!s.NoBGA) {
        const int id = LeadingHex(m.id);
        const std::string file = c.ChartFolder + CommandArgument(line, m);
        if (c.CourseMode) {
          EnsureCourseTables(c);
          const int index = CourseIndex(c.CourseSong, id);
          c.CourseBmpFile[index] = file;
          c.CourseBmpLoaded[index] = false;
          if (s.CourseLoadMode == 2 && !c.NoMediaLoads) coursebmsdbga(g, std::clamp(c.CourseSong, 0, kMaxCourseSongs - 1), id);
        } else {
          c.BmpFile[id] = file;
          // Pictures other than bitmaps are always converted while reading.
          const bool bitmap = EndsWithNoCase(file, "BMP");
          if ((!bitmap || s.BMPLoadmode == 0) && !c.NoMediaLoads) LoadBmp(g, id);
        }
      }
      return !c.LoadCancel;
    case Command::Title:
      c.Title = CommandArgument(line, m);
      break;
    case Command::Artist:
      c.Artist = CommandArgument(line, m);
      break;
    case Command::Genre:
      c.Genre = CommandArgument(line, m);
      break;
    case Command::Bpm:
      if (auto v = ParseSingle(CommandArgument(line, m))) c.BPM = *v;
      break;
    case Command::Rank:
      if (auto v = ParseInt32(CommandArgument(line, m))) c.Rank = *v;
      break;
    case Command::Total:
      if (auto v = ParseInt32(CommandArgument(line, m))) c.GaugeTotal = *v;
      break;
    case Command::VolWav:
      if (auto v = ParseInt32(CommandArgument(line, m))) c.VolWav = *v;
      break;
    case Command::MidiFile:
      c.MidiFile = CommandArgument(line, m);
      break;
    case Command::Player:
      if (auto v = ParseInt32(CommandArgument(line, m))) c.Player = *v;
      break;
    case Command::PlayLevel:
      if (auto v = ParseInt32(CommandArgument(line, m))) c.PlayLevel = *v;
      break;
    default:
      // "#STAGEFILE", "#RANDOM", "#IF", "#ENDIF" and the rest have no effect here.
      break;
  }
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

  ChartTextInfo info;
  const std::string text = LoadChartText(path, false, &info);
  if (!c.NoMediaLoads && info.readable) PrefetchChartSounds(g, path, text);
  if (info.tooLarge) DebugLog(g, "file too large: " + std::to_string(info.size) + " bytes");
  if (info.lineEndsConverted) DebugLog(g, "Return-code converted");
  BMSReadText(g, path, text);
}

void BMSReadText(Game& g, const std::string& path, std::string_view text) {
  ChartState& c = g.chart;
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
  if (const size_t first = FirstCommandCharacter(text)) DebugLog(g, "Found First at " + std::to_string(first));
  bool cancelled = false;
  ForEachCommandLine(text, [&](std::string_view line) {
    const CommandMatch m = MatchCommand(line, false);
    if (m.kind == Command::Channel) {
      ReadChannelLine(rc, line);
    } else if (!ReadHeaderLine(rc, line, m)) {
      cancelled = true;
    }
    return !cancelled;
  });
  if (cancelled) {
    DebugLog(g, "load cancelled", -1);
    return;
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
