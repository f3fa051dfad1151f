#include "IEffectLV2UI.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>

namespace lumen {

IEffectLV2UI::IEffectLV2UI(const IEffectSettings& settings, const IInstanceInfo& info)
    : IEffectAPIBase(settings, PluginApi::LV2), IEffectProcessor(settings) {
  const int channels = std::clamp(info.channels, 1, std::max(1, MaxChannels(ERoute::Output)));
  mLayout.channels = channels;
  mLayout.params = NParams();
  ConnectChannels(ERoute::Input, 0, MaxChannels(ERoute::Input), false);
  ConnectChannels(ERoute::Output, 0, MaxChannels(ERoute::Output), false);
  ConnectChannels(ERoute::Input, 0, std::min(channels, MaxChannels(ERoute::Input)), true);
  ConnectChannels(ERoute::Output, 0, channels, true);
  SetSampleRate(info.sampleRate);
  mInGesture.assign(static_cast<size_t>(mLayout.params), false);
  StartIdleTimer();
}

IEffectLV2UI::~IEffectLV2UI() { Close(); }

void* IEffectLV2UI::Open(const Lv2UiHost& host) {
  mHost = host;
  if (host.scaleFactor > 0.0f) ApplyScreenScale(host.scaleFactor);
  void* window = OpenEditor(host.parent);
  if (!window) return nullptr;
  // The host sizes its window from this; without it a host shows whatever size it guessed.
  int width = 0;
  int height = 0;
  if (mHost.resize && EditorSizeForHost(width, height)) mHost.resize->ui_resize(mHost.resize->handle, width, height);
  return window;
}

void IEffectLV2UI::Close() {
  CloseEditor();
  // A gesture the closing editor left open ends, so that the host does not keep the port held.
  for (int i = 0; i < mLayout.params; ++i) {
    if (mInGesture[static_cast<size_t>(i)]) EndParamGesture(i);
  }
}

float IEffectLV2UI::PortValue(int paramIndex) const {
  const IParam* param = ValidParam(paramIndex) ? GetParam(paramIndex) : nullptr;
  if (!param) return std::numeric_limits<float>::quiet_NaN();
  if (paramIndex == BypassParamIndex()) return param->Value() != 0.0 ? 0.0f : 1.0f;
  return static_cast<float>(param->Value());
}

void IEffectLV2UI::PortEvent(uint32_t port, uint32_t bufferSize, uint32_t format, const void* buffer) {
  if (format != 0 || bufferSize != sizeof(float) || !buffer) return;
  if (port < mLayout.FirstControl() || port >= mLayout.LatencyPort()) return;
  const int index = static_cast<int>(port - mLayout.FirstControl());
  float value = 0.0f;
  std::memcpy(&value, buffer, sizeof value);
  if (std::isnan(value) || mInGesture[static_cast<size_t>(index)] || value == PortValue(index)) return;
  double plain = static_cast<double>(value);
  // "enabled": any non-zero value processes, as the DSP half reads it.
  if (index == BypassParamIndex()) plain = value != 0.0f ? 0.0 : 1.0;
  SetParamFromHost(index, plain, HostValue::Plain);
}

int IEffectLV2UI::Idle() {
  if (mPump.TakeIdleCall(Lv2UiPump::Clock::now())) IdleEditor();
  return 0;
}

bool IEffectLV2UI::ResizeEditorWindow(int width, int height) {
  if (width <= 0 || height <= 0) return false;
  SetEditorSize(width, height);
  return mHost.resize && mHost.resize->ui_resize(mHost.resize->handle, width, height) == 0;
}

void IEffectLV2UI::Touch(int paramIndex, bool grabbed) {
  if (!ValidParam(paramIndex)) return;
  mInGesture[static_cast<size_t>(paramIndex)] = grabbed;
  if (mHost.touch) mHost.touch->touch(mHost.touch->handle, PortOf(paramIndex), grabbed);
}

void IEffectLV2UI::BeginParamGesture(int paramIndex) { Touch(paramIndex, true); }

void IEffectLV2UI::EndParamGesture(int paramIndex) { Touch(paramIndex, false); }

void IEffectLV2UI::AutomateParam(int paramIndex, double) {
  // The parameter holds the new value already: the port gets it in its own units.
  if (!ValidParam(paramIndex) || !mHost.write) return;
  const float value = PortValue(paramIndex);
  mHost.write(mHost.controller, PortOf(paramIndex), sizeof value, 0, &value);
}

} // namespace lumen
