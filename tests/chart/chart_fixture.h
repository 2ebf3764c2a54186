#pragma once
// A game with its own program folder (and debug log) for the chart tests.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "app/game.h"
#include "platform/clock.h"
#include "platform/files.h"
#include "play/chart_load.h"
#include "chart_test_base.h"
#include "test_support.h"

namespace kvx::test {

struct ChartFixture : ChartTestBase<Game> {
  ScriptedClock* clock = nullptr;

  ChartFixture() {
    g.SetProgramFolder(dir.path());
    MakeFolder(g.paths.data);
    auto c = std::make_unique<ScriptedClock>(10000);
    clock = c.get();
    g.UseClock(std::move(c));
    g.chart.NoMediaLoads = true;
  }

  // Init + read, without preparation.
  void Read(const std::string& bytes, const std::string& name = "a.bms") {
    std::string path = Write(name, bytes);
    BMSInit(g);
    BMSRead(g, path);
  }
  int Load(const std::string& bytes, const std::string& name = "a.bms") { return BMSLoad(g, Write(name, bytes)); }
};

}  // namespace kvx::test
