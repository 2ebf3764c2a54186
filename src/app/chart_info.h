#pragma once
// The --chart-info tool mode: loads charts without sound or images and prints
// their figures to stdout.
#include <string>
#include <vector>

namespace kvx {

struct Game;

int RunChartInfo(Game& game, const std::vector<std::string>& files);
// The text printed for one chart (the loaders must be off: chart.NoMediaLoads).
std::string ChartInfoText(Game& game, const std::string& path);

}  // namespace kvx
