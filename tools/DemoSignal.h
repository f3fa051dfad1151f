#pragma once

#include <vector>

namespace kolmari::render {

// The demonstration input: five seconds of stereo that show what the effect does to different
// material. Two struck low tones with a brighter partial, a noise burst, and a loud swelling
// chord whose peaks come close to full scale, so that any drive pushes it into the soft clipper.
// The same rate always gives the same samples (the noise has a fixed seed).
class DemoSignal {
public:
  static constexpr int kChannels = 2;
  static constexpr double kSeconds = 5.0;
  static constexpr double kPeak = 0.98;

  // Interleaved left/right frames.
  static std::vector<float> Generate(int sampleRate);
};

} // namespace kolmari::render
