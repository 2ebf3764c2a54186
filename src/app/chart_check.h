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

struct ChartCheck {
  bool loaded = false;       // the file was found and read as a chart
  std::string problem;       // why not: "not found", "not a chart ..."
  bool reached_end = false;  // the play ran to the chart's last object
  int32_t notes = 0;         // playable notes of both sides
  int32_t length_ms = 0;     // play length
  std::vector<std::string> missing;  // file names as the chart gives them
  std::string result;        // the "[Result] ..." line
};

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
