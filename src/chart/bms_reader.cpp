// The BMS reader: one pass over the command lines of a chart file into the
// chart tables. Positions stay measure * 192 + offset; BMSPrepare makes the
// timeline.
#include <algorithm>
#include <cmath>
#include <random>
#include <string>
#include <string_view>

#include "app/game.h"
#include "app/sound_links.h"
#include "chart/bms.h"
#include "chart/bms_commands.h"
#include "chart/bms_random.h"
#include "chart/chart_read.h"
#include "chart/chart_text.h"
#include "media/bga.h"
#include "media/sound.h"
#include "platform/files.h"
#include "platform/text.h"

namespace kvx {

namespace {

// Longest stop accepted while reading, in position units; the 24-hour limit
// of preparation shortens long ones further.
constexpr double kMaxStopUnits = 2147483647.0;

int CourseIndex(int song, int id) { return std::clamp(song, 0, kMaxCourseSongs - 1) + kMaxCourseSongs * id; }

void EnsureCourseTables(ChartState& c) {
  if (c.CourseWavFile.size() != static_cast<size_t>(kCourseTableSize)) c.CourseWavFile.assign(kCourseTableSize, {});
  if (c.CourseBmpFile.size() != static_cast<size_t>(kCourseTableSize)) c.CourseBmpFile.assign(kCourseTableSize, {});
  if (c.CourseWavLoaded.size() != static_cast<size_t>(kCourseTableSize)) c.CourseWavLoaded.assign(kCourseTableSize, false);
  if (c.CourseBmpLoaded.size() != static_cast<size_t>(kCourseTableSize)) c.CourseBmpLoaded.assign(kCourseTableSize, false);
}

bool IsClassicObjectChannel(int ch, bool noBga) {
  switch (ch) {
    case 1: case 3: case 6: return true;
    case 4: case 7: return !noBga;
    default: break;
  }
  return (ch >= 11 && ch <= 19) || (ch >= 21 && ch <= 29) || (ch >= 31 && ch <= 39) || (ch >= 41 && ch <= 49);
}

bool IsLongChannel(int ch) { return (ch >= 51 && ch <= 59) || (ch >= 61 && ch <= 69); }

// The notes a play judges: the lanes of both sides. Invisible objects
// (31..49) only set a lane's key sound and 17 and 27 are never played, so
// none of them is a note: a perfect play reaches the maximum score.
bool IsCountedNoteChannel(int ch) { return (ch >= 11 && ch <= 29) && ch != 17 && ch != 27; }

// One read of one chart text (a course reads each song with its own).
class Reader {
 public:
  Reader(ChartState& c, std::string_view text, const ChartRules& rules, ChartReadHooks& hooks)
      : c_(c),
        rules_(rules),
        hooks_(hooks),
        first_(c.ObjectCount),
        blocks_(text, c.RandomSeed, c.BranchRng, c.RandomBranches, [&hooks](const std::string& l) { hooks.Log(l); }) {
    tempo_.fill(0.0);
    stop_.fill(-1.0);
  }

  bool Line(std::string_view line) {
    const CommandMatch m = MatchCommand(line, rules_.modernCharts);
    if (m.kind != Command::None) ++c_.CommandsRead;
    if (rules_.modernCharts) {
      if (blocks_.Handle(line, m)) return true;
      if (!blocks_.Reading()) return true;
    }
    if (m.kind == Command::Channel) {
      ChannelLine(line);
      return true;
    }
    return HeaderLine(line, m);
  }

  // The modern objects of this read get their definitions, and long notes
  // without an end get one at the chart's end.
  void Finish() {
    if (!rules_.modernCharts) return;
    blocks_.Finish();
    ResolveDefinitions();
    CloseLongNotes();
  }

 private:
  // Logs a fault of the chart once per kind.
  void Fault(int kind, const std::string& text) {
    if (faults_ & (1u << kind)) return;
    faults_ |= 1u << kind;
    hooks_.Log(text);
  }

  // Appends an object; under the modern rules its exact place in the measure
  // (0 <= fraction < 1) is kept beside it.
  bool Append(int32_t measure, int32_t offset, int32_t channel, int32_t value, double fraction = 0) {
    if (c_.ObjectCount >= kMaxObjects) {
      Fault(0, "object table full: further objects are dropped");
      return false;
    }
    if (rules_.modernCharts) SetObjectFraction(c_, c_.ObjectCount, fraction);
    c_.Objects[c_.ObjectCount++] = ChartObject{measure, measure * 192 + offset, offset, channel, value, 0};
    return true;
  }

  // The channel of a line under the rules in force; -1 when it is not read.
  int32_t ChannelOf(std::string_view line) const {
    if (!rules_.modernCharts) return line.size() > 3 ? LeadingDecimal(line.substr(3, 2)) : 0;
    if (line.size() < 5) return -1;
    const char a = line[3], b = line[4];
    if (a >= '0' && a <= '9' && b >= '0' && b <= '9') return (a - '0') * 10 + (b - '0');
    // Mines: D1..D9 on side 1, E1..E9 on side 2.
    const char side = static_cast<char>(a & ~0x20);
    if ((side == 'D' || side == 'E') && b >= '1' && b <= '9') return kMineOffset + (side == 'D' ? 10 : 20) + (b - '0');
    return -1;
  }

  bool IsObjectChannel(int32_t ch) const {
    if (!rules_.modernCharts) return ch >= 0 && ch <= 99 && IsClassicObjectChannel(ch, rules_.noBga);
    if (ch == kChannelTempo || ch == kChannelStop) return true;
    if (IsLongChannel(ch) || IsMine(ch)) return true;
    return ch >= 0 && ch <= 99 && IsClassicObjectChannel(ch, rules_.noBga);
  }

  // The lane map applies to the notes, long notes and mines of a lane.
  int32_t Mapped(int32_t ch) const {
    if (IsLongChannel(ch)) return c_.LaneMap[ch - kLongEndOffset] + kLongEndOffset;
    if (IsMine(ch)) return c_.LaneMap[ch - kMineOffset] + kMineOffset;
    return c_.LaneMap[ch];
  }

  void CountNote(int32_t channel) {
    if (channel >= 20) {
      c_.SideUsed[1] = true;
      ++c_.NoteCount[1];
    } else {
      if (channel == 18 || channel == 19) c_.SevenKeys = true;
      c_.SideUsed[0] = true;
      ++c_.NoteCount[0];
    }
  }

  // The value of one data pair; nothing for a pair that makes no object.
  std::optional<int32_t> PairValue(std::string_view pair, int32_t channel) {
    if (!rules_.modernCharts) return LeadingHex(pair);
    if (channel == 3) {
      // Tempo changes stay hexadecimal; a tempo of 0 would never end.
      const int32_t v = LeadingHex(pair);
      if (v > 0) return v;
      Fault(1, "tempo 0 on channel 03: skipped");
      return std::nullopt;
    }
    if (auto v = Base36Id(pair)) return *v;
    Fault(2, "not a base-36 id: " + std::string(pair) + " (skipped)");
    return std::nullopt;
  }

  void ChannelLine(std::string_view line) {
    const int32_t measure = LeadingDecimal(line.substr(0, 3)) + c_.BaseMeasure;
    const int32_t channel = ChannelOf(line);
    std::string_view data = line.size() > 6 ? line.substr(6) : std::string_view{};

    // Under the modern rules only the measures that hold an object count:
    // trailing lines that set a measure length (or name an unread channel)
    // do not make the play longer.
    if (!rules_.modernCharts && measure > c_.LastMeasure) c_.LastMeasure = measure;
    if (measure == 1000) {
      hooks_.Log("meas=1000?(´д｀;)");
      hooks_.Log("Curline:" + std::string(line));
    }
    if (channel == 2) {
      if (measure >= 0 && measure <= kMaxMeasure) {
        if (auto v = ParseSingle(data)) c_.MeasureLength[measure] = *v;
      }
      return;
    }
    if (!IsObjectChannel(channel)) return;

    // Data are read in character pairs; a character outside ASCII is never an
    // id digit, so it is replaced by '?' to keep the pair count by characters.
    std::string ascii;
    if (std::any_of(data.begin(), data.end(), [](char ch) { return static_cast<unsigned char>(ch) >= 0x80; })) {
      ascii.reserve(data.size());
      for (size_t i = 0; i < data.size(); ++i) {
        const unsigned char ch = static_cast<unsigned char>(data[i]);
        if (ch < 0x80) ascii += static_cast<char>(ch);
        else if ((ch & 0xC0) != 0x80) ascii += '?';
      }
      data = ascii;
    }
    const size_t n = data.size() / 2;
    if (n == 0) return;
    const float step = 192.0f / static_cast<float>(n);
    const int32_t mapped = Mapped(channel);
    for (size_t i = 0; i < n; ++i) {
      const char a = data[2 * i], b = data[2 * i + 1];
      if (a == '0' && b == '0') continue;
      const std::optional<int32_t> value = PairValue(data.substr(2 * i, 2), channel);
      if (!value) continue;
      const int32_t offset = static_cast<int32_t>(RoundHalfEven(step * static_cast<float>(i)));
      if (!Append(measure, offset, mapped, *value, static_cast<double>(i) / static_cast<double>(n))) return;
      c_.LastMeasure = std::max(c_.LastMeasure, measure);
      // Notes are counted only when their object was kept, so the gauge and
      // score per note match the notes that can be played. Long notes are
      // counted when the read ends (one note per start and end).
      if (IsCountedNoteChannel(channel)) CountNote(channel);
      else if (IsLongChannel(channel)) ++longObjects_[channel - kLongEndOffset - 11];
    }
  }

  // The id of a definition line; -1 when it is not one.
  int32_t DefinitionId(const CommandMatch& m) {
    const int32_t id = ChartId(m.id, rules_.modernCharts);
    if (id < 0 || id >= kMediaIds) {
      Fault(3, "not a base-36 id: #" + std::string(m.id) + " (line ignored)");
      return -1;
    }
    return id;
  }

  // #WAVxx and #BMPxx: the file of an id, in the chart's table or, in a
  // course, in the song's.
  bool MediaLine(std::string_view line, const CommandMatch& m, bool sound) {
    if (sound ? rules_.noWav : rules_.noBga) return true;
    const int32_t id = DefinitionId(m);
    if (id < 0) return true;
    const std::string name = CommandArgument(line, m);
    if (name.empty() && rules_.modernCharts) {
      // An empty definition names no file (not the chart's folder).
      Fault(6, "empty definition: #" + std::string(line) + " (ignored)");
      return true;
    }
    ++(sound ? c_.WavDefinitions : c_.BmpDefinitions);
    const std::string file = c_.ChartFolder + name;
    if (c_.CourseMode) {
      EnsureCourseTables(c_);
      const int index = CourseIndex(c_.CourseSong, id);
      (sound ? c_.CourseWavFile : c_.CourseBmpFile)[index] = file;
      (sound ? c_.CourseWavLoaded : c_.CourseBmpLoaded)[index] = false;
    } else if (sound) {
      c_.WavFile[id] = file;
      c_.WavLoadState[id] = 0;
    } else {
      c_.BmpFile[id] = file;
    }
    return sound ? hooks_.SoundNamed(id) : hooks_.ImageNamed(id);
  }

  // A tempo of a modern chart: finite and above 0, else the line is ignored.
  std::optional<double> Tempo(std::string_view line, const CommandMatch& m) {
    const std::string argument = CommandArgument(line, m);
    const std::optional<double> v = ParseDecimal(argument);
    if (v && std::isfinite(*v) && *v > 0) return v;
    hooks_.Log("bad tempo: #" + std::string(line) + " (ignored)");
    return std::nullopt;
  }

  // Returns false when a hook stops the reading.
  bool HeaderLine(std::string_view line, const CommandMatch& m) {
    const bool modern = rules_.modernCharts;
    switch (m.kind) {
      case Command::Wav: return MediaLine(line, m, true);
      case Command::Bmp: return MediaLine(line, m, false);
      case Command::Title: c_.Title = CommandArgument(line, m); break;
      case Command::Artist: c_.Artist = CommandArgument(line, m); break;
      case Command::Genre: c_.Genre = CommandArgument(line, m); break;
      case Command::Bpm:
        if (modern) {
          if (auto v = Tempo(line, m)) c_.BPM = static_cast<float>(*v);
        } else if (auto v = ParseSingle(CommandArgument(line, m))) {
          c_.BPM = *v;
        }
        break;
      case Command::Rank:
        if (auto v = ParseInt32(CommandArgument(line, m))) c_.Rank = *v;
        break;
      case Command::Total:
        if (modern) {
          const std::optional<double> v = ParseDecimal(CommandArgument(line, m));
          if (v && std::isfinite(*v) && *v > 0 && RoundToInt32(*v)) {
            c_.GaugeTotalExact = *v;
            c_.GaugeTotal = *RoundToInt32(*v);
          } else {
            hooks_.Log("bad total: #" + std::string(line) + " (ignored)");
          }
        } else if (auto v = ParseInt32(CommandArgument(line, m))) {
          c_.GaugeTotal = *v;
        }
        break;
      case Command::VolWav:
        if (auto v = ParseInt32(CommandArgument(line, m))) c_.VolWav = *v;
        break;
      case Command::MidiFile: c_.MidiFile = CommandArgument(line, m); break;
      case Command::Player:
        if (auto v = ParseInt32(CommandArgument(line, m))) c_.Player = *v;
        break;
      case Command::PlayLevel:
        if (auto v = ParseInt32(CommandArgument(line, m))) c_.PlayLevel = *v;
        break;
      // The modern commands (MatchCommand gives them only under those rules).
      case Command::StageFile: c_.StageFile = CommandArgument(line, m); break;
      case Command::SubTitle: c_.SubTitle = CommandArgument(line, m); break;
      case Command::SubArtist: c_.SubArtist = CommandArgument(line, m); break;
      case Command::Banner: c_.Banner = CommandArgument(line, m); break;
      case Command::Difficulty: {
        const std::optional<int32_t> v = ParseInt32(CommandArgument(line, m));
        if (v && *v >= 1 && *v <= 5) c_.Difficulty = *v;
        else hooks_.Log("bad difficulty: #" + std::string(line) + " (ignored)");
        break;
      }
      case Command::ExtendedBpm: {
        const int32_t id = DefinitionId(m);
        if (id < 0) break;
        if (auto v = Tempo(line, m)) tempo_[id] = *v;
        break;
      }
      case Command::Stop: {
        const int32_t id = DefinitionId(m);
        if (id < 0) break;
        const std::optional<double> v = ParseDecimal(CommandArgument(line, m));
        if (!v || !std::isfinite(*v) || *v < 0) {
          hooks_.Log("bad stop: #" + std::string(line) + " (ignored)");
        } else if (*v > kMaxStopUnits) {
          hooks_.Log("stop too long: #" + std::string(line) + " (clamped to 2147483647)");
          stop_[id] = kMaxStopUnits;
        } else {
          stop_[id] = RoundHalfEven(*v);
        }
        break;
      }
      case Command::LnType: {
        const std::optional<int32_t> v = ParseInt32(CommandArgument(line, m));
        if (!v || *v != 1) hooks_.Log("#LNTYPE " + CommandArgument(line, m) + " is read as 1");
        break;
      }
      case Command::LnObj: {
        const std::string argument = CommandArgument(line, m);
        if (auto id = Base36Id(argument); id && *id > 0) lnObj_ = *id;
        else hooks_.Log("bad #LNOBJ " + argument + " (ignored)");
        break;
      }
      default:
        // "#STAGEFILE" (classic rules), "#RANDOM", "#IF", "#ENDIF" and the
        // rest have no effect here.
        break;
    }
    return true;
  }

  void ResolveDefinitions() {
    for (int32_t i = first_; i < c_.ObjectCount; ++i) {
      ChartObject& o = c_.Objects[i];
      if (o.Channel == kChannelTempo) {
        const double bpm = o.Value >= 0 && o.Value < kMediaIds ? tempo_[o.Value] : 0.0;
        if (bpm > 0) {
          o.Value = static_cast<int32_t>(c_.TempoChanges.size());
          c_.TempoChanges.push_back(bpm);
        } else {
          Fault(4, "tempo " + Base36Text(o.Value) + " on channel 08 is not defined (ignored)");
          o.Value = -1;
        }
      } else if (o.Channel == kChannelStop) {
        const double units = o.Value >= 0 && o.Value < kMediaIds ? stop_[o.Value] : -1.0;
        if (units < 0) Fault(5, "stop " + Base36Text(o.Value) + " on channel 09 is not defined (ignored)");
        o.Value = units > 0 ? static_cast<int32_t>(units) : 0;
      } else if (lnObj_ > 0 && o.Value == lnObj_ && o.Channel >= 11 && o.Channel <= 29 && o.Channel != 17 &&
                 o.Channel != 27) {
        // The end of a long note: preparation pairs it with the note before it.
        --c_.NoteCount[o.Channel >= 20 ? 1 : 0];
        o.Channel += kLnObjEndOffset;
      }
    }
  }

  // Channels 51..69 alternate start and end; a start without an end ends at
  // the chart's end (the start of the closing measure). Each start is a note.
  void CloseLongNotes() {
    for (int k = 0; k < kLaneCountOfLongNotes; ++k) {
      int32_t count = longObjects_[k];
      if (count == 0) continue;
      const int32_t lane = 11 + k;
      if (count % 2 == 1) {
        hooks_.Log("long note without an end on channel " + std::to_string(lane + kLongEndOffset) +
                   ": it ends at the chart's end");
        if (Append(c_.LastMeasure + 1, 0, Mapped(lane + kLongEndOffset), 0)) ++count;
      }
      for (int32_t s = 0; s < (count + 1) / 2; ++s) CountNote(lane);
    }
  }

  static constexpr int kLaneCountOfLongNotes = 19;

  ChartState& c_;
  const ChartRules& rules_;
  ChartReadHooks& hooks_;
  int32_t first_;
  RandomBlocks blocks_;
  std::array<double, kMediaIds> tempo_;
  std::array<double, kMediaIds> stop_;
  std::array<int32_t, kLaneCountOfLongNotes> longObjects_{};
  int32_t lnObj_ = -1;
  uint32_t faults_ = 0;
};

// The reader's hooks in a game: the debug log, and the loads the load modes ask for.
class GameReadHooks : public ChartReadHooks {
 public:
  explicit GameReadHooks(Game& g) : g_(g) {}
  void Log(const std::string& line, int indent) override { DebugLog(g_, line, indent); }
  bool SoundNamed(int id) override {
    ChartState& c = g_.chart;
    const Settings& s = g_.settings;
    if (!c.NoMediaLoads) {
      if (c.CourseMode) {
        if (s.CourseLoadMode == 2) LoadCourseWav(g_, std::clamp(c.CourseSong, 0, kMaxCourseSongs - 1), id);
      } else if (s.WAVLoadmode == 0) {
        loadwav(g_, id);
      }
    }
    return !c.LoadCancel;
  }
  bool ImageNamed(int id) override {
    ChartState& c = g_.chart;
    const Settings& s = g_.settings;
    if (!c.NoMediaLoads) {
      if (c.CourseMode) {
        if (s.CourseLoadMode == 2) coursebmsdbga(g_, std::clamp(c.CourseSong, 0, kMaxCourseSongs - 1), id);
      } else {
        // Pictures other than bitmaps are always converted while reading.
        const bool bitmap = EndsWithNoCase(c.BmpFile[id], "BMP");
        if (!bitmap || s.BMPLoadmode == 0) LoadBmp(g_, id);
      }
    }
    return !c.LoadCancel;
  }

 private:
  Game& g_;
};

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

bool IsLongNoteEnd(int32_t channel) {
  return (channel >= 11 + kLongEndOffset && channel <= 19 + kLongEndOffset) ||
         (channel >= 21 + kLongEndOffset && channel <= 29 + kLongEndOffset);
}

bool IsMine(int32_t channel) {
  return (channel >= 11 + kMineOffset && channel <= 19 + kMineOffset) ||
         (channel >= 21 + kMineOffset && channel <= 29 + kMineOffset);
}

int32_t LaneOfMarker(int32_t channel) {
  if (IsLongNoteEnd(channel)) return channel - kLongEndOffset;
  if (IsMine(channel)) return channel - kMineOffset;
  return channel;
}

void StartChartRead(ChartState& c) {
  c.SideUsed = {false, false};
  c.SevenKeys = false;
  for (int ch = 0; ch < 100; ++ch) c.LaneMap[ch] = static_cast<uint8_t>(ch);
  c.Rank = 2;
  c.PlayLevel = 3;
  c.Player = 1;
  c.BPM = 120;
}

bool ReadChartCommands(ChartState& c, std::string_view text, const ChartRules& rules, ChartReadHooks& hooks) {
  Reader reader(c, text, rules, hooks);
  bool read = true;
  ForEachCommandLine(text, rules.modernCharts, [&](std::string_view line) { return read = reader.Line(line); });
  if (!read) return false;
  reader.Finish();
  return true;
}

void BMSRead(Game& g, const std::string& path) {
  ChartState& c = g.chart;
  const bool modern = g.settings.ModernCharts;
  c.ModernRules = modern;
  c.ChartFolder = FolderOf(path);
  DebugLog(g, "[BMSRead] " + FileNameOf(path), 1);

  ChartTextInfo info;
  const std::string text = LoadChartText(path, modern, &info);
  if (!c.NoMediaLoads) PrefetchChartSounds(g, path, text);
  if (info.tooLarge) DebugLog(g, "file too large: " + std::to_string(info.size) + " bytes");
  if (info.lineEndsConverted) DebugLog(g, "Return-code converted");
  if (modern && info.readable) DebugLog(g, std::string("text: ") + info.encoding);
  BMSReadText(g, path, text);
}

void BMSReadText(Game& g, const std::string& path, std::string_view text) {
  ChartState& c = g.chart;
  const bool modern = g.settings.ModernCharts;
  c.ModernRules = modern;
  c.ChartPath = path;
  StartChartRead(c);
  if (c.RandomLanes) {
    DebugLog(g, "<RANDOM> Randomize keymap");
    ShuffleLanes(c);
  }

  // A command is a line that starts with "#" (the first line too; under the
  // modern rules after spaces or tabs as well).
  if (const size_t first = FirstCommandCharacter(text, modern)) DebugLog(g, "Found First at " + std::to_string(first));
  GameReadHooks hooks(g);
  const ChartRules rules{modern, g.settings.NoBGA, g.settings.NoWAV};
  if (!ReadChartCommands(c, text, rules, hooks)) {
    DebugLog(g, "load cancelled", -1);
    return;
  }
  for (const std::string& branch : c.RandomBranches) DebugLog(g, "<RANDOM> " + branch);

  DebugLog(g, "all lines compiled");
  DebugLog(g, "last measure: " + std::to_string(c.LastMeasure));
  if (c.CourseMode && !c.BackgroundPreview) {
    DebugLog(g, "<COURSE> Add SONGCHANGE note");
    const int32_t base = c.BaseMeasure;
    const int32_t bpm = RoundToInt32(c.BPM).value_or(0);
    auto append = [&c](int32_t measure, int32_t channel, int32_t value) {
      if (c.ObjectCount < kMaxObjects) c.Objects[c.ObjectCount++] = ChartObject{measure, measure * 192, 0, channel, value, 0};
    };
    // Under the modern rules the song's tempo keeps its fraction (channel 08).
    if (modern) {
      append(base, kChannelTempo, static_cast<int32_t>(c.TempoChanges.size()));
      c.TempoChanges.push_back(StartTempo(c));
    } else {
      append(base, 3, bpm);
    }
    append(base - 1, -2, c.CourseSong);
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
