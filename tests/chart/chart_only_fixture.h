#pragma once
// The chart layer on its own for the chart tests: the chart tables, a log in
// a folder of its own, a scripted clock and the chart settings, and no game.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "chart/bms.h"
#include "platform/clock.h"
#include "platform/files.h"
#include "platform/log.h"
#include "chart_test_base.h"
#include "test_support.h"

namespace kvx::test {

// What the chart layer is handed (named like the game's parts, so that
// g.chart, g.log and g.settings read as in the tests on a whole game).
struct ChartParts {
  struct ChartSettings {
    bool ModernCharts = false, NoBGA = false, NoWAV = false;
  };
  ChartState chart;
  Logger log;
  ScriptedClock clock{10000};
  ChartSettings settings;
  ChartLoadHooks hooks;  // loads nothing

  ChartImports Imports() {
    return ChartImports{Services{log, clock}, hooks, ChartRules{settings.ModernCharts, settings.NoBGA, settings.NoWAV}};
  }
};

struct ChartOnlyFixture : ChartTestBase<ChartParts> {
  ChartOnlyFixture() {
    MakeFolder(dir.path() + "/_kvxfiles");
    g.log.SetPath(dir.path() + "/_kvxfiles/debug.txt");
    g.chart.NoMediaLoads = true;
  }

  void Init() { BMSInit(g.chart, g.Imports()); }
  void ReadFile(const std::string& path) { BMSRead(g.chart, g.Imports(), path); }
  // Init + read, without preparation.
  void Read(const std::string& bytes, const std::string& name = "a.bms") {
    std::string path = Write(name, bytes);
    Init();
    ReadFile(path);
  }
  int Load(const std::string& bytes, const std::string& name = "a.bms") {
    return BMSLoad(g.chart, g.Imports(), Write(name, bytes));
  }
};

}  // namespace kvx::test
