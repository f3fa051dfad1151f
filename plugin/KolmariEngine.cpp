#include "KolmariEngine.h"

#include "KolmariLowpassTable.h"

#include <algorithm>
#include <cmath>
#include <cstring>

namespace kolmari {

namespace {

constexpr double kEps = KolmariEngine::kEpsilon;
constexpr double kGolden = 0.6180339887498949;
constexpr double kGoldenRest = 0.3819660112501051;

// Largest input magnitude the shaping path takes in. Far above any real signal; it keeps every
// intermediate value finite even for the largest doubles a host might hand over.
constexpr double kInputLimit = 1e15;

// Replaces zero and subnormal values by +0.0.
inline double Flush(double v) {
  uint64_t bits;
  std::memcpy(&bits, &v, sizeof bits);
  return (bits & 0x7FF0000000000000ull) == 0 ? 0.0 : v;
}

inline double Clamp01(double v) { return std::min(1.0, std::max(0.0, v)); }

} // namespace

KolmariEngine::KolmariEngine() : mLowpass(kInitialLowpass) { Resize(kMinChannels); }

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
  mDrive = std::pow(3.0, static_cast<double>(mInputFraction));
  mWetFraction = static_cast<double>(static_cast<float>(p.wet / 100.0));
  if (mWetFraction < 0.0) mWetFraction = 0.0;
  mOutputScale = static_cast<double>(static_cast<float>(p.outputGain / 100.0));

  mBypassOn = std::clamp(static_cast<int>(p.bypass), 0, 1);
  mBiasOffset = 1.5 * static_cast<double>(static_cast<float>(p.bias)) - 0.75;
  mReactOn = static_cast<int>(p.react);

  const double tame = static_cast<double>(static_cast<float>(p.tame));
  mTameLimit = std::pow(1.5 * tame, 11.0) / (mRateFactorHigh + kEps); // the previous block's factor
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
  for (int c = 0; c < channels; ++c) {
    double* output = outputs[c];
    if (!output) continue;
    const double* input = (inputs && c < inputCount) ? inputs[c] : nullptr;
    ProcessChannel(mChannels[static_cast<size_t>(c)], c, input, output, frames, delta);
  }
}

void KolmariEngine::ProcessChannel(KolmariChannel& ch, int c, const double* input, double* output, int frames,
                                   bool delta) {
  const int F = mOversamplingFactor;
  const double factor = static_cast<double>(F);
  // F is a power of two, so multiplying by its reciprocal is exactly the division.
  const double perSubstep = 1.0 / factor;
  const double D = mDriftDivisor;
  const double cw = Clamp01(mWetFraction);
  const double levelCompensation = 1.0 - 0.33810717055349726 * static_cast<double>(mInputFraction);
  const double trim = static_cast<double>(mOutputTrim);
  const BiquadCoefficients& lp = mLowpass;

  for (int s = 0; s < frames; ++s) {
    // Read the input once: the output may be the same buffer.
    const double raw = input ? input[s] : 0.0;

    if (mBypassOn == 1) {
      output[s] = raw;
      ch.previousInput = ch.decimationSum = ch.workSample = ch.previousOutput = 0.0;
      ch.feedbackSample = ch.deviation = ch.reactThreshold = ch.outputFeedback = 0.0;
      ch.dcState = ch.biquadState1 = ch.biquadState2 = 0.0;
      continue;
    }

    // A non-finite sample (a host glitch) is taken as silence, and absurdly large ones are limited,
    // so that no filter state or history can turn non-finite.
    const double dry = std::isfinite(raw) ? raw : 0.0;
    const double x = Flush(std::clamp(dry, -kInputLimit, kInputLimit));
    const double xin = x + kEps;

    std::memmove(&ch.stageHistory[1], &ch.stageHistory[0], KolmariChannel::kHistoryDepth * sizeof(double));
    std::memmove(&ch.outputHistory[1], &ch.outputHistory[0], KolmariChannel::kHistoryDepth * sizeof(double));
    std::memmove(&ch.shaperHistory[1], &ch.shaperHistory[0], KolmariChannel::kHistoryDepth * sizeof(double));

    ch.reactThreshold = ch.decimationSum = ch.workSample = ch.deviation = kEps;
    const int tap = std::max(0, static_cast<int>(mRateFactor - 1.0));
    const int d2 = 2 * tap;
    const int d1 = d2 < 1 ? 1 : tap;
    const auto i1 = static_cast<size_t>(d1);
    const auto i2 = static_cast<size_t>(d2);

    for (int k = 0; k < F; ++k) {
      // Interpolating upsampler: walks from the previous input towards the current one.
      const double increment = ch.Smooth(0, xin - ch.previousInput) * perSubstep + kEps;
      const double v = Flush(ch.previousInput + static_cast<double>(k) * increment);

      const double s1 = ch.Smooth(1, ch.shaperHistory[i1]);
      const double s2 = ch.Smooth(2, ch.shaperHistory[i2]);
      ch.workSample = v * mDrive;
      const double y1 = FirstShaper(ch.workSample, s1, s2, c, D);
      const double ys = y1 * levelCompensation;
      const double m = cw * ys + (1.0 - cw) * v;

      const double st3 = ch.Smooth(3, ch.previousOutput);
      const double st4 = ch.Smooth(4, ch.outputHistory[i1]);
      const double st5 = ch.Smooth(5, ch.outputHistory[i2]);

      // Leaky average against the last substep's result.
      const double st6 = ch.Smooth(6, ch.feedbackSample);
      const double p = m - (m - st6) / (D + kEps);
      ch.feedbackSample = Flush(p);

      // Slope gate.
      const double slope = std::abs(st4 - st5);
      const double dev = m - st3;
      const double ratio = Clamp01(std::abs(dev) / (slope + kEps));
      double w0 = ratio * p + (1.0 - ratio) * m;
      if (mReactOn == 1 && std::abs(dev) > ch.reactThreshold) w0 = ratio * w0 + (1.0 - ratio) * m;

      w0 = kGolden * w0 + kGoldenRest * m;

      ch.deviation = dev;
      const double devS = ch.Smooth(7, (dev + 1.0) * 0.5);
      if (mReactOn == 1) {
        const double cs = Clamp01(devS);
        ch.reactThreshold = std::pow(1.0 - ((1.0 - cs) * 0.91213574841 + cs * 0.58223574541), 8.0);
      }

      // Slew limit.
      const double t = ch.reactThreshold;
      const double g = Clamp01((devS - t) / ((t + mTameLimit) / kPhi - t + kEps));
      if (dev > t || -dev > t) {
        const double target = dev > t ? st3 + t : st3 - t;
        w0 = g * target + (1.0 - g) * w0;
        if (mReactOn == 1) {
          const double q = (1.0 - g) * m + g * w0;
          w0 = kGolden * q + kGoldenRest * m;
        }
      }

      // Closeness correction.
      const double a = std::abs(w0 - m);
      const double b = std::abs(w0 - st4);
      if (a > b) {
        const double cc = Clamp01(1.0 - std::abs(a - b));
        w0 = cc * w0 + (1.0 - cc) * m;
      }

      // Bias, first place.
      const double e2 = w0 - st4;
      if (mBiasOffset > 0.0 && e2 > 0.0) {
        const double cb = Clamp01(1.0 - mBiasOffset);
        w0 = cb * w0 + (1.0 - cb) * m;
      }
      if (mBiasOffset < 0.0 && e2 < 0.0) {
        const double cb = Clamp01(1.0 + mBiasOffset);
        w0 = cb * w0 + (1.0 - cb) * m;
      }
      w0 = w0 - e2 / (D + kEps);

      const double z = mTameBlend * w0 + (1.0 - mTameBlend) * m;
      const double y2 = SecondShaper(z * mOutputScale, c);

      // Stage-history blend.
      const double h1 = ch.stageHistory[i1] != 0.0 ? ch.Smooth(8, ch.stageHistory[i1]) : ch.stageHistory[0];
      const double h2 = ch.stageHistory[i2] != 0.0 ? ch.Smooth(9, ch.stageHistory[i2]) : ch.stageHistory[1];
      const double eS = ch.Smooth(10, y2 - h1);
      const double sS = ch.Smooth(11, h1 - h2);
      const double cg = Clamp01(1.0 - y2 / (eS + kEps));
      double w1 = y2;
      if (mReactOn == 0) {
        w1 = (1.0 - cg) * w1 + cg * h1;
      } else if (mReactOn == 1) {
        if (eS > sS) w1 = (1.0 - cg) * w1 + cg * h1;
        if (-eS > sS) w1 = (1.0 - cg) * w1 + cg * h1;
      }
      w1 = 0.2 * w1 + 0.8 * y2;

      // Bias, second place.
      if (mBiasOffset > 0.0 && eS > 0.0) {
        const double cb = Clamp01(1.0 - mBiasOffset);
        w1 = cb * w1 + (1.0 - cb) * y2;
      }
      if (mBiasOffset < 0.0 && eS < 0.0) {
        const double cb = Clamp01(1.0 + mBiasOffset);
        w1 = cb * w1 + (1.0 - cb) * y2;
      }

      ch.stageHistory[0] = w1;
      ch.decimationSum = ch.decimationSum + w1 * perSubstep;
    }

    ch.previousInput = xin;

    // Boxcar decimation.
    double out = trim * ch.decimationSum;
    ch.outputHistory[0] = Flush(out);
    ch.previousOutput = Flush(out);

    // Output scale (attenuation only) and output smoother.
    const double o1 = mOutputScale < 1.0 ? mOutputScale * out : out;
    const double st12 = ch.Smooth(12, o1 - ch.outputFeedback);
    const double o2 = o1 - st12 / (D + kEps);
    ch.outputFeedback = Flush(o2);

    // Bias, third place (weaker).
    if (mBiasOffset > 0.0 && st12 > 0.0) {
      const double cb = Clamp01(1.0 - 0.8 * mBiasOffset);
      out = cb * o2 + (1.0 - cb) * o1;
    } else if (mBiasOffset < 0.0 && st12 < 0.0) {
      const double cb = Clamp01(1.0 + 0.8 * mBiasOffset);
      out = cb * o2 + (1.0 - cb) * o1;
    } else {
      out = o2;
    }

    // DC blocker.
    ch.dcState = ch.dcFeedback * ch.dcState + ch.dcGain * out;
    out = out - ch.dcState;

    // Output lowpass, transposed direct form II.
    const double y = lp.b0 * out + ch.biquadState1;
    ch.biquadState1 = lp.b1 * out - lp.a1 * y + ch.biquadState2;
    ch.biquadState2 = lp.b2 * out - lp.a2 * y;

    double result = SoftClip(y);

    if (mWetFraction < 0.82) {
      const double cw2 = Clamp01(mWetFraction / 0.82);
      result = cw2 * result + (1.0 - cw2) * dry;
    }
    if (delta) result = result - dry;
    // Tails of tiny values (the floors above, a muted output) can end below the smallest normal
    // double; a host must never get those, in either audio path.
    output[s] = Flush(result);
  }
}

} // namespace kolmari
