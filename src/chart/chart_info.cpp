#include "chart/chart_info.h"

#include <cstdio>

#include "app/game.h"

namespace kvx {

int RunChartInfo(Game& g, const std::vector<std::string>& files) {
  std::fprintf(stderr, "--chart-info is not available yet\n");
  return 2;
}

}  // namespace kvx
