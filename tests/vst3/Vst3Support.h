#pragma once

// The built Kolmari.vst3 loaded through the VST3 test host, and signals to feed it.

#include "Vst3Module.h"

#include <gtest/gtest.h>

#include <cmath>
#include <memory>
#include <numbers>
#include <vector>

namespace kolmari::vst3::test {

using namespace kolmari::vst3host;

inline std::shared_ptr<Vst3Module> LoadModule() { return std::make_shared<Vst3Module>(KOLMARI_VST3_BUNDLE); }

// Parameter indices of the plug-in, as hosts see them.
inline constexpr uint32_t kBypass = 0;
inline constexpr uint32_t kOversampling = 2;
inline constexpr uint32_t kInputGain = 4;
inline constexpr uint32_t kOutputGain = 7;
inline constexpr int32_t kParameterCount = 9;

// Per-channel sample buffers with the pointer array a process call takes.
template <typename Sample>
struct Buffers {
  Buffers(int channels, int frames) : data(static_cast<size_t>(channels), std::vector<Sample>(static_cast<size_t>(frames))) {
    for (auto& c : data) pointers.push_back(c.data());
  }
  // A two-tone test signal starting at sample start.
  void FillSignal(int64_t start, double rate = 48000.0) {
    for (size_t c = 0; c < data.size(); ++c) {
      for (size_t i = 0; i < data[c].size(); ++i) {
        const double t = static_cast<double>(start + static_cast<int64_t>(i)) / rate;
        data[c][i] = static_cast<Sample>(0.6 * std::sin(2.0 * std::numbers::pi * (220.0 + 110.0 * static_cast<double>(c)) * t));
      }
    }
  }
  Sample* const* Pointers() const { return pointers.data(); }
  std::vector<std::vector<Sample>> data;
  std::vector<Sample*> pointers;
};

} // namespace kolmari::vst3::test
