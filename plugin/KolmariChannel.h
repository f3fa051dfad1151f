#pragma once

#include <array>
#include <cstddef>

namespace kolmari {

// The processing state of one channel. Plain data, addressed by index only.
struct KolmariChannel {
  static constexpr int kHistorySize = 64;
  static constexpr int kFilterSlots = 16;
  // Slots 1..kReadDepth of the histories hold one value per past input sample. The chain reads
  // slot 0, slot 1 and its two taps, which reach slot 6 at the highest rate factor, so only these
  // slots are kept up to date; deeper slots are never read and stay as the last clear left them.
  static constexpr int kReadDepth = 6;

  using History = std::array<double, kHistorySize>;
  using Slots = std::array<double, kFilterSlots>;

  History stageHistory{};   // 0: latest substep result; 1..kReadDepth past samples
  History outputHistory{};  // 0: latest decimated output; 1..kReadDepth past outputs
  History shaperHistory{};  // 0: latest first-shaper magnitude; 1..kReadDepth past values

  Slots smoothState{};      // one-pole states, slots 0..12 in use
  Slots smoothGain{};       // input coefficient per slot
  Slots smoothFeedback{};   // feedback coefficient per slot (1 - input coefficient)
  Slots adaaLastInput{};    // antiderivative-tanh memories, slots 5 and 6 in use
  Slots adaaLastIntegral{};

  double previousInput = 0.0;
  double decimationSum = 0.0;
  double workSample = 0.0;
  double previousOutput = 0.0;
  double feedbackSample = 0.0;
  double deviation = 0.0;
  double reactThreshold = 0.0;
  double outputFeedback = 0.0;
  double dcState = 0.0;
  double dcGain = 0.0;
  double dcFeedback = 0.0;
  double biquadState1 = 0.0;
  double biquadState2 = 0.0;

  // One-pole update of slot i; returns the new state.
  double Smooth(int slot, double input) {
    const auto i = static_cast<std::size_t>(slot);
    smoothState[i] = smoothFeedback[i] * smoothState[i] + smoothGain[i] * input;
    return smoothState[i];
  }

  // Sets every scalar to 0 (the DC coefficients included).
  void ClearScalars() {
    previousInput = decimationSum = workSample = previousOutput = feedbackSample = deviation = 0.0;
    reactThreshold = outputFeedback = dcState = dcGain = dcFeedback = biquadState1 = biquadState2 = 0.0;
  }
};

} // namespace kolmari
