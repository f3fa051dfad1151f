#include "IEffectVST2.h"

#include <algorithm>
#include <climits>
#include <cstring>

namespace lumen {

using namespace vst2;

namespace {

// The decimal form hosts show: major * 10000 + minor * 100 + revision.
int32_t DecimalVersion(int32_t packed) {
  return ((packed >> 16) & 0xFFFF) * 10000 + ((packed >> 8) & 0xFF) * 100 + (packed & 0xFF);
}

int32_t ArrangementType(int channels) {
  switch (channels) {
    case 0: return kSpeakerArrEmpty;
    case 1: return kSpeakerArrMono;
    case 2: return kSpeakerArrStereo;
    default: return kSpeakerArrUserDefined;
  }
}

} // namespace

IEffectVST2::IEffectVST2(const IEffectSettings& settings, const IInstanceInfo& info)
    : IEffectAPIBase(settings, PluginApi::VST2), IEffectProcessor(settings), mHostCallback(info.hostCallback) {
  mEffect.magic = kEffectMagic;
  mEffect.object = this;
  mEffect.dispatcher = &IEffectVST2::VSTDispatcher;
  mEffect.process = &IEffectVST2::VSTProcess;
  mEffect.setParameter = &IEffectVST2::VSTSetParameter;
  mEffect.getParameter = &IEffectVST2::VSTGetParameter;
  mEffect.processReplacing = &IEffectVST2::VSTProcessReplacing;
  mEffect.processDoubleReplacing = &IEffectVST2::VSTProcessDoubleReplacing;
  mEffect.numPrograms = settings.nPresets;
  mEffect.numParams = settings.nParams;
  mEffect.numInputs = MaxChannels(ERoute::Input);
  mEffect.numOutputs = MaxChannels(ERoute::Output);
  mEffect.uniqueID = settings.uniqueId;
  mEffect.version = DecimalVersion(settings.version);
  mEffect.ioRatio = 1.0f;
  mEffect.initialDelay = settings.latency;

  mEffect.flags = effFlagsCanReplacing | effFlagsCanDoubleReplacing;
  if (settings.usesStateChunks) mEffect.flags |= effFlagsProgramChunks;
  if (LegalIO(1, -1)) mEffect.flags |= effFlagsCanMono;
  if (settings.plugType == 1) mEffect.flags |= effFlagsIsSynth;

  UpdateArrangements();

  ConnectChannels(ERoute::Input, 0, mEffect.numInputs, true);
  ConnectChannels(ERoute::Output, 0, mEffect.numOutputs, true);
  SetBlockSize(kDefaultBlockSize);

  if (HasEditor()) {
    mEffect.flags |= effFlagsHasEditor;
    UpdateEditRect();
  }
  StartIdleTimer();
}

IEffectVST2::~IEffectVST2() = default;

IEffectVST2* IEffectVST2::FromEffect(AEffect* effect) {
  return effect ? static_cast<IEffectVST2*>(effect->object) : nullptr;
}

intptr_t IEffectVST2::CallHost(int32_t opcode, int32_t index, intptr_t value, void* ptr, float opt) {
  return mHostCallback ? mHostCallback(&mEffect, opcode, index, value, ptr, opt) : 0;
}

void IEffectVST2::UpdateEditRect() {
  mEditRect.top = 0;
  mEditRect.left = 0;
  mEditRect.bottom = static_cast<int16_t>(EditorHeight());
  mEditRect.right = static_cast<int16_t>(EditorWidth());
}

void IEffectVST2::UpdateArrangements() {
  mInputArrangement = VstSpeakerArrangement{};
  mOutputArrangement = VstSpeakerArrangement{};
  mInputArrangement.numChannels = mEffect.numInputs;
  mInputArrangement.type = ArrangementType(mEffect.numInputs);
  mOutputArrangement.numChannels = mEffect.numOutputs;
  mOutputArrangement.type = ArrangementType(mEffect.numOutputs);
}

void IEffectVST2::IdentifyHost() {
  char product[256] = {};
  CallHost(audioMasterGetProductString, 0, 0, product);
  product[sizeof(product) - 1] = '\0'; // a host that fills the whole buffer still gives a string
  int32_t version = 0;
  if (product[0] != '\0') {
    const intptr_t decimal = CallHost(audioMasterGetVendorVersion);
    const auto d = static_cast<int32_t>(std::clamp<intptr_t>(decimal, 0, INT32_MAX));
    version = ((d / 10000) << 16) | (((d % 10000) / 100) << 8) | (d % 100);
  }
  SetHost(product, version);
}

void IEffectVST2::AdaptToHost() {
  const HostId host = Host();
  if (host == HostId::Forte || host == HostId::Audition || host == HostId::Orion || host == HostId::SAWStudio) {
    // These hosts connect only the first two inputs but read every output.
    const int inputs = MaxChannels(ERoute::Input);
    const int outputs = MaxChannels(ERoute::Output);
    if (inputs > 2) ConnectChannels(ERoute::Input, 2, inputs - 2, false);
    if (outputs > 2) ConnectChannels(ERoute::Output, 2, outputs - 2, true);
  }
  mEffect.numInputs = MaxChannels(ERoute::Input);
  mEffect.numOutputs = MaxChannels(ERoute::Output);
  mInputArrangement.numChannels = mEffect.numInputs;
  mOutputArrangement.numChannels = mEffect.numOutputs;
}

void IEffectVST2::InformHostOfPresetChange() { CallHost(audioMasterUpdateDisplay); }

bool IEffectVST2::ResizeEditorWindow(int width, int height) {
  if (!HasEditor() || (width == EditorWidth() && height == EditorHeight())) return false;
  SetEditorSize(width, height);
  UpdateEditRect();
  return CallHost(audioMasterSizeWindow, width, height) != 0;
}

void IEffectVST2::BeginParamGesture(int paramIndex) { CallHost(audioMasterBeginEdit, paramIndex); }

void IEffectVST2::EndParamGesture(int paramIndex) { CallHost(audioMasterEndEdit, paramIndex); }

void IEffectVST2::AutomateParam(int paramIndex, double normalized) {
  CallHost(audioMasterAutomate, paramIndex, 0, nullptr, static_cast<float>(normalized));
}

intptr_t IEffectVST2::VSTVendorSpecific(int32_t, intptr_t, void*, float) { return 0; }

intptr_t IEffectVST2::VSTCanDo(const char*) { return 0; }


bool IEffectVST2::SendMidiToHost(const IMidiMessage& message) {
  VstMidiEvent event{};
  event.type = kVstMidiType;
  event.byteSize = sizeof(VstMidiEvent);
  event.deltaFrames = message.offset;
  event.midiData[0] = static_cast<char>(message.status);
  event.midiData[1] = static_cast<char>(message.data1);
  event.midiData[2] = static_cast<char>(message.data2);
  VstEvents events{};
  events.numEvents = 1;
  events.events[0] = reinterpret_cast<VstEvent*>(&event);
  return CallHost(audioMasterProcessEvents, 0, 0, &events) == 1;
}

bool IEffectVST2::SendSysExToHost(const ISysExMessage& message) {
  VstMidiSysexEvent event{};
  event.type = kVstSysExType;
  event.byteSize = sizeof(VstMidiSysexEvent);
  event.deltaFrames = message.offset;
  event.dumpBytes = message.size;
  event.sysexDump = const_cast<char*>(reinterpret_cast<const char*>(message.data));
  VstEvents events{};
  events.numEvents = 1;
  events.events[0] = reinterpret_cast<VstEvent*>(&event);
  return CallHost(audioMasterProcessEvents, 0, 0, &events) == 1;
}

void IEffectVST2::SetLatency(int samples) {
  IEffectProcessor::SetLatency(samples);
  mEffect.initialDelay = samples;
  CallHost(audioMasterIOChanged);
}

} // namespace lumen
