#pragma once

#include "Kolmari.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <memory>
#include <numbers>
#include <vector>

namespace kolmari::test {

using Signal = std::vector<double>;

// A plug-in at the given rate, reset as a host would after setting the rate, with a fixed random
// draw so that its output is reproducible.
inline std::unique_ptr<Kolmari> MakePlugin(double sampleRate = 44100.0, uint32_t draw = 0x80000000u) {
  auto plugin = std::make_unique<Kolmari>(lumen::IInstanceInfo{});
  plugin->SetSampleRate(sampleRate);
  plugin->OnReset();
  plugin->Engine().SetFixedDraw(draw);
  return plugin;
}

inline Signal Sine(double amplitude, double frequency, double sampleRate, int frames) {
  Signal s(static_cast<size_t>(frames));
  for (int i = 0; i < frames; ++i) s[static_cast<size_t>(i)] = amplitude * std::sin(2.0 * std::numbers::pi * frequency * i / sampleRate);
  return s;
}

// Runs both channels through the 64-bit path in blocks; returns the two outputs.
inline std::vector<Signal> Render(Kolmari& plugin, const Signal& left, const Signal& right, int block = 512) {
  std::vector<Signal> out{Signal(left.size()), Signal(right.size())};
  const int frames = static_cast<int>(left.size());
  for (int offset = 0; offset < frames; offset += block) {
    const int n = std::min(block, frames - offset);
    double* in[2] = {const_cast<double*>(left.data()) + offset, const_cast<double*>(right.data()) + offset};
    double* o[2] = {out[0].data() + offset, out[1].data() + offset};
    plugin.ProcessReplacing64(in, o, n);
  }
  return out;
}

inline std::vector<Signal> Render(Kolmari& plugin, const Signal& mono, int block = 512) {
  return Render(plugin, mono, mono, block);
}

inline double Peak(const Signal& s, size_t from = 0) {
  double peak = 0.0;
  for (size_t i = from; i < s.size(); ++i) peak = std::max(peak, std::abs(s[i]));
  return peak;
}

inline bool AllFinite(const Signal& s) {
  return std::all_of(s.begin(), s.end(), [](double v) { return std::isfinite(v); });
}

} // namespace kolmari::test
