#pragma once
// What both chart fixtures share: a folder of their own, chart text written
// into it, the debug log read back and the objects of one channel. `Parts` is
// what the tests call `g`: a whole game, or the chart layer's parts alone.
#include <gtest/gtest.h>

#include <initializer_list>
#include <string>
#include <vector>

#include "chart/chart_state.h"
#include "test_support.h"

namespace kvx::test {

template <typename Parts>
struct ChartTestBase : ::testing::Test {
  TempFolder dir;
  Parts g;

  // Lines joined with CR LF, after an empty first line so that every line is
  // a command.
  static std::string Body(std::initializer_list<std::string> lines) {
    std::string text = "\r\n";
    for (const auto& l : lines) text += l + "\r\n";
    return text;
  }
  std::string Write(const std::string& name, const std::string& bytes) { return dir.Write("songs/" + name, bytes); }
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
