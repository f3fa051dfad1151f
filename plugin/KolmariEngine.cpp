#include "KolmariEngine.h"

#include "KolmariChain.h"
#include "KolmariLowpassTable.h"

#include <algorithm>
#include <cmath>
#include <cstring>

namespace kolmari {

using namespace chain;


KolmariEngine::KolmariEngine() : mLowpass(kInitialLowpass) { Resize(kMinChannels); }

#ifndef KOLMARI_HAVE_AVX2_CHAIN
// Builds without the wider forms (other processors or compilers) run the SSE2 form only.
void ProcessPairWithAvx2(KolmariEngine&, KolmariChannel* const*, const double* const*, double* const*, int, bool) {}
void ProcessOneWithAvx2(KolmariEngine&, KolmariChannel* const*, const double* const*, double* const*, int, bool) {}
void ProcessPairWithAvx512(KolmariEngine&, KolmariChannel* const*, const double* const*, double* const*, int, bool) {}
void ProcessOneWithAvx512(KolmariEngine&, KolmariChannel* const*, const double* const*, double* const*, int, bool) {}
#endif

bool KolmariEngine::IsaAvailable(ChainIsa isa) {
#ifdef KOLMARI_HAVE_AVX2_CHAIN
  // __builtin_cpu_supports also asks whether the system saves the wider registers.
  static const bool avx2 = [] {
    __builtin_cpu_init(); // may run before the library's own constructor initialised the data
    return __builtin_cpu_supports("avx2") != 0;
  }();
  static const bool avx512 = [] {
    __builtin_cpu_init();
    return avx2 && __builtin_cpu_supports("avx512f") != 0 && __builtin_cpu_supports("avx512vl") != 0 &&
           __builtin_cpu_supports("avx512dq") != 0;
  }();
  switch (isa) {
  case ChainIsa::Sse2: return true;
  case ChainIsa::Avx2: return avx2;
  case ChainIsa::Avx512: return avx512;
  }
  return false;
#else
  return isa == ChainIsa::Sse2;
#endif
}

KolmariEngine::ChainIsa KolmariEngine::BestIsa() {
  if (IsaAvailable(ChainIsa::Avx512)) return ChainIsa::Avx512;
  if (IsaAvailable(ChainIsa::Avx2)) return ChainIsa::Avx2;
  return ChainIsa::Sse2;
}

double KolmariEngine::UsableSampleRate(double hz) {
  if (std::isnan(hz)) return kMinSampleRate;
  return std::clamp(hz, kMinSampleRate, kMaxSampleRate);
}

void KolmariEngine::Resize(int channels) {
  mChannels.assign(static_cast<size_t>(std::max(kMinChannels, channels)), KolmariChannel{});
}

void KolmariEngine::Reset(double sampleRate, int channels) {
  mSampleRate = UsableSampleRate(sampleRate);
  Resize(channels); // fresh arrays: histories, filter slots and every scalar at zero
  for (const auto& entry : kLowpassByRate) {
    if (static_cast<int>(mSampleRate) == entry.sampleRate) {
      mLowpass = entry.coefficients;
      mOutputTrim = entry.outputTrim;
      break;
    }
  }
  mSettingsChanged = true;
}

void KolmariEngine::Clear() {
  // The same zeroed record Resize hands out, copied over each channel: every array slot and scalar,
  // the never-read history depths too, so the two ways to forget cannot drift apart.
  for (KolmariChannel& ch : mChannels) ch = KolmariChannel{};
  mSettingsChanged = true;
}

void KolmariEngine::ReinitialiseSettings(int oversamplingChoice, int channels) {
  switch (oversamplingChoice) {
    case 0: mOversamplingFactor = 1; break;
    case 1: mOversamplingFactor = 2; break;
    case 2: mOversamplingFactor = 4; break;
    case 3: mOversamplingFactor = 8; break;
    default: break;
  }
  const double perSample = 1.0 / (mRateFactor + kEps);
  const double perSubstep = 1.0 / (static_cast<double>(mOversamplingFactor) * mRateFactor + kEps);
  const double dcGain = 2.0 / (mSampleRate + kEps);
  const int n = std::min(channels, ChannelCount());
  for (int c = 0; c < n; ++c) {
    KolmariChannel& ch = mChannels[static_cast<size_t>(c)];
    ch.reactThreshold = ch.previousInput = ch.decimationSum = ch.outputFeedback = 0.0;
    ch.workSample = ch.previousOutput = ch.feedbackSample = ch.deviation = 0.0;
    ch.outputHistory.fill(0.0);
    ch.shaperHistory.fill(0.0);
    ch.smoothState.fill(0.0);
    ch.smoothGain.fill(0.0);
    ch.smoothFeedback.fill(0.0);
    ch.adaaLastInput.fill(0.0);
    ch.adaaLastIntegral.fill(0.0);
    for (int slot = 0; slot <= 12; ++slot) {
      const double k = (slot == 0 || slot == 12) ? perSample : perSubstep;
      ch.smoothGain[static_cast<size_t>(slot)] = k;
      ch.smoothFeedback[static_cast<size_t>(slot)] = 1.0 - k;
    }
    ch.dcGain = dcGain;
    ch.dcFeedback = 1.0 - dcGain;
    ch.dcState = 0.0;
  }
  mSettingsChanged = false;
}

void KolmariEngine::ComputeBlockSettings(const BlockParameters& p, double sampleRate, int& oversamplingChoice) {
  oversamplingChoice = static_cast<int>(p.oversampling);
  if (oversamplingChoice != mLastOversamplingChoice) mSettingsChanged = true;
  mLastOversamplingChoice = oversamplingChoice;

  mInputFraction = static_cast<float>(p.inputGain / 100.0);
  mDrive = math::PowThree(static_cast<double>(mInputFraction));
  mWetFraction = static_cast<double>(static_cast<float>(p.wet / 100.0));
  if (mWetFraction < 0.0) mWetFraction = 0.0;
  mOutputScale = static_cast<double>(static_cast<float>(p.outputGain / 100.0));

  mBypassOn = std::clamp(static_cast<int>(p.bypass), 0, 1);
  mBiasOffset = 1.5 * static_cast<double>(static_cast<float>(p.bias)) - 0.75;
  mReactOn = static_cast<int>(p.react);

  const double tame = static_cast<double>(static_cast<float>(p.tame));
  mTameLimit = math::PowInt<11>(1.5 * tame) / (mRateFactorHigh + kEps); // the previous block's factor
  mTameBlend = Clamp01(tame);

  mSampleRate = UsableSampleRate(sampleRate);
  mRateFactor = mSampleRate * 2.2675736961451248e-05;
  if (mRateFactor < 1.0) mRateFactor = 1.0;
  if (mRateFactor > 4.5) mRateFactor = 4.5;
  mRateFactorHigh = mSampleRate * 4.5351473922902495e-05;
  if (mRateFactorHigh < 1.0) mRateFactorHigh = 1.0;
  if (mRateFactorHigh > 9.0) mRateFactorHigh = 9.0;
}

double KolmariEngine::DriftDivisorFor(uint32_t draw) {
  float r = static_cast<float>(draw) / 4294967296.0f;
  r = std::min(1.0f, std::max(0.0f, r));
  const double rd = static_cast<double>(r);
  return (1.0 - rd) * 2.0023318412286644 + rd * 2.0011596521816433;
}


void KolmariEngine::ProcessBlock(const BlockParameters& params, double sampleRate, int connectedOutputs,
                                 double* const* inputs, int inputCount, double* const* outputs, int outputCount,
                                 int frames) {
  int oversamplingChoice = 0;
  ComputeBlockSettings(params, sampleRate, oversamplingChoice);
  const int n = std::max(kMinChannels, connectedOutputs);
  if (mSettingsChanged) ReinitialiseSettings(oversamplingChoice, n);
  mDriftDivisor = DriftDivisorFor(mDrift.Next()); // a fresh generator every block

  if (frames <= 0 || !outputs) return;
  const bool delta = static_cast<int>(params.delta) == 1;
  const int channels = std::min({n, ChannelCount(), outputCount});
  const auto inputOf = [&](int c) -> const double* { return (inputs && c < inputCount) ? inputs[c] : nullptr; };

  int c = 0;
#ifdef KOLMARI_HAVE_PAIR
  // The first two channels side by side, unless the buffers are laid out so that processing them
  // together could read an output of one channel where the other channel's input is expected.
  if (mBypassOn != 1 && channels >= 2 && outputs[0] && outputs[1] && !Overlap(outputs[0], outputs[1], frames) &&
      !Overlap(outputs[0], inputOf(1), frames) && !Overlap(outputs[1], inputOf(0), frames)) {
    KolmariChannel* pair[2] = {&mChannels[0], &mChannels[1]};
    const double* in[2] = {inputOf(0), inputOf(1)};
    double* out[2] = {outputs[0], outputs[1]};
    switch (mIsa) {
    case ChainIsa::Avx512: ProcessPairWithAvx512(*this, pair, in, out, frames, delta); break;
    case ChainIsa::Avx2: ProcessPairWithAvx2(*this, pair, in, out, frames, delta); break;
    case ChainIsa::Sse2: ProcessLanes<lanes::Pair, lanes::Isa>(pair, in, out, frames, delta); break;
    }
    c = 2;
  }
#endif
  for (; c < channels; ++c) {
    double* output = outputs[c];
    if (!output) continue;
    KolmariChannel* one[1] = {&mChannels[static_cast<size_t>(c)]};
    const double* in[1] = {inputOf(c)};
    if (mBypassOn == 1) {
      Bypass(*one[0], in[0], output, frames);
    } else {
      switch (mIsa) {
      case ChainIsa::Avx512: ProcessOneWithAvx512(*this, one, in, &output, frames, delta); break;
      case ChainIsa::Avx2: ProcessOneWithAvx2(*this, one, in, &output, frames, delta); break;
      case ChainIsa::Sse2: ProcessLanes<double, lanes::Isa>(one, in, &output, frames, delta); break;
      }
    }
  }
}

void KolmariEngine::Bypass(KolmariChannel& ch, const double* input, double* output, int frames) {
  for (int s = 0; s < frames; ++s) output[s] = input ? input[s] : 0.0;
  // The scalars are cleared for every bypassed sample; once is the same.
  ch.previousInput = ch.decimationSum = ch.workSample = ch.previousOutput = 0.0;
  ch.feedbackSample = ch.deviation = ch.reactThreshold = ch.outputFeedback = 0.0;
  ch.dcState = ch.biquadState1 = ch.biquadState2 = 0.0;
}

} // namespace kolmari
