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

// LV2 carries the same parameters as control ports. A host of it learns the same names (but for the
// bypass, which is the host's "Enabled" port, its inverse), ranges, defaults, units and stepping,
// and typed values land on the same plain values. Not the same, because LV2 data has no place for
// them: the display text (the host's own, from the port's number, with no fixed decimals: "32",
// not "32.00") and the state (an LV2 preset of the port values, as LV2 hosts save a plug-in that
// keeps its settings in its ports, not the program chunk).
TEST(FormatFacts, Lv2PortsCarryTheSameParameters) {
  auto vst = Open(KOLMARI_PLUGIN_BINARY);
  auto lv2 = Open(KOLMARI_LV2_BUNDLE);
  ASSERT_TRUE(vst && lv2);
  EXPECT_EQ(lv2->FormatName(), "LV2");
  EXPECT_EQ(lv2->EffectName(), vst->EffectName());
  EXPECT_EQ(lv2->VendorString(), vst->VendorString());
  EXPECT_EQ(lv2->NumInputs(), 2);
  EXPECT_EQ(lv2->NumOutputs(), 2);
  ASSERT_EQ(lv2->NumParams(), vst->NumParams());
  const auto number = [](const std::string& text) { return std::stod(text); };
  for (int32_t i = 0; i < vst->NumParams(); ++i) {
    SCOPED_TRACE(vst->ParameterName(i));
    const auto ws = vst->ParameterStepping(i);
    const auto ls = lv2->ParameterStepping(i);
    ASSERT_TRUE(ws && ls);
    EXPECT_EQ(ls->wholeNumbers, ws->wholeNumbers);
    if (i == 0) {
      EXPECT_EQ(lv2->ParameterName(i), "Enabled");
      EXPECT_TRUE(ls->isSwitch);
      EXPECT_EQ(lv2->GetParameter(i), 1.0f - vst->GetParameter(i));
      continue;
    }
    EXPECT_EQ(lv2->ParameterName(i), vst->ParameterName(i));
    EXPECT_EQ(lv2->ParameterLabel(i), vst->ParameterLabel(i));
    EXPECT_FLOAT_EQ(lv2->GetParameter(i), vst->GetParameter(i));
    EXPECT_EQ(number(lv2->ParameterDisplay(i)), number(vst->ParameterDisplay(i)));
    const float def = vst->GetParameter(i);
    for (float at : {0.0f, 0.25f, 1.0f}) {
      ASSERT_TRUE(vst->SetParameter(i, at));
      ASSERT_TRUE(lv2->SetParameter(i, at));
      // The other formats round their text to the parameter's decimals.
      EXPECT_NEAR(number(lv2->ParameterDisplay(i)), number(vst->ParameterDisplay(i)), 0.005) << "at " << at;
    }
    for (const char* typed : {"1", "2.5", "48.5 %", "0.25"}) {
      // A half step of a whole-number parameter is a tie, which the host of an integer port breaks
      // away from zero and the other formats' text parsers towards the lower step: no fact of the
      // parameter, so not compared.
      if (ws->wholeNumbers && std::string(typed) == "2.5") continue;
      // LV2 refuses a unit the port does not have; what it takes, it takes as the others do.
      if (!lv2->SetParameterText(i, typed)) continue;
      ASSERT_TRUE(vst->SetParameterText(i, typed)) << typed;
      EXPECT_NEAR(number(lv2->ParameterDisplay(i)), number(vst->ParameterDisplay(i)), 0.005) << typed;
    }
    EXPECT_FALSE(lv2->SetParameterText(i, "loud"));
    vst->SetParameter(i, def);
    lv2->SetParameter(i, def);
  }
  // The state: a preset another instance loads into the same values; a program chunk is no preset.
  lv2->SetParameterText(4, "150");
  lv2->SetParameter(5, 0.25f);
  lv2->SetParameter(2, 1.0f);
  const std::vector<uint8_t> preset = lv2->SaveState();
  ASSERT_FALSE(preset.empty());
  EXPECT_EQ(std::string(preset.begin(), preset.begin() + 7), "@prefix");
  auto other = Open(KOLMARI_LV2_BUNDLE);
  ASSERT_TRUE(other);
  EXPECT_TRUE(other->LoadState(preset));
  for (int32_t i = 0; i < lv2->NumParams(); ++i) EXPECT_EQ(other->GetParameter(i), lv2->GetParameter(i)) << i;
  EXPECT_FALSE(other->LoadState(vst->SaveState()));
  EXPECT_FALSE(other->LoadState({}));
  // The fixed seed goes through the plug-in's own extension, and back to the system's source.
  EXPECT_TRUE(lv2->SetFixedSeed(77u));
  EXPECT_TRUE(lv2->SetFixedSeed(std::nullopt));
}

} // namespace
