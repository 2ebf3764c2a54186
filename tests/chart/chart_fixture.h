#pragma once
// A game with its own program folder (and debug log) for the chart tests.
#include <gtest/gtest.h>

#include <initializer_list>
#include <memory>
#include <string>
#include <vector>

#include "app/game.h"
#include "platform/clock.h"
#include "platform/files.h"
#include "play/chart_load.h"
#include "test_support.h"

namespace kvx::test {

struct ChartFixture : ::testing::Test {
  TempFolder dir;
  Game g;
  ScriptedClock* clock = nullptr;

  ChartFixture() {
    g.SetProgramFolder(dir.path());
    MakeFolder(g.paths.data);
    auto c = std::make_unique<ScriptedClock>(10000);
    clock = c.get();
    g.UseClock(std::move(c));
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
  // Init + read, without preparation.
  void Read(const std::string& bytes, const std::string& name = "a.bms") {
    std::string path = Write(name, bytes);
    BMSInit(g);
    BMSRead(g, path);
  }
  int Load(const std::string& bytes, const std::string& name = "a.bms") { return BMSLoad(g, Write(name, bytes)); }
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
