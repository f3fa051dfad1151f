#pragma once

// Loading the built Kolmari.so through the test host, and what a host can know about its nine
// parameters from outside: names, ranges, defaults, labels and the number of decimals shown.

#include "VstPluginInstance.h"

#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <cstdint>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

namespace kolmari::binary::test {

using testhost::AudioBuffers;
using testhost::HostSettings;
using testhost::VstPluginInstance;

inline std::unique_ptr<VstPluginInstance> LoadKolmari(HostSettings settings = {}) {
  std::string error;
  auto instance = VstPluginInstance::Load(KOLMARI_BINARY, error, std::move(settings));
  EXPECT_TRUE(instance) << error;
  return instance;
}

struct ParameterInfo {
  const char* name;
  double min;
  double max;
  double defaultValue;
  int decimals;  // shown after the point
  const char* label;
  const char* defaultDisplay;
};

inline constexpr int kParameterCount = 9;

inline constexpr std::array<ParameterInfo, kParameterCount> kParameters{{
    {"Bypass", 0.0, 1.0, 0.0, 0, "", "0"},
    {"React", 0.0, 1.0, 0.0, 0, "", "0"},
    {"Oversampling", 0.0, 3.0, 0.0, 0, "", "0"},
    {"Delta", 0.0, 1.0, 0.0, 0, "", "0"},
    {"Input Gain", 0.0, 200.0, 32.0, 2, "%", "32.00"},
    {"Wet", 0.0, 100.0, 50.0, 2, "%", "50.00"},
    {"Tame", 0.0, 1.0, 0.5, 3, "", "0.500"},
    {"Output Gain", 0.0, 120.0, 100.0, 2, "%", "100.00"},
    {"Bias", 0.0, 1.0, 0.5, 3, "", "0.500"},
}};

inline double RealValue(int index, double normalized) {
  const ParameterInfo& p = kParameters[static_cast<size_t>(index)];
  return p.min + normalized * (p.max - p.min);
}

inline float Normalized(int index, double real) {
  const ParameterInfo& p = kParameters[static_cast<size_t>(index)];
  return static_cast<float>((real - p.min) / (p.max - p.min));
}

// Finite and not subnormal (zero is fine).
template <typename Sample>
bool IsCleanSample(Sample s) {
  return std::isfinite(s) && std::fpclassify(s) != FP_SUBNORMAL;
}

// The first sample that is not clean, as "channel c, frame f: value", or empty.
template <typename Sample>
std::string FirstUncleanSample(const AudioBuffers<Sample>& buffers) {
  for (int32_t c = 0; c < buffers.Channels(); ++c) {
    const auto& channel = buffers.Channel(c);
    for (size_t f = 0; f < channel.size(); ++f) {
      if (!IsCleanSample(channel[f])) {
        std::ostringstream text;
        text << "channel " << c << ", frame " << f << ": " << std::hexfloat << channel[f] << std::defaultfloat << " ("
             << channel[f] << ')';
        return text.str();
      }
    }
  }
  return {};
}

// A current parameter display through effGetParamDisplay, which the wrapper makes.
inline std::string Display(VstPluginInstance& plugin, int index) { return plugin.ParameterDisplay(index); }

inline std::vector<float> AllParameters(const VstPluginInstance& plugin) {
  std::vector<float> values;
  for (int i = 0; i < plugin.NumParams(); ++i) values.push_back(plugin.GetParameter(i));
  return values;
}

} // namespace kolmari::binary::test
