#include "IEffectVST2.h"

namespace lumen {

IEffectVST2::IEffectVST2(const IEffectSettings& settings, const IInstanceInfo& info)
    : IEffectAPIBase(settings, PluginApi::VST2), IEffectProcessor(settings), mHostCallback(info.hostCallback) {
  ConnectChannels(ERoute::Input, 0, MaxChannels(ERoute::Input), true);
  ConnectChannels(ERoute::Output, 0, MaxChannels(ERoute::Output), true);
  SetBlockSize(kDefaultBlockSize);
  StartIdleTimer();
}

IEffectVST2::~IEffectVST2() = default;

bool IEffectVST2::SendMidiToHost(const IMidiMessage&) { return false; }

} // namespace lumen
