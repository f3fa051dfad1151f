#pragma once

#include "DriftSource.h"
#include "KolmariChannel.h"

#include <array>
#include <cstdint>
#include <optional>
#include <vector>

namespace kolmari {

// The nine parameter values as read at the start of a block (real values, not normalised).
struct BlockParameters {
  double bypass = 0.0;
  double react = 0.0;
  double oversampling = 0.0;
  double delta = 0.0;
  double inputGain = 32.0;
  double wet = 50.0;
  double tame = 0.5;
  double outputGain = 100.0;
  double bias = 0.5;
};

// Coefficients of the output lowpass, (b0 + b1 z^-1 + b2 z^-2) / (1 + a1 z^-1 + a2 z^-2).
struct BiquadCoefficients {
  double b0, b1, b2, a1, a2;
};

// The drive-and-shape DSP: per-block settings, per-channel state, the processing chain, the reset
// and rate set-up, and the two shapers. Runs without locks or allocation on the audio thread;
// Reset and Resize allocate and belong to the host's main thread, Clear does neither.
//
// The arithmetic follows the written formulas operation by operation (the build forbids fused
// multiply-add contraction here), so results are reproducible bit for bit.
class KolmariEngine {
public:
  static constexpr double kEpsilon = 1e-39;
  static constexpr double kClipKnee = 0.9885530946569389; // K
  static constexpr double kPhi = 1.618033988749895;
  static constexpr int kMinChannels = 2;

  KolmariEngine();

  // Gives every channel fresh, zeroed arrays; at least two channels.
  void Resize(int channels);
  // Adopts the sample rate, rebuilds and clears the channels, picks the lowpass and trim for the
  // rate and asks the next block to re-initialise.
  void Reset(double sampleRate, int channels);
  // Forgets every channel's past audio and asks the next block to re-initialise, keeping the
  // sample rate, the lowpass and trim and the number of channels: every channel ends up where a
  // Reset with the same rate and channel count would put it, but zeroed in place. Audio thread,
  // between blocks: no allocation, no lock.
  void Clear();

  // One block. `inputs`/`outputs` hold one pointer per channel record (`inputCount`/`outputCount`
  // of them); a null input reads as silence and a null output is skipped. Input and output may be
  // the same buffers.
  void ProcessBlock(const BlockParameters& params, double sampleRate, int connectedOutputs,
                    double* const* inputs, int inputCount, double* const* outputs, int outputCount, int frames);

  double AntiderivativeTanh(double x, int channel, int slot);
  double FirstShaper(double x, double s1, double s2, int channel, double driftDivisor);
  double SecondShaper(double x, int channel);

  // Test seam: with a value set, every block uses it in place of the 32-bit number drawn from a
  // freshly seeded generator, so outputs are reproducible.
  void SetFixedDraw(std::optional<uint32_t> draw) { mDrift.SetFixedDraw(draw); }
  static double DriftDivisorFor(uint32_t draw);
  // Reproducible mode: every block's generator seeded from this value instead of the operating
  // system's random source; none returns to that source. Any thread, also while audio runs.
  void SetFixedSeed(std::optional<uint32_t> seed) { mDrift.SetFixedSeed(seed); }

  // The instruction sets the chain is compiled for. AVX2 takes four values at a time where the
  // work is independent; AVX-512 (F, VL and DQ) runs the same code with twice the registers, so
  // that the chain's state stays in them. All give the same bits.
  enum class ChainIsa { Sse2, Avx2, Avx512 };
  // Whether the processor has the instruction set and the build a form of the chain for it; found
  // once, at load. SSE2 is always available.
  static bool IsaAvailable(ChainIsa isa);
  // The widest available form: what every engine runs unless told otherwise.
  static ChainIsa BestIsa();
  // Runs the chain in the given form from the next block on; tests use it to compare the forms.
  // Returns false, and changes nothing, where that form is not available. Not while a block is
  // processed.
  bool UseIsa(ChainIsa isa) {
    if (!IsaAvailable(isa)) return false;
    mIsa = isa;
    return true;
  }
  ChainIsa Isa() const { return mIsa; }

  // Read-only views for tests, benchmarks and tools.
  int ChannelCount() const { return static_cast<int>(mChannels.size()); }
  const KolmariChannel& Channel(int c) const { return mChannels[static_cast<size_t>(c)]; }
  KolmariChannel& Channel(int c) { return mChannels[static_cast<size_t>(c)]; }
  int OversamplingFactor() const { return mOversamplingFactor; }
  const BiquadCoefficients& Lowpass() const { return mLowpass; }
  float OutputTrim() const { return mOutputTrim; }
  double SampleRate() const { return mSampleRate; }
  double RateFactor() const { return mRateFactor; }
  double RateFactorHigh() const { return mRateFactorHigh; }
  double DriftDivisor() const { return mDriftDivisor; }
  double Drive() const { return mDrive; }
  bool SettingsChanged() const { return mSettingsChanged; }
  // Whether the last block was a hard bypass: every output sample its input, unchanged.
  bool Bypassed() const { return mBypassOn == 1; }

  // The lowest and highest rates the engine runs at. A host may set anything (0, negative, NaN,
  // infinity); outside this span the filters would be unstable or the rate meaningless.
  static constexpr double kMinSampleRate = 1000.0;
  static constexpr double kMaxSampleRate = 10'000'000.0;
  static double UsableSampleRate(double hz);

  // The cubic clip's input stage: 0.9 * min(e, K) for e >= 0.
  static double ClipCurve(double e);
  // The cubic 1.45 f - 0.45 f^3.
  static double Cubic(double f) { return 1.45 * f - 0.45 * f * f * f; }
  // ln(cosh(x)) without overflow for large |x|.
  static double LogCosh(double x);
  // The soft clip applied after the output lowpass.
  static double SoftClip(double y);

private:
  void ReinitialiseSettings(int oversamplingChoice, int channels);
  void ComputeBlockSettings(const BlockParameters& params, double sampleRate, int& oversamplingChoice);
  // The chain on one channel (V = double) or on two side by side (V = lanes::Pair): channels,
  // inputs and outputs hold one entry per lane; a null input reads as silence.
  // Isa is lanes::Isa of the translation unit that instantiates it (SSE2, AVX2 or AVX-512).
  template <class V, class Isa>
  void ProcessLanes(KolmariChannel* const* channels, const double* const* inputs, double* const* outputs, int frames,
                    bool delta);
  // The same with the number of substeps per sample fixed at compile time (0: as the oversampling
  // gives it), so that the loops over substeps unroll and their values stay in registers.
  template <class V, class Isa, int kFixedSubsteps>
  void ProcessLanesWith(KolmariChannel* const* channels, const double* const* inputs, double* const* outputs,
                        int frames, bool delta);
  // The chain compiled for AVX2 (KolmariEngineAvx2.cpp) and for AVX-512 (KolmariEngineAvx512.cpp),
  // on two channels or on one.
  friend void ProcessPairWithAvx2(KolmariEngine& engine, KolmariChannel* const* channels,
                                  const double* const* inputs, double* const* outputs, int frames, bool delta);
  friend void ProcessOneWithAvx2(KolmariEngine& engine, KolmariChannel* const* channels,
                                 const double* const* inputs, double* const* outputs, int frames, bool delta);
  friend void ProcessPairWithAvx512(KolmariEngine& engine, KolmariChannel* const* channels,
                                    const double* const* inputs, double* const* outputs, int frames, bool delta);
  friend void ProcessOneWithAvx512(KolmariEngine& engine, KolmariChannel* const* channels,
                                   const double* const* inputs, double* const* outputs, int frames, bool delta);
  // Bypass: the output is the input, and the channel's scalars are cleared.
  static void Bypass(KolmariChannel& ch, const double* input, double* output, int frames);

  // Per-block settings.
  float mInputFraction = 0.0f;
  double mDrive = 1.0;
  double mWetFraction = 0.0;
  double mOutputScale = 1.0;
  double mBiasOffset = 0.0;
  int mBypassOn = 0;
  int mReactOn = 0;
  double mTameLimit = 0.0;
  double mTameBlend = 0.0;
  double mSampleRate = 48000.0;
  double mRateFactor = 1.0;
  double mRateFactorHigh = 2.0;
  int mOversamplingFactor = 1;
  int mLastOversamplingChoice = 0;
  bool mSettingsChanged = true;
  double mDriftDivisor = 2.0017457467051538;
  float mOutputTrim = 1.0f;
  const double mAdaaCloseness = 1e-05;
  ChainIsa mIsa = BestIsa();

  BiquadCoefficients mLowpass;
  std::vector<KolmariChannel> mChannels;

  DriftSource mDrift;
};

} // namespace kolmari
