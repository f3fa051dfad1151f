#include "IEffectLV2.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace lumen {

namespace {

// The frames one pass of the shared processor takes; it slices them further into its block size.
constexpr uint32_t kMaxFramesPerPass = 1u << 30;
// The block size the processor's scratch is made for: LV2 tells no maximum without a feature, so
// long runs are sliced instead.
constexpr int kLv2BlockSize = 4096;

} // namespace

IEffectLV2::IEffectLV2(const IEffectSettings& settings, const IInstanceInfo& info)
    : IEffectAPIBase(settings, PluginApi::LV2), IEffectProcessor(settings) {
  const int channels = std::clamp(info.channels, 1, std::max(1, MaxChannels(ERoute::Output)));
  mLayout.channels = channels;
  mLayout.params = NParams();
  // The records past the instance's channel count stay unused: a mono instance processes one.
  ConnectChannels(ERoute::Input, 0, MaxChannels(ERoute::Input), false);
  ConnectChannels(ERoute::Output, 0, MaxChannels(ERoute::Output), false);
  ConnectChannels(ERoute::Input, 0, std::min(channels, MaxChannels(ERoute::Input)), true);
  ConnectChannels(ERoute::Output, 0, channels, true);
  SetSampleRate(info.sampleRate);
  SetBlockSize(std::min(kLv2BlockSize, IEffectProcessor::kMaxBlockSize));
  mInputs.assign(static_cast<size_t>(channels), nullptr);
  mOutputs.assign(static_cast<size_t>(channels), nullptr);
  mInputPass.assign(static_cast<size_t>(channels), nullptr);
  mOutputPass.assign(static_cast<size_t>(channels), nullptr);
  mControls.assign(static_cast<size_t>(mLayout.params), nullptr);
  mLastControls.assign(static_cast<size_t>(mLayout.params), std::numeric_limits<float>::quiet_NaN());
  NotifyAllParams(ParamSource::Reset);
}

IEffectLV2::~IEffectLV2() = default;

void IEffectLV2::ConnectPort(uint32_t port, void* data) {
  if (port < mLayout.FirstOutput()) {
    mInputs[port - mLayout.FirstInput()] = static_cast<float*>(data);
  } else if (port < mLayout.FirstControl()) {
    mOutputs[port - mLayout.FirstOutput()] = static_cast<float*>(data);
  } else if (port < mLayout.LatencyPort()) {
    mControls[port - mLayout.FirstControl()] = static_cast<const float*>(data);
  } else if (port == mLayout.LatencyPort()) {
    mLatency = static_cast<float*>(data);
  }
  // Any other port number is not ours: ignored.
}

void IEffectLV2::Activate() {
  if (mActive) return;
  OnReset();
  OnActivate(true);
  mActive = true;
}

void IEffectLV2::Deactivate() {
  if (!mActive) return;
  mActive = false;
  OnActivate(false);
}

void IEffectLV2::ReadControls() {
  // The parameters are described by the plug-in's constructor, after this one: found on first use.
  if (mBypassIndex == -2) mBypassIndex = BypassParamIndex();
  for (int i = 0; i < mLayout.params; ++i) {
    const float* port = mControls[static_cast<size_t>(i)];
    if (!port) continue;
    const float value = *port;
    float& last = mLastControls[static_cast<size_t>(i)];
    // Bitwise unchanged (NaN included) means nothing to do; a NaN is refused by SetParamFromHost.
    if (value == last || (std::isnan(value) && std::isnan(last))) continue;
    last = value;
    double plain = static_cast<double>(value);
    // "enabled": any non-zero value processes; the parameter is its inverse.
    if (i == mBypassIndex && !std::isnan(value)) plain = value != 0.0f ? 0.0 : 1.0;
    SetParamFromHost(i, plain, HostValue::Plain, 0);
  }
}

void IEffectLV2::Run(uint32_t frames) {
  ReadControls();
  if (mLatency) *mLatency = static_cast<float>(std::max(0, Latency()));
  if (!mActive) return;
  // The processor reads the channels its records connect, in order, moved along by the frames
  // already done. A NULL input reads as silence, a NULL output is skipped.
  for (uint32_t done = 0; done < frames;) {
    const uint32_t pass = std::min(frames - done, kMaxFramesPerPass);
    for (size_t c = 0; c < mInputs.size(); ++c) {
      mInputPass[c] = mInputs[c] ? mInputs[c] + done : nullptr;
      mOutputPass[c] = mOutputs[c] ? mOutputs[c] + done : nullptr;
    }
    ProcessReplacing32(mInputPass.data(), mOutputPass.data(), static_cast<int>(pass));
    done += pass;
  }
}

} // namespace lumen
