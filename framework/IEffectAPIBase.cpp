#include "IEffectAPIBase.h"

#include "NumberText.h"
#include "Trace.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <ctime>

namespace lumen {

namespace {

std::string IdentityText(const char* text) {
  std::string s = text ? text : "";
  if (s.size() > IEffectAPIBase::kMaxIdentityText) s.resize(IEffectAPIBase::kMaxIdentityText);
  return s;
}

} // namespace

IEffectAPIBase::IEffectAPIBase(const IEffectSettings& settings, PluginApi api)
    : IEffectBase(settings),
      mPluginName(IdentityText(settings.pluginName)),
      mProductName(IdentityText(settings.productName)),
      mMakerName(IdentityText(settings.makerName)),
      mUniqueId(settings.uniqueId),
      mMakerId(settings.makerId),
      mVersion(settings.version),
      mHasEditor(settings.hasEditor),
      mEditorFlag(settings.editorFlag),
      mIdentifier(IdentityText(settings.identifier)),
      mApi(api),
      mTraceStamp(TraceTimeStamp(std::time(nullptr))) {
  SetEditorSize(settings.editorWidth, settings.editorHeight);
  SetEditorSizeLimits(std::min(settings.minEditorWidth, settings.maxEditorWidth),
                      std::max(settings.minEditorWidth, settings.maxEditorWidth),
                      std::min(settings.minEditorHeight, settings.maxEditorHeight),
                      std::max(settings.minEditorHeight, settings.maxEditorHeight));
}

// The timer goes first: once it is gone, nothing drains the queues any more.
IEffectAPIBase::~IEffectAPIBase() { mTimer.reset(); }

bool IEffectAPIBase::ParamValuesMatch(const double* values, int count) const {
  if (!values || count != NParams()) return false;
  for (int i = 0; i < count; ++i) {
    const float a = static_cast<float>(GetParam(i)->Value());
    const float b = static_cast<float>(values[i]);
    if (std::fabs(a - b) > 1e-5f) return false;
  }
  return true;
}

bool IEffectAPIBase::SupportsSidechain() const { return false; }

bool IEffectAPIBase::SupportsSurround() const { return false; }

void IEffectAPIBase::OnHostKnown() {}

void IEffectAPIBase::ParamIndicesInGroup(const char* groupName, std::vector<int>& out) const {
  if (!groupName) return;
  for (int i = 0; i < NParams(); ++i) {
    if (std::strcmp(GetParam(i)->Group(), groupName) == 0) out.push_back(i);
  }
}

bool IEffectAPIBase::AcceptsExtraBuses(int inputBuses, int outputBuses) const {
  return inputBuses + outputBuses == 0;
}

void IEffectAPIBase::OnHostTransportHook() {}

bool IEffectAPIBase::OnFixedSeed(std::optional<uint32_t>) { return false; }

bool IEffectAPIBase::MidiNoteName(int, std::string& out) const {
  out.clear();
  return false;
}

void IEffectAPIBase::OnIdle() {}

int IEffectAPIBase::CurrentMidiProgram(int& bank, int& program, int& channel) const {
  bank = program = channel = 0;
  return 0;
}

void IEffectAPIBase::SendParamValueToEditor(int paramIndex, double value, bool isNormalized) {
  const IParam* param = GetParam(paramIndex);
  if (!param) return;
  if (isNormalized) value = param->DenormalizeValue(value);
  mParamsToEditor.Push(ParamUpdate{paramIndex, value});
}

void IEffectAPIBase::AdaptToHost() {}

bool IEffectAPIBase::ResizeEditorWindow(int, int) { return false; }

void IEffectAPIBase::BeginParamGesture(int) {}

void IEffectAPIBase::EndParamGesture(int) {}

void IEffectAPIBase::AutomateParam(int, double) {}

void IEffectAPIBase::AnnounceAllParamsToHost() {
  for (int i = 0; i < NParams(); ++i) AutomateParam(i, GetParam(i)->GetNormalized());
}

void IEffectAPIBase::BeginParamGestureFromEditor(int paramIndex) {
  if (!GetParam(paramIndex)) return;
  mSession.OnEditorGestureBegin(paramIndex);
  BeginParamGesture(paramIndex);
}

void IEffectAPIBase::SetParamFromEditor(int paramIndex, double normalized) {
  IParam* param = GetParam(paramIndex);
  if (!param) return;
  const double before = param->Value();
  param->SetFromNormalized(normalized);
  AutomateParam(paramIndex, normalized);
  OnParamChange(paramIndex, ParamSource::UI, -1);
  IEffectBase::SetParamFromEditor(paramIndex, normalized);
  mSession.OnEditorValueSet(paramIndex, before);
}

void IEffectAPIBase::EndParamGestureFromEditor(int paramIndex) {
  if (!GetParam(paramIndex)) return;
  mSession.OnEditorGestureEnd(paramIndex);
  EndParamGesture(paramIndex);
}

void IEffectAPIBase::OnStateRestored() {
  IEffectBase::OnStateRestored();
  mSession.OnStateRestored();
}

bool IEffectAPIBase::EditorResizeRequest(int width, int height, bool needsPlatformResize) {
  if (needsPlatformResize) return ResizeEditorWindow(width, height);
  // The window has its size already (the host chose it): remembered, so that the host's next
  // question for the editor's rectangle gets the size it shows.
  if (width > 0 && height > 0) SetEditorSize(width, height);
  return true;
}

void IEffectAPIBase::SendMidiFromEditor(const IMidiMessage& message) { DeferMidi(message); }

void IEffectAPIBase::SendSysExFromEditor(const ISysExMessage& message) { DeferSysEx(message); }

void IEffectAPIBase::SendMessageFromEditor(int messageTag, int controlTag, int dataSize, const void* data) {
  OnMessage(messageTag, controlTag, dataSize, data);
}

void IEffectAPIBase::DeferMidi(const IMidiMessage& message) { mMidiFromEditor.Push(message); }

void IEffectAPIBase::DeferSysEx(const ISysExMessage& message) {
  mSysExFromEditor.Push(SysExRecord::FromMessage(message));
}

bool IEffectAPIBase::QueueSysExForEditor(const ISysExMessage& message) {
  return mSysExToEditor.Push(SysExRecord::FromMessage(message));
}

void IEffectAPIBase::OnTimer() {
  if (mHasEditor) {
    ParamUpdate update;
    while (mParamsToEditor.Pop(update)) DeliverParamValue(update.index, update.value, false);

    IMidiMessage message;
    while (mMidiToEditor.Pop(message)) DeliverMidi(message);

    while (mSysExToEditor.Pop(mSysExScratch)) DeliverSysEx(mSysExScratch.AsMessage());
  }
  OnIdle();
}

void IEffectAPIBase::SetHost(const char* productString, int32_t version) {
  mHost = HostFromProduct(productString);
  mHostVersion = version;
  const std::string versionText = VersionText(version);
  Trace("lumen::IEffectAPIBase::SetHost", __LINE__, "host_%sknown:%s:%s", mHost == HostId::Unknown ? "un" : "",
        productString ? productString : "", versionText.c_str());
  AdaptToHost();
  OnHostKnown();
}

std::string IEffectAPIBase::VersionText(int32_t packedVersion) {
  const auto v = static_cast<uint32_t>(packedVersion);
  // Appended piece by piece: GCC 12 at -O3 takes "v" + std::string for an overlapping copy
  // (-Wrestrict), which breaks the Release build.
  std::string text = "v";
  text += NumberText::Integer(v >> 16);
  text += '.';
  text += NumberText::Integer((v >> 8) & 0xFF);
  text += '.';
  text += NumberText::Integer(v & 0xFF);
  return text;
}

void* IEffectAPIBase::OpenEditor(void* parent) {
  if (mTimer && mTimerThread != std::this_thread::get_id()) StartIdleTimer();
  // What waits for the editor was meant for one that no longer exists: the new one opens with
  // every present value, and old values delivered afterwards would show until the next change.
  DiscardEditorQueues();
  return IEffectBase::OpenEditor(parent);
}

void IEffectAPIBase::DiscardEditorQueues() {
  ParamUpdate update;
  while (mParamsToEditor.Pop(update)) {
  }
  IMidiMessage message;
  while (mMidiToEditor.Pop(message)) {
  }
  while (mSysExToEditor.Pop(mSysExScratch)) {
  }
}

void IEffectAPIBase::StartIdleTimer() {
  mTimer.reset(); // the old one stops before the new one starts
  mTimer = Timer::Make([this](Timer&) { OnTimer(); }, kIdleTimerPeriodMs);
  mTimerThread = std::this_thread::get_id();
}

} // namespace lumen
