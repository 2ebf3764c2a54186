#include "app/chart_info.h"

#include <algorithm>
#include <cstdio>
#include <map>
#include <string>

#include "app/game.h"
#include "chart/chart_read.h"
#include "chart/chart_text.h"
#include "library/song_search.h"
#include "platform/files.h"
#include "play/chart_load.h"

namespace kvx {

namespace {

std::string Line(const std::string& key, const std::string& value) { return key + ": " + value + "\n"; }

// What the modern rules read: the extra header fields, the branches of
// #RANDOM taken, and the long notes, mines, stops and tempo changes.
std::string ModernInfo(const ChartState& c, const SongEntry& scan) {
  std::string out = Line("Rules", "modern");
  out += Line("SubTitle", c.SubTitle);
  out += Line("SubArtist", c.SubArtist);
  out += Line("Difficulty", std::to_string(c.Difficulty));
  out += Line("Banner", c.Banner);
  out += Line("NoteCount (header scan)", std::to_string(scan.NoteCount));
  for (const std::string& branch : c.RandomBranches) out += Line("Random", branch);
  int32_t longNotes = 0, mines = 0, stops = 0, tempos = 0;
  const int32_t count = std::min(c.ObjectCount, kMaxObjects);
  for (int32_t i = 0; i < count; ++i) {
    const int32_t ch = c.Objects[i].Channel;
    longNotes += IsLongNoteEnd(ch);
    mines += IsMine(ch);
    stops += ch == kChannelStop;
    tempos += ch == kChannelTempo;
  }
  out += Line("LongNotes", std::to_string(longNotes));
  out += Line("Mines", std::to_string(mines));
  out += Line("Stops", std::to_string(stops));
  out += Line("TempoChanges (channel 08)", std::to_string(tempos));
  return out;
}

}  // namespace

std::string ChartInfoText(Game& g, const std::string& path) {
  ChartState& c = g.chart;
  std::string out = "== " + path + "\n";
  // The header text fields keep the previous chart's values when a chart has
  // none; each chart is described on its own.
  c.Title.clear();
  c.Artist.clear();
  c.Genre.clear();
  if (BMSLoad(g, path) < 0) {
    out += "not found\n";
    return out;
  }
  if (!c.Refused.empty()) {
    out += c.Refused + "\n";
    return out;
  }
  SongEntry scan;
  ScanBMSHeader(path, scan, {g.settings.ModernCharts, c.RandomSeed.value_or(0)});

  out += Line("Title", c.Title);
  out += Line("Artist", c.Artist);
  out += Line("Genre", c.Genre);
  out += Line("BPM", FormatSingle(c.BPM));
  out += Line("Player", std::to_string(c.Player));
  out += Line("PlayLevel", std::to_string(c.PlayLevel));
  out += Line("Rank", std::to_string(c.Rank));
  out += Line("Total", std::to_string(scan.Total));
  out += Line("GaugeTotal", std::to_string(c.GaugeTotal));
  out += Line("VolWav", std::to_string(c.VolWav));
  out += Line("MidiFile", c.MidiFile);
  out += Line("StageFile", scan.StageFile);
  out += Line("WavCount", std::to_string(scan.WavCount));
  out += Line("BmpCount", std::to_string(scan.BmpCount));

  const int32_t count = std::min(c.ObjectCount, kMaxObjects);
  const int32_t lastPosition = count > 0 ? c.Objects[count - 1].Position : 0;
  out += "BMSInfo --------\n";
  out += "* BMS-ID: " + std::to_string(c.BmsId) + "\n";
  out += "* " + std::to_string(c.ObjectCount) + "objects, " + std::to_string(c.LastMeasure) + "measures\n";
  out += "* TotalNotes 1:" + std::to_string(c.NoteCount[0]) + " 2:" + std::to_string(c.NoteCount[1]) + "\n";
  out += "* length " + std::to_string(c.LengthMs) + "ms, " + std::to_string(lastPosition) + "pixels\n";

  out += Line("LengthMs (preparation)", std::to_string(c.LengthMs));
  out += Line("LengthMs (header scan)", std::to_string(scan.LengthMs));
  out += Line("JudgeWindow", std::to_string(c.JudgeWindow[0]) + " " + std::to_string(c.JudgeWindow[1]) + " " +
                                 std::to_string(c.JudgeWindow[2]) + " " + std::to_string(c.JudgeWindow[3]));
  out += Line("PlaySides", std::to_string(c.PlaySides));
  out += Line("GaugeIncrement", FormatSingle(c.GaugeIncrement[0]) + " " + FormatSingle(c.GaugeIncrement[1]));
  out += Line("KeySounds", std::to_string(c.KeySoundCount));

  if (c.ModernRules) out += ModernInfo(c, scan);

  std::map<int32_t, int32_t> perChannel;
  for (int32_t i = 0; i < count; ++i) ++perChannel[c.Objects[i].Channel];
  out += "Objects per channel:\n";
  for (const auto& [channel, n] : perChannel) {
    char text[48];
    std::snprintf(text, sizeof text, "  %d: %d\n", channel, n);
    out += text;
  }
  return out;
}

int RunChartInfo(Game& g, const std::vector<std::string>& files) {
  // No window and no sound device: the loaders are never called. Nothing is
  // written to the debug log (a tool run is not a start). The charts are read
  // by the rules the settings file chooses, or those of --classic / --modern.
  g.chart.NoMediaLoads = true;
  g.log.SetPath("");
  LoadSettings(g);
  if (g.options.modern_charts) g.settings.ModernCharts = *g.options.modern_charts;
  int code = 0;
  for (const auto& file : files) {
    std::string text = ChartInfoText(g, file);
    if (!FileExists(file) || !g.chart.Refused.empty()) code = 1;
    std::fwrite(text.data(), 1, text.size(), stdout);
  }
  std::fflush(stdout);
  return code;
}

}  // namespace kvx
