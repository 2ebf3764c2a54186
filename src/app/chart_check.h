#pragma once
// The --check tool mode: plays each chart in demo mode on a scripted clock, as
// fast as the machine allows, without a window or a sound device, and prints
// one line per chart: notes, play length, the sound and picture files it names
// that are missing, and the result.
#include <cstdint>
#include <string>
#include <vector>

#include "app/app_state.h"

namespace kvx {

struct ChartState;

// What --check and --chart-info say of a file that does not exist.
inline constexpr const char* kChartNotFound = "not found";

struct ChartCheck {
  bool loaded = false;       // the file was found and read as a chart
  std::string problem;       // why not: "not found", "not a chart ...", "refused: ..."
  bool modern = false;       // read by the modern chart rules
  bool verbose = false;      // the line names every missing file
  bool reached_end = false;  // the play ran to the chart's last object
  int32_t notes = 0;         // the notes the score is made of (both sides)
  int32_t judged = 0;        // the notes the demo play judged
  int32_t length_ms = 0;     // play length
  std::vector<std::string> missing;  // file names as the chart gives them
  std::string result;        // the "[Result] ..." line
};

// The chart rules of the tools: --classic / --modern, else the ModernCharts
// setting of the settings file in the program folder (a missing file means
// a new install: modern).
bool ChartRulesInForce(const OwnOptions& options, const std::string& program_folder);
// The notes a perfect play scores: both sides, a double-play chart's once.
int32_t ScoredNotes(const ChartState& chart);
// Checks one chart; `program_folder` is where the program's data folder is
// (nothing is written there).
ChartCheck CheckChart(const OwnOptions& options, const std::string& program_folder, const std::string& path);
// The line printed for a chart.
std::string ChartCheckLine(const std::string& path, const ChartCheck& check);
// Checks every chart and prints its line; 0 when every chart loaded and
// played to its end, 1 otherwise.
int RunChartCheck(const OwnOptions& options, const std::string& program_folder,
                  const std::vector<std::string>& files);

}  // namespace kvx
