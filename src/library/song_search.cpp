#include "library/song_search.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdio>
#include <memory>
#include <string_view>
#include <utility>
#include <vector>

#include "app/game.h"
#include "chart/bms_commands.h"
#include "chart/chart_read.h"
#include "chart/chart_text.h"
#include "chart/position_sort.h"
#include "platform/files.h"
#include "platform/text.h"

namespace kvx {

namespace {

constexpr int kMaxTimingEvents = 1001;
constexpr int kMaxScanMeasure = 1024;

// One point of the play-length computation: a tempo change or a measure start.
struct TimingEvent {
  int32_t Measure = 0;
  int32_t Tick = 0;
  int32_t PositionInMeasure = 0;
  bool IsBpmChange = false;
  int32_t Bpm = 0;
};

int32_t ComputeLength(float headerBpm, int32_t highestMeasure, const std::array<float, kMaxScanMeasure + 1>& factors,
                      std::vector<TimingEvent>& events) {
  auto factorOf = [&](int32_t m) {
    float f = (m >= 0 && m <= kMaxScanMeasure) ? factors[m] : 0.0f;
    // Unset, non-positive and absurd lengths count as a full measure.
    return (f > 0.0f && f <= 1000.0f) ? f : 1.0f;
  };
  for (int32_t m = 0; m <= highestMeasure; ++m) {
    if (static_cast<int>(events.size()) >= kMaxTimingEvents) break;
    events.push_back({m, m * 192, 0, false, 0});
  }
  SortByPosition(events.data(), static_cast<int32_t>(events.size()), [](const TimingEvent& e) { return e.Tick; });
  // Scale by measure length. Measure starts come from cumulative lengths so an
  // event at position 192 of a measure cannot disturb the running sum.
  std::vector<int64_t> start(static_cast<size_t>(std::max(0, highestMeasure)) + 2, 0);
  for (size_t m = 1; m < start.size(); ++m)
    start[m] = start[m - 1] + static_cast<int64_t>(RoundHalfEven(192.0f * factorOf(static_cast<int32_t>(m - 1))));
  for (auto& e : events) {
    const size_t m = static_cast<size_t>(std::clamp<int32_t>(e.Measure, 0, static_cast<int32_t>(start.size()) - 1));
    double t = RoundHalfEven(static_cast<double>(start[m]) +
                             static_cast<double>(static_cast<float>(e.PositionInMeasure) * factorOf(e.Measure)));
    e.Tick = static_cast<int32_t>(std::clamp(t, 0.0, 2147483647.0));
  }
  // Tempo.
  auto rounded = RoundToInt32(headerBpm);
  double bpm = rounded.value_or(0);
  double offset = 0;
  for (const auto& e : events) {
    if (!e.IsBpmChange) continue;
    if (bpm != 0) offset = offset - (e.Bpm - bpm) * (e.Tick - offset) / bpm;
    bpm = e.Bpm;
  }
  if (bpm == 0 || events.empty()) return 0;
  const double last = events.back().Tick;
  return RoundToInt32(last * kMsPerUnitAtOneBpm / bpm - offset * kMsPerUnitAtOneBpm / bpm).value_or(0);
}

// Under the modern rules the chart is read and laid out the way the play
// reads it, on a chart table of the scan's own.
bool ScanModernChart(const std::string& path, std::string_view text, SongEntry& e, uint64_t seed) {
  thread_local std::unique_ptr<ChartState> scratch;
  if (!scratch) scratch = std::make_unique<ChartState>();
  ChartState& c = *scratch;
  ClearChartTables(c);
  c.Title.clear();
  c.Artist.clear();
  c.Genre.clear();
  c.ModernRules = true;
  c.RandomSeed = seed;
  c.ChartFolder.clear();
  StartChartRead(c);
  ChartReadHooks quiet;
  ReadChartCommands(c, text, ChartRules{true, false, false}, quiet);
  const int32_t notes = c.NoteCount[0] + c.NoteCount[1];
  PrepareTimeline(c, false, quiet);

  e.FilePath = path;
  e.Title = c.Title;
  e.Artist = c.Artist;
  e.Genre = c.Genre;
  e.Bpm = c.BPM;
  e.Player = c.Player;
  e.PlayLevel = c.PlayLevel;
  e.MidiFile = c.MidiFile;
  e.Rank = c.Rank;
  e.VolWav = c.VolWav;
  e.Total = c.GaugeTotal;
  e.LengthMs = ChartLengthMs(c, quiet);
  e.StageFile = c.StageFile;
  e.WavCount = c.WavDefinitions;
  e.BmpCount = c.BmpDefinitions;
  e.SubTitle = c.SubTitle;
  e.SubArtist = c.SubArtist;
  e.Banner = c.Banner;
  e.Difficulty = c.Difficulty;
  e.NoteCount = notes;
  return c.CommandsRead > 0;
}

}  // namespace

std::string FormatPlayTime(int64_t ms) {
  if (ms < 0) ms = 0;
  const int64_t s = ms / 1000;
  char text[32];
  std::snprintf(text, sizeof text, "%02lld:%02lld:%02lld", static_cast<long long>(s / 3600),
                static_cast<long long>(s / 60 % 60), static_cast<long long>(s % 60));
  return text;
}

void ShowListProgress(Game& g) {
  if (g.app.started) return;  // only during the startup-menu phase
  LibraryState& l = g.library;
  l.ProgressTitle = "Adding..." + std::to_string(l.FoundFiles.size()) + " files of " +
                    std::to_string(l.SongList.size()) + "files / " + FormatPlayTime(l.TotalPlayTime);
  if (l.OnProgress) l.OnProgress();
}

void ClearSongList(Game& g) {
  LibraryState& l = g.library;
  l.SongList.clear();
  l.SongListLast = -1;
  l.TotalPlayTime = 0;
  g.app.ListCursor = 0;
  l.CurrentListFile.clear();
  l.SongMarks.clear();
  ShowListProgress(g);
}

void AddSongFile(Game& g, const std::string& path) {
  LibraryState& l = g.library;
  l.SongList.emplace_back();
  l.SongListLast = static_cast<int32_t>(l.SongList.size()) - 1;
  if (FileExists(path)) ReadBMSHeader(g, path, l.SongListLast);
  l.TotalPlayTime += l.SongList.back().LengthMs;
  ShowListProgress(g);
}

void ReadBMSHeader(Game& g, const std::string& path, int32_t index) {
  LibraryState& l = g.library;
  if (index < 0 || static_cast<size_t>(index) >= l.SongList.size()) return;
  ScanBMSHeader(path, l.SongList[index], {g.settings.ModernCharts, g.chart.RandomSeed.value_or(0)});
}

bool IsChartFileName(const std::string& name, bool modernCharts) {
  return EndsWithNoCase(name, ".bms") || EndsWithNoCase(name, ".bme") || (modernCharts && EndsWithNoCase(name, ".bml"));
}

bool ScanBMSHeader(const std::string& path, SongEntry& e, const HeaderScanRules& rules) {
  return ScanBMSHeaderText(path, LoadChartText(path, rules.modernCharts), e, rules);
}

bool ScanBMSHeaderText(const std::string& path, std::string text, SongEntry& e, const HeaderScanRules& rules) {
  if (rules.modernCharts) return ScanModernChart(path, text, e, rules.seed);
  text += "\r\n";
  e.FilePath = path;
  e.Player = 1;
  e.PlayLevel = 3;
  e.Rank = 2;

  std::array<float, kMaxScanMeasure + 1> factors{};
  std::vector<TimingEvent> events;
  int32_t highest = 0;
  int32_t commands = 0;
  ForEachCommandLine(text, false, [&](std::string_view line) {
    const CommandMatch m = MatchCommand(line, false);
    if (m.kind != Command::None) ++commands;
    auto argument = [&] { return CommandArgument(line, m); };
    switch (m.kind) {
      case Command::Channel: {
        const int32_t measure = LeadingDecimal(line.substr(0, 3));
        const int32_t channel = line.size() > 3 ? LeadingDecimal(line.substr(3, 2)) : 0;
        const std::string_view data = line.size() > 6 ? line.substr(6) : std::string_view{};
        highest = std::max(highest, measure);
        if (channel == 2) {
          if (measure <= kMaxScanMeasure)
            if (auto f = ParseSingle(data)) factors[measure] = *f;
        } else if (channel == 3) {
          const size_t n = data.size() / 2;
          for (size_t i = 0; i < n && static_cast<int>(events.size()) < kMaxTimingEvents; ++i) {
            if (data[2 * i] == '0' && data[2 * i + 1] == '0') continue;
            const int32_t place = static_cast<int32_t>(RoundHalfEven(static_cast<double>(i) * (192.0 / n)));
            events.push_back({measure, measure * 192 + place, place, true, LeadingHex(data.substr(2 * i, 2))});
          }
        }
        break;
      }
      case Command::Wav: ++e.WavCount; break;
      case Command::Bmp: ++e.BmpCount; break;
      case Command::StageFile: e.StageFile = argument(); break;
      case Command::Title: e.Title = argument(); break;
      case Command::Artist: e.Artist = argument(); break;
      case Command::Genre: e.Genre = argument(); break;
      case Command::Bpm:
        if (auto v = ParseSingle(argument())) e.Bpm = *v;
        break;
      // The scan takes every keyword starting "RAN" as the rank (a "#RANDOM"
      // line does not convert and leaves it).
      case Command::Rank:
      case Command::Random:
      case Command::RanOther:
        if (auto v = ParseInt32(ArgumentFrom(line, 6))) e.Rank = *v;
        break;
      case Command::Total:
        if (auto v = ParseInt32(argument())) e.Total = *v;
        break;
      case Command::VolWav:
        if (auto v = ParseInt32(argument())) e.VolWav = *v;
        break;
      case Command::MidiFile: e.MidiFile = argument(); break;
      case Command::Player:
        if (auto v = ParseInt32(argument())) e.Player = *v;
        break;
      case Command::PlayLevel:
        if (auto v = ParseInt32(argument())) e.PlayLevel = *v;
        break;
      default: break;
    }
    return true;
  });
  e.LengthMs = ComputeLength(e.Bpm, highest, factors, events);
  return commands > 0;
}

}  // namespace kvx
