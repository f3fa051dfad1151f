#include "DemoSignal.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <numbers>
#include <random>

namespace kolmari::render {

namespace {

constexpr double kTwoPi = 2.0 * std::numbers::pi;

// Rises over `attack` seconds from `start`, then decays exponentially with time constant `decay`.
double Strike(double t, double start, double attack, double decay) {
  if (t < start) return 0.0;
  const double age = t - start;
  return std::min(1.0, age / attack) * std::exp(-age / decay);
}

// A struck low note: the fundamental rings on, the partial at five times the pitch fades fast.
// The right channel's partial is a little quieter and later in phase, to give the image some width.
void AddLowTone(std::vector<double>& left, std::vector<double>& right, int rate, double start, double frequency) {
  const size_t first = static_cast<size_t>(start * rate);
  for (size_t i = first; i < left.size(); ++i) {
    const double t = static_cast<double>(i) / rate;
    const double age = t - start;
    const double body = 0.45 * Strike(t, start, 0.005, 0.7) * std::sin(kTwoPi * frequency * age);
    const double partialEnvelope = 0.14 * Strike(t, start, 0.003, 0.25);
    left[i] += body + partialEnvelope * std::sin(kTwoPi * 5.0 * frequency * age);
    right[i] += body + 0.8 * partialEnvelope * std::sin(kTwoPi * 5.0 * frequency * age + 0.6);
  }
}

// Uncorrelated white noise on both sides. The generator's raw output is fixed exactly by the
// standard, so the burst is the same on every platform (distributions are not).
void AddNoiseBurst(std::vector<double>& left, std::vector<double>& right, int rate, double start, double length) {
  std::mt19937 generator(0x4B4F4C4Du);
  const auto uniform = [&] { return static_cast<double>(generator()) / 2147483648.0 - 1.0; };
  const size_t first = static_cast<size_t>(start * rate);
  const size_t last = std::min(left.size(), static_cast<size_t>((start + length) * rate));
  for (size_t i = first; i < last; ++i) {
    const double t = static_cast<double>(i) / rate;
    const double envelope = 0.35 * Strike(t, start, 0.002, 0.1);
    left[i] += envelope * uniform();
    right[i] += envelope * uniform();
  }
}

// A swelling power chord on A2: up over 0.6 s, held for 0.5 s, released over 0.3 s.
void AddLoudPassage(std::vector<double>& left, std::vector<double>& right, int rate, double start) {
  constexpr double rise = 0.6, hold = 0.5, release = 0.3;
  constexpr double root = 110.0;
  const size_t first = static_cast<size_t>(start * rate);
  const size_t last = std::min(left.size(), static_cast<size_t>((start + rise + hold + release) * rate));
  for (size_t i = first; i < last; ++i) {
    const double age = static_cast<double>(i) / rate - start;
    double envelope = 1.0;
    if (age < rise) envelope = age / rise;
    else if (age > rise + hold) envelope = std::max(0.0, 1.0 - (age - rise - hold) / release);
    const double l = std::sin(kTwoPi * root * age) + 0.5 * std::sin(kTwoPi * 1.5 * root * age) +
                     0.25 * std::sin(kTwoPi * 2.0 * root * age);
    const double r = std::sin(kTwoPi * root * age + 0.3) + 0.5 * std::sin(kTwoPi * 1.5 * root * age + 0.9) +
                     0.25 * std::sin(kTwoPi * 2.0 * root * age + 1.2);
    left[i] += 0.56 * envelope * l;
    right[i] += 0.56 * envelope * r;
  }
}

} // namespace

std::vector<float> DemoSignal::Generate(int sampleRate) {
  const auto frames = static_cast<size_t>(std::llround(kSeconds * sampleRate));
  std::vector<double> left(frames, 0.0);
  std::vector<double> right(frames, 0.0);

  AddLowTone(left, right, sampleRate, 0.0, 55.0);
  AddNoiseBurst(left, right, sampleRate, 1.2, 0.4);
  AddLowTone(left, right, sampleRate, 2.0, 73.42);
  AddLoudPassage(left, right, sampleRate, 3.0);

  // Bring the loudest moment to just under full scale, wherever the parts happened to overlap.
  double peak = 0.0;
  for (size_t i = 0; i < frames; ++i) peak = std::max({peak, std::abs(left[i]), std::abs(right[i])});
  const double gain = peak > 0.0 ? kPeak / peak : 1.0;

  std::vector<float> interleaved(frames * kChannels);
  for (size_t i = 0; i < frames; ++i) {
    interleaved[2 * i] = static_cast<float>(gain * left[i]);
    interleaved[2 * i + 1] = static_cast<float>(gain * right[i]);
  }
  return interleaved;
}

} // namespace kolmari::render
