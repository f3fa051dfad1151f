// Kolmari is one plug-in in three formats: a host of any of them must learn the same facts about
// every parameter and get the same state bytes.
#include "PluginInstance.h"

#include <gtest/gtest.h>

#include <cmath>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

namespace {

using kolmari::testhost::OpenPluginInstance;
using kolmari::testhost::PluginInstance;

// Everything a host of one format learns about the parameters, as text, one line a parameter.
std::vector<std::string> FactsTable(PluginInstance& plugin) {
  std::vector<std::string> rows;
  for (int32_t i = 0; i < plugin.NumParams(); ++i) {
    std::ostringstream row;
    const auto stepping = plugin.ParameterStepping(i);
    row << i << " | " << plugin.ParameterName(i) << " | default " << plugin.ParameterDisplay(i) << " "
        << plugin.ParameterLabel(i) << " (" << plugin.GetParameter(i) << ")";
    // VST 2.4 tells switches from other whole-number parameters only by type, which Kolmari's are
    // not: what every format tells alike is whether the value moves in whole steps.
    row << " | stepping " << (stepping ? (stepping->wholeNumbers ? "whole" : "continuous") : "none");
    const float def = plugin.GetParameter(i);
    for (float at : {0.0f, 1.0f}) {
      plugin.SetParameter(i, at);
      row << " | at " << at << ": " << plugin.ParameterDisplay(i) << " " << plugin.ParameterLabel(i);
    }
    // Typed text as a user types it, with and without the unit.
    for (const char* typed : {"1", "2.5", "48.5 %", "0.25"}) {
      const bool took = plugin.SetParameterText(i, typed);
      row << " | typed " << typed << ": " << (took ? plugin.ParameterDisplay(i) : "refused");
    }
    plugin.SetParameter(i, def);
    rows.push_back(row.str());
  }
  return rows;
}

std::unique_ptr<PluginInstance> Open(const std::string& path) {
  std::string error;
  auto plugin = OpenPluginInstance(path, error);
  EXPECT_TRUE(plugin) << path << ": " << error;
  return plugin;
}

TEST(FormatFacts, EveryFormatReportsTheSameParametersAndState) {
  const std::vector<std::string> paths{KOLMARI_PLUGIN_BINARY, KOLMARI_CLAP_BINARY, KOLMARI_VST3_BUNDLE};
  std::vector<std::vector<std::string>> tables;
  std::vector<std::vector<uint8_t>> states;
  for (const std::string& path : paths) {
    auto plugin = Open(path);
    ASSERT_TRUE(plugin);
    ASSERT_EQ(plugin->NumParams(), 9) << path;
    tables.push_back(FactsTable(*plugin));
    // The same settings give the same chunk bytes.
    plugin->SetParameterText(4, "150");
    plugin->SetParameter(5, 0.25f);
    plugin->SetParameter(2, 1.0f);
    states.push_back(plugin->SaveState());
    EXPECT_EQ(states.back().size(), 8u + 9u * 8u) << path;
  }
  for (size_t f = 1; f < paths.size(); ++f) {
    SCOPED_TRACE(paths[f]);
    for (size_t row = 0; row < tables[0].size(); ++row) EXPECT_EQ(tables[f][row], tables[0][row]);
    EXPECT_EQ(states[f], states[0]);
  }
  // A spot check of the table itself, so that "all the same" cannot mean "all empty".
  EXPECT_NE(tables[0][4].find("Input Gain | default 32.00 %"), std::string::npos) << tables[0][4];
  EXPECT_NE(tables[0][2].find("stepping whole"), std::string::npos) << tables[0][2];
  EXPECT_NE(tables[0][0].find("stepping whole"), std::string::npos) << tables[0][0];
  EXPECT_NE(tables[0][6].find("stepping continuous"), std::string::npos) << tables[0][6];
}

} // namespace
