#include "SoakScenario.h"

#include "VstEffectOpcodes.h"
#include "VstSpeakerArrangement.h"

#include <algorithm>
#include <cfloat>
#include <cmath>
#include <cstring>
#include <limits>
#include <numbers>
#include <sstream>
#include <utility>

namespace kolmari::soak {

using lumen::vst2::VstSpeakerArrangement;
using testhost::TestHost;

namespace {

constexpr size_t kHistoryLength = 12;
constexpr size_t kChunksKept = 6;
constexpr int kBypass = 0;
constexpr int kSwitchCount = 4;  // Bypass, React, Oversampling, Delta: whole positions only
constexpr double kRates[] = {11025, 22050, 44100, 48000, 88200, 96000, 176400, 192000, 384000};
constexpr int32_t kBlockSizes[] = {1, 16, 64, 128, 256, 512, 1024, 2048, 4096};

template <typename Sample>
bool IsClean(Sample s) {
  return std::isfinite(s) && std::fpclassify(s) != FP_SUBNORMAL;
}

template <typename Sample>
bool SameBits(Sample a, Sample b) {
  return std::memcmp(&a, &b, sizeof(Sample)) == 0;
}

std::string Number(double value) {
  std::ostringstream text;
  text << value;
  return text.str();
}

} // namespace

SoakScenario::SoakScenario(testhost::VstPluginInstance& plugin, uint32_t seed) : mPlugin(plugin), mRandom(seed) {
  Reset(mSampleRate, mBlockSize);
}

void SoakScenario::Note(std::string what) {
  if (!mStep.empty()) mStep += "; ";
  mStep += what;
}

std::string SoakScenario::Step() {
  mStep.clear();
  std::uniform_real_distribution<double> dice(0.0, 1.0);
  if (dice(mRandom) < 0.01) ChangeRateAndBlockSize();
  if (dice(mRandom) < 0.01) ChangeSpeakerArrangement();
  if (dice(mRandom) < 0.02) KeepChunk(dice(mRandom) < 0.7);
  if (dice(mRandom) < 0.015) LoadChunk(dice(mRandom) < 0.7);
  if (dice(mRandom) < 0.005) ChangeProgram();
  if (dice(mRandom) < 0.03) ToggleBypass();
  AutomateParameters();

  // Mostly the block size the host set; sometimes shorter, empty, or longer than it said.
  int32_t frames = mBlockSize;
  const double shape = dice(mRandom);
  if (shape < 0.10) frames = std::uniform_int_distribution<int32_t>(1, mBlockSize)(mRandom);
  else if (shape < 0.11) frames = 0;
  else if (shape < 0.13) frames = std::uniform_int_distribution<int32_t>(mBlockSize, 2 * mBlockSize)(mRandom);

  const double path = dice(mRandom);
  const Call call = path < 0.45 ? Call::Replacing : path < 0.9 ? Call::DoubleReplacing : Call::Accumulating;
  FillInput(frames);
  std::string failure = PlayBlock(frames, call);
  if (!failure.empty()) {
    failure += " (parameters, normalised:";
    for (int i = 0; i < mPlugin.NumParams(); ++i) {
      failure += ' ';
      failure += Number(mPlugin.GetParameter(i));
    }
    failure += ")";
  }

  mHistory.push_back(std::move(mStep));
  if (mHistory.size() > kHistoryLength) mHistory.pop_front();
  return failure;
}

std::string SoakScenario::Settle() {
  mStep.clear();
  Note("settle");
  VstSpeakerArrangement stereo{};
  stereo.type = lumen::vst2::kSpeakerArrStereo;
  stereo.numChannels = 2;
  mPlugin.Suspend();
  mPlugin.SetSpeakerArrangement(&stereo, &stereo);
  mInputs = mOutputs = 2;
  std::string failure;
  // First the largest blocks the scenario plays, in every path: buffers that grow to the largest
  // size seen and keep it are then the same at every checkpoint, and only a leak makes a difference.
  const int32_t largest = kBlockSizes[std::size(kBlockSizes) - 1];
  Reset(kRates[std::size(kRates) - 1], largest);
  for (Call call : {Call::Replacing, Call::DoubleReplacing, Call::Accumulating}) {
    FillInput(2 * largest);
    if (failure.empty()) failure = PlayBlock(2 * largest, call);
  }
  Reset(48000.0, 512);
  // The defaults: the saved first program of a fresh instance would carry them too, but setting
  // them keeps this independent of what chunk happens to be kept.
  const float defaults[] = {0.0f, 0.0f, 0.0f, 0.0f, 0.16f, 0.5f, 0.5f, 100.0f / 120.0f, 0.5f};
  for (int i = 0; i < mPlugin.NumParams() && i < 9; ++i) mPlugin.SetParameter(i, defaults[i]);
  mBypass = false;
  for (int block = 0; block < 8 && failure.empty(); ++block) {
    FillInput(mBlockSize);
    failure = PlayBlock(mBlockSize, block % 2 ? Call::Replacing : Call::DoubleReplacing);
  }
  mPlugin.Host().Recorder().Clear();
  mHistory.push_back(std::move(mStep));
  if (mHistory.size() > kHistoryLength) mHistory.pop_front();
  return failure;
}

void SoakScenario::AutomateParameters() {
  std::uniform_real_distribution<float> any(0.0f, 1.0f);
  std::uniform_real_distribution<double> dice(0.0, 1.0);
  for (int i = 0; i < mPlugin.NumParams(); ++i) {
    if (i == kBypass) continue;  // toggled on its own, so the check knows which it is
    float value = any(mRandom);
    const double kind = dice(mRandom);
    if (i < kSwitchCount && kind < 0.6) {
      const int positions = i == 2 ? 4 : 2;
      value = static_cast<float>(std::uniform_int_distribution<int>(0, positions - 1)(mRandom)) /
              static_cast<float>(positions - 1);
    } else if (kind < 0.65) {
      value = dice(mRandom) < 0.5 ? 0.0f : 1.0f;  // the ends
    } else if (kind < 0.66) {
      // What careless hosts send: out of range, or not a number at all.
      const float odd[] = {-0.5f, 1.5f, std::numeric_limits<float>::quiet_NaN(), std::numeric_limits<float>::infinity()};
      value = odd[std::uniform_int_distribution<int>(0, 3)(mRandom)];
      Note("param " + std::to_string(i) + "=" + Number(value));
    }
    mPlugin.SetParameter(i, value);
  }
}

void SoakScenario::ToggleBypass() {
  mBypass = !mBypass;
  mPlugin.SetParameter(kBypass, mBypass ? 1.0f : 0.0f);
  Note(mBypass ? "bypass on" : "bypass off");
}

void SoakScenario::Reset(double sampleRate, int32_t blockSize) {
  mPlugin.Suspend();
  mPlugin.SetSampleRate(sampleRate);
  mPlugin.SetBlockSize(blockSize);
  mPlugin.Resume();
  mSampleRate = sampleRate;
  mBlockSize = blockSize;
  ++mResets;
}

void SoakScenario::ChangeRateAndBlockSize() {
  const double rate = kRates[std::uniform_int_distribution<size_t>(0, std::size(kRates) - 1)(mRandom)];
  const int32_t size = kBlockSizes[std::uniform_int_distribution<size_t>(0, std::size(kBlockSizes) - 1)(mRandom)];
  Note("reset at " + Number(rate) + " Hz, " + std::to_string(size) + "-frame blocks");
  Reset(rate, size);
}

void SoakScenario::ChangeSpeakerArrangement() {
  // Mono and stereo each way, and now and then three inputs, which the plug-in must refuse.
  const std::pair<int32_t, int32_t> choices[] = {{1, 1}, {1, 2}, {2, 2}, {2, 1}, {3, 2}};
  const auto [in, out] = choices[std::uniform_int_distribution<size_t>(0, std::size(choices) - 1)(mRandom)];
  auto arrangement = [](int32_t channels) {
    VstSpeakerArrangement a{};
    a.type = channels == 1 ? lumen::vst2::kSpeakerArrMono
                           : channels == 2 ? lumen::vst2::kSpeakerArrStereo : lumen::vst2::kSpeakerArr30Music;
    a.numChannels = channels;
    return a;
  };
  VstSpeakerArrangement input = arrangement(in);
  VstSpeakerArrangement output = arrangement(out);
  mPlugin.Suspend();
  const intptr_t taken = mPlugin.SetSpeakerArrangement(&input, &output);
  mPlugin.Resume();
  Note("speakers " + std::to_string(in) + "-" + std::to_string(out) + (taken ? " taken" : " refused"));
  if (taken) {
    mInputs = in;
    mOutputs = out;
  }
}

void SoakScenario::KeepChunk(bool program) {
  auto& kept = program ? mPrograms : mBanks;
  std::vector<uint8_t> chunk = mPlugin.GetChunk(program);
  if (chunk.empty()) return;
  if (kept.size() < kChunksKept) kept.push_back(std::move(chunk));
  else kept[std::uniform_int_distribution<size_t>(0, kept.size() - 1)(mRandom)] = std::move(chunk);
}

void SoakScenario::LoadChunk(bool program) {
  const auto& kept = program ? mPrograms : mBanks;
  std::vector<uint8_t> chunk;
  if (!kept.empty()) chunk = kept[std::uniform_int_distribution<size_t>(0, kept.size() - 1)(mRandom)];
  std::string how = "saved";
  const double damage = std::uniform_real_distribution<double>(0.0, 1.0)(mRandom);
  if (chunk.empty() || damage < 0.1) {
    chunk.resize(std::uniform_int_distribution<size_t>(0, 160)(mRandom));
    for (uint8_t& b : chunk) b = static_cast<uint8_t>(mRandom());
    how = "random";
  } else if (damage < 0.2) {
    chunk.resize(std::uniform_int_distribution<size_t>(0, chunk.size() - 1)(mRandom));
    how = "truncated";
  } else if (damage < 0.3) {
    for (int flips = 0; flips < 4; ++flips)
      chunk[std::uniform_int_distribution<size_t>(0, chunk.size() - 1)(mRandom)] ^= static_cast<uint8_t>(1 + mRandom() % 255);
    how = "damaged";
  }
  const intptr_t answer = mPlugin.SetChunk(chunk, program);
  ++mChunkLoads;
  Note(std::string("load ") + how + (program ? " program" : " bank") + " chunk of " + std::to_string(chunk.size()) +
       " bytes: " + std::to_string(answer));
  LearnBypass();
}

void SoakScenario::ChangeProgram() {
  const int32_t program = std::uniform_int_distribution<int32_t>(-1, mPlugin.NumPrograms())(mRandom);
  mPlugin.Dispatch(lumen::vst2::effSetProgram, 0, program);
  Note("program " + std::to_string(program));
  LearnBypass();
}

// A chunk or program may switch Bypass either way; the check must know which way. A value between
// the positions is set to the nearer one, as a host's automation would.
void SoakScenario::LearnBypass() {
  const float value = mPlugin.GetParameter(kBypass);
  if (value == 0.0f || value == 1.0f) {
    mBypass = value == 1.0f;
    return;
  }
  mBypass = value >= 0.5f;
  mPlugin.SetParameter(kBypass, mBypass ? 1.0f : 0.0f);
  Note("bypass read back " + Number(value) + ", set to " + (mBypass ? "1" : "0"));
}

void SoakScenario::FillInput(int32_t frames) {
  std::uniform_real_distribution<double> dice(0.0, 1.0);
  // A programme-like signal: a slowly wandering sine with some noise, at a level that changes now
  // and then, silent at times (where decaying filter states would turn subnormal).
  if (dice(mRandom) < 0.05) mLevel = dice(mRandom) < 0.2 ? 0.0 : std::pow(10.0, -3.0 + 3.2 * dice(mRandom));
  const double step = 2.0 * std::numbers::pi * (60.0 + 5000.0 * dice(mRandom)) / std::max(mSampleRate, 1.0);
  std::normal_distribution<double> noise(0.0, 0.05);
  mSignal.resize(static_cast<size_t>(mInputs));
  for (int32_t c = 0; c < mInputs; ++c) {
    auto& channel = mSignal[static_cast<size_t>(c)];
    channel.resize(static_cast<size_t>(frames));
    double phase = mPhase;
    for (double& s : channel) {
      s = mLevel * (0.8 * std::sin(phase) + noise(mRandom));
      phase += step;
    }
  }
  mPhase = std::fmod(mPhase + step * frames, 2.0 * std::numbers::pi);

  if (frames > 0 && dice(mRandom) < 0.04) {
    const double bursts[] = {std::numeric_limits<double>::quiet_NaN(), std::numeric_limits<double>::infinity(),
                             -std::numeric_limits<double>::infinity(), 1e30, -1e30, FLT_MAX, 1e300,
                             std::numeric_limits<double>::denorm_min(), 1e-42, -1e-310};
    const double value = bursts[std::uniform_int_distribution<size_t>(0, std::size(bursts) - 1)(mRandom)];
    const int32_t start = std::uniform_int_distribution<int32_t>(0, frames - 1)(mRandom);
    const int32_t length = std::uniform_int_distribution<int32_t>(1, frames - start)(mRandom);
    const int32_t channel = std::uniform_int_distribution<int32_t>(0, mInputs - 1)(mRandom);
    auto& samples = mSignal[static_cast<size_t>(channel)];
    for (int32_t f = start; f < start + length; ++f) samples[static_cast<size_t>(f)] = f % 2 ? value : -value;
    Note("burst of " + Number(value) + " on channel " + std::to_string(channel) + ", frames " + std::to_string(start) +
         ".." + std::to_string(start + length - 1));
  }
}

std::string SoakScenario::PlayBlock(int32_t frames, Call call) {
  lumen::vst2::AEffect* effect = mPlugin.Effect();
  const char* callName = call == Call::Accumulating ? "process" : call == Call::Replacing ? "processReplacing"
                                                                                          : "processDoubleReplacing";
  Note(std::string(callName) + " of " + std::to_string(frames) + " frames at " + Number(mSampleRate) + " Hz, " +
       std::to_string(mInputs) + "-" + std::to_string(mOutputs));
  auto run = [&](auto sample) -> std::string {
    using Sample = decltype(sample);
    // Pointer arrays exactly as long as the arrangement: a mono host passes one entry.
    std::vector<std::vector<Sample>> in(static_cast<size_t>(mInputs)), out(static_cast<size_t>(mOutputs));
    std::vector<Sample*> inPointers, outPointers;
    for (size_t c = 0; c < in.size(); ++c) {
      in[c].assign(mSignal[c].begin(), mSignal[c].end());
      inPointers.push_back(in[c].data());
    }
    for (auto& channel : out) {
      channel.assign(static_cast<size_t>(frames), Sample(0));
      outPointers.push_back(channel.data());
    }
    {
      TestHost::ProcessScope scope(mPlugin.Host());
      if constexpr (std::is_same_v<Sample, double>) {
        effect->processDoubleReplacing(effect, inPointers.data(), outPointers.data(), frames);
      } else if (call == Call::Replacing) {
        effect->processReplacing(effect, inPointers.data(), outPointers.data(), frames);
      } else {
        effect->process(effect, inPointers.data(), outPointers.data(), frames);
      }
    }
    mPlugin.Host().AdvanceTransport(frames);
    return CheckOutput(in, out, frames, call);
  };
  std::string failure = call == Call::DoubleReplacing ? run(double{}) : run(float{});
  ++mBlocks;
  // The test host records every call the plug-in makes; only the audio matters here.
  mPlugin.Host().Recorder().Clear();
  return failure;
}

template <typename Sample>
std::string SoakScenario::CheckOutput(const std::vector<std::vector<Sample>>& in,
                                      const std::vector<std::vector<Sample>>& out, int32_t frames, Call call) const {
  for (size_t c = 0; c < out.size(); ++c) {
    for (int32_t f = 0; f < frames; ++f) {
      const Sample y = out[c][static_cast<size_t>(f)];
      std::ostringstream where;
      where << "channel " << c << ", frame " << f << ": output " << y << " (input "
            << in[std::min(c, in.size() - 1)][static_cast<size_t>(f)] << ")";
      if (mBypass && call != Call::Accumulating && c < in.size()) {
        // Hard bypass: the input itself bit for bit, whatever it is (signed zeros, subnormals).
        const Sample x = in[c][static_cast<size_t>(f)];
        const bool same = SameBits(x, y) || (std::isnan(x) && std::isnan(y));
        if (!same) return "bypassed " + where.str() + " is not the input " + Number(static_cast<double>(x));
        continue;
      }
      if (mBypass) {
        // Accumulated, or an output without an input of its own: finite wherever the input is.
        const Sample x = in[std::min(c, in.size() - 1)][static_cast<size_t>(f)];
        if (!std::isfinite(y) && std::isfinite(x)) return "bypassed " + where.str() + " is not finite";
        continue;
      }
      if (!std::isfinite(y)) return where.str() + " is not finite";
      if (std::fpclassify(y) == FP_SUBNORMAL) return where.str() + " is subnormal";
    }
  }
  return {};
}

} // namespace kolmari::soak
