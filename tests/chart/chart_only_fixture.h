#pragma once
// The chart layer on its own for the chart tests: the chart tables, a log in
// a folder of its own, a scripted clock and the chart settings, and no game.
#include <gtest/gtest.h>

#include <initializer_list>
#include <string>
#include <vector>

#include "chart/bms.h"
#include "platform/clock.h"
#include "platform/files.h"
#include "platform/log.h"
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

struct ChartOnlyFixture : ::testing::Test {
  TempFolder dir;
  ChartParts g;

  ChartOnlyFixture() {
    MakeFolder(dir.path() + "/_kvxfiles");
    g.log.SetPath(dir.path() + "/_kvxfiles/debug.txt");
    g.chart.NoMediaLoads = true;
  }

  // Lines joined with CR LF, after an empty first line so that every line is
  // a command.
  static std::string Body(std::initializer_list<std::string> lines) {
    std::string text = "\r\n";
    for (const auto& l : lines) text += l + "\r\n";
    return text;
  }
  std::string Write(const std::string& name, const std::string& bytes) { return dir.Write("songs/" + name, bytes); }
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
  std::string Log() { return dir.Read("_kvxfiles/debug.txt"); }
  bool LogHas(const std::string& text) { return Log().find(text) != std::string::npos; }
  // The objects of one channel, in table order.
  std::vector<ChartObject> OnChannel(int channel) {
    std::vector<ChartObject> out;
    for (int i = 0; i < g.chart.ObjectCount; ++i)
      if (g.chart.Objects[i].Channel == channel) out.push_back(g.chart.Objects[i]);
    return out;
  }
};

}  // namespace kvx::test
