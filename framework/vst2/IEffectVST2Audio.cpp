// The audio entry points and the parameter pair, with the per-block preparation they share.
#include "IEffectVST2.h"

#include "HostCallGuard.h"

namespace lumen {

using namespace vst2;

namespace {

constexpr intptr_t kWantedTimeInfo = kVstPpqPosValid | kVstTempoValid | kVstBarsValid | kVstCyclePosValid |
                                     kVstTimeSigValid; // 0x3E00

} // namespace

void IEffectVST2::ReadTransport() {
  ITransportInfo transport;
  const auto* info = reinterpret_cast<const VstTimeInfo*>(CallHost(audioMasterGetTime, 0, kWantedTimeInfo));
  if (info) {
    transport.samplePosition = info->samplePos;
    if ((info->flags & kVstPpqPosValid) && info->ppqPos >= 0.0) transport.ppqPosition = info->ppqPos;
    if ((info->flags & kVstTempoValid) && info->tempo > 0.0) transport.tempo = info->tempo;
    if ((info->flags & kVstBarsValid) && info->barStartPos >= 0.0) transport.lastBarStartPpq = info->barStartPos;
    if ((info->flags & kVstCyclePosValid) && info->cycleStartPos >= 0.0 && info->cycleEndPos >= 0.0) {
      transport.cycleStartPpq = info->cycleStartPos;
      transport.cycleEndPpq = info->cycleEndPos;
    }
    if ((info->flags & kVstTimeSigValid) && info->timeSigNumerator > 0 && info->timeSigDenominator > 0) {
      transport.timeSigNumerator = info->timeSigNumerator;
      transport.timeSigDenominator = info->timeSigDenominator;
    }
    transport.transportIsRunning = (info->flags & kVstTransportPlaying) != 0;
    transport.loopEnabled = (info->flags & kVstTransportCycleActive) != 0;
  }
  Transport() = transport;
}

void IEffectVST2::PrepareBlock() {
  if (DoesMidiIn()) CallHost(audioMasterWantMidi);
  ReadTransport();
  SetRenderingOffline(CallHost(audioMasterGetCurrentProcessLevel) == kVstProcessLevelOffline);
  IMidiMessage message;
  while (PopMidiFromEditor(message)) OnMidiMessage(message);
}

void IEffectVST2::FinishBlock() {
  SysExRecord record;
  while (PopSysExFromEditor(record)) SendSysExToHost(record.AsMessage());
}

// Every audio entry point: prepare, process the way the host asked, then send what the editor
// queued for the host.
template <typename Process>
void IEffectVST2::RunBlock(AEffect* effect, Process&& process) {
  IEffectVST2* plugin = FromEffect(effect);
  if (!plugin) return;
  GuardHostCall([&] {
    plugin->PrepareBlock();
    process(*plugin);
    plugin->FinishBlock();
  });
}

void IEffectVST2::VSTProcess(AEffect* effect, float** inputs, float** outputs, int32_t frames) {
  RunBlock(effect, [&](IEffectVST2& p) { p.ProcessAccumulating32(inputs, outputs, frames); });
}

void IEffectVST2::VSTProcessReplacing(AEffect* effect, float** inputs, float** outputs, int32_t frames) {
  RunBlock(effect, [&](IEffectVST2& p) { p.ProcessReplacing32(inputs, outputs, frames); });
}

void IEffectVST2::VSTProcessDoubleReplacing(AEffect* effect, double** inputs, double** outputs, int32_t frames) {
  RunBlock(effect, [&](IEffectVST2& p) { p.ProcessReplacing64(inputs, outputs, frames); });
}

void IEffectVST2::VSTSetParameter(AEffect* effect, int32_t index, float value) {
  IEffectVST2* plugin = FromEffect(effect);
  if (plugin) GuardHostCall(false, [&] { return plugin->SetParamFromHost(index, static_cast<double>(value), HostValue::Normalized); });
}

float IEffectVST2::VSTGetParameter(AEffect* effect, int32_t index) {
  IEffectVST2* plugin = FromEffect(effect);
  if (!plugin || !plugin->ValidParam(index)) return 0.0f;
  const IParam* param = plugin->GetParam(index);
  return static_cast<float>(param->NormalizeValue(param->Value()));
}

} // namespace lumen
