#include "VstPluginInstance.h"

#include "HostCallbackRouter.h"

#include "VstEffectOpcodes.h"
#include "VstFixedSeedCall.h"

#include <cstring>
#include <utility>

namespace kolmari::testhost {

using namespace lumen::vst2;

std::unique_ptr<VstPluginInstance> VstPluginInstance::Create(std::shared_ptr<VstPluginLibrary> library,
                                                             std::string& error, HostSettings settings) {
  error.clear();
  if (!library) {
    error = "no plug-in library";
    return nullptr;
  }
  auto host = std::make_unique<TestHost>(std::move(settings));
  AEffect* effect = HostCallbackRouter::Construct(library->Entry(), *host);
  if (!effect) {
    error = library->Path() + ": the entry point returned no effect";
    return nullptr;
  }
  if (effect->magic != kEffectMagic) {
    // Not an effect record: nothing in it can be trusted, not even its dispatcher.
    HostCallbackRouter::Unregister(effect);
    error = library->Path() + ": the entry point returned a record without the effect magic";
    return nullptr;
  }
  std::unique_ptr<VstPluginInstance> instance(new VstPluginInstance(std::move(library), std::move(host)));
  instance->mEffect = effect;
  return instance;
}

std::unique_ptr<VstPluginInstance> VstPluginInstance::Load(const std::string& path, std::string& error,
                                                           HostSettings settings) {
  auto library = VstPluginLibrary::Load(path, error);
  if (!library) return nullptr;
  return Create(std::move(library), error, std::move(settings));
}

VstPluginInstance::VstPluginInstance(std::shared_ptr<VstPluginLibrary> library, std::unique_ptr<TestHost> host)
    : mLibrary(std::move(library)), mHost(std::move(host)) {}

VstPluginInstance::~VstPluginInstance() { Close(); }

int32_t VstPluginInstance::NumParams() const { return mEffect ? mEffect->numParams : 0; }
int32_t VstPluginInstance::NumPrograms() const { return mEffect ? mEffect->numPrograms : 0; }
int32_t VstPluginInstance::NumInputs() const { return mEffect ? mEffect->numInputs : 0; }
int32_t VstPluginInstance::NumOutputs() const { return mEffect ? mEffect->numOutputs : 0; }
int32_t VstPluginInstance::Flags() const { return mEffect ? mEffect->flags : 0; }
int32_t VstPluginInstance::UniqueId() const { return mEffect ? mEffect->uniqueID : 0; }
int32_t VstPluginInstance::Version() const { return mEffect ? mEffect->version : 0; }

intptr_t VstPluginInstance::Dispatch(int32_t opcode, int32_t index, intptr_t value, void* ptr, float opt) {
  if (!mEffect || !mEffect->dispatcher) return 0;
  return mEffect->dispatcher(mEffect, opcode, index, value, ptr, opt);
}

void VstPluginInstance::Open() { Dispatch(effOpen); }

void VstPluginInstance::SetSampleRate(double sampleRate) {
  if (!mEffect) return;
  mHost->SetSampleRate(sampleRate);
  Dispatch(effSetSampleRate, 0, 0, nullptr, static_cast<float>(sampleRate));
}

void VstPluginInstance::SetBlockSize(int32_t blockSize) {
  if (!mEffect) return;
  mHost->SetBlockSize(blockSize);
  Dispatch(effSetBlockSize, 0, blockSize);
}

void VstPluginInstance::Resume() {
  if (!mEffect || mResumed) return;
  Dispatch(effMainsChanged, 0, 1);
  Dispatch(effStartProcess);
  mResumed = true;
}

void VstPluginInstance::Suspend() {
  if (!mEffect || !mResumed) return;
  Dispatch(effStopProcess);
  Dispatch(effMainsChanged, 0, 0);
  mResumed = false;
}

void VstPluginInstance::StartUp(double sampleRate, int32_t blockSize) {
  Open();
  SetSampleRate(sampleRate);
  SetBlockSize(blockSize);
  Resume();
}

void VstPluginInstance::Close() {
  if (!mEffect) return;
  Suspend();
  AEffect* effect = mEffect;
  Dispatch(effClose);
  mEffect = nullptr;
  // Only now: the plug-in may still call back while it tears itself down.
  HostCallbackRouter::Unregister(effect);
}

std::string VstPluginInstance::TextCall(int32_t opcode, int32_t index) {
  char buffer[kTextBufferSize] = {};
  if (!mEffect) return {};
  Dispatch(opcode, index, 0, buffer);
  return std::string(buffer, strnlen(buffer, sizeof buffer));
}

std::string VstPluginInstance::EffectName() { return TextCall(effGetEffectName, 0); }
std::string VstPluginInstance::VendorString() { return TextCall(effGetVendorString, 0); }
std::string VstPluginInstance::ProductString() { return TextCall(effGetProductString, 0); }
intptr_t VstPluginInstance::VendorVersion() { return Dispatch(effGetVendorVersion); }
intptr_t VstPluginInstance::VstVersion() { return Dispatch(effGetVstVersion); }
intptr_t VstPluginInstance::PlugCategory() { return Dispatch(effGetPlugCategory); }
intptr_t VstPluginInstance::TailSize() { return Dispatch(effGetTailSize); }

intptr_t VstPluginInstance::CanDo(const std::string& query) {
  std::vector<char> text(query.begin(), query.end());
  text.push_back('\0');
  return Dispatch(effCanDo, 0, 0, text.data());
}

bool VstPluginInstance::SetFixedSeed(std::optional<uint32_t> seed) {
  if (!seed) return Dispatch(effVendorSpecific, kFixedSeedIndex, kUseSystemSource) == kUseSystemSource;
  uint32_t value = *seed;
  return Dispatch(effVendorSpecific, kFixedSeedIndex, kUseFixedSeed, &value) == kUseFixedSeed;
}

float VstPluginInstance::GetParameter(int32_t index) const {
  if (!ValidParameter(index) || !mEffect->getParameter) return 0.0f;
  return mEffect->getParameter(mEffect, index);
}

bool VstPluginInstance::SetParameter(int32_t index, float value) {
  if (!ValidParameter(index) || !mEffect->setParameter) return false;
  mEffect->setParameter(mEffect, index, value);
  return true;
}

std::string VstPluginInstance::ParameterName(int32_t index) {
  return ValidParameter(index) ? TextCall(effGetParamName, index) : std::string();
}

std::string VstPluginInstance::ParameterLabel(int32_t index) {
  return ValidParameter(index) ? TextCall(effGetParamLabel, index) : std::string();
}

std::string VstPluginInstance::ParameterDisplay(int32_t index) {
  return ValidParameter(index) ? TextCall(effGetParamDisplay, index) : std::string();
}

bool VstPluginInstance::CanBeAutomated(int32_t index) {
  return ValidParameter(index) && Dispatch(effCanBeAutomated, index) != 0;
}

intptr_t VstPluginInstance::String2Parameter(int32_t index, const std::string& text) {
  if (!ValidParameter(index)) return 0;
  // Writable and roomy: some hosts' extensions let the plug-in rewrite the text in place.
  char buffer[kTextBufferSize] = {};
  std::memcpy(buffer, text.data(), std::min(text.size(), sizeof buffer - 1));
  return Dispatch(effString2Parameter, index, 0, buffer);
}

std::optional<VstParameterProperties> VstPluginInstance::ParameterProperties(int32_t index) {
  if (!ValidParameter(index)) return std::nullopt;
  VstParameterProperties properties{};
  if (Dispatch(effGetParameterProperties, index, 0, &properties) == 0) return std::nullopt;
  return properties;
}

int32_t VstPluginInstance::GetProgram() { return static_cast<int32_t>(Dispatch(effGetProgram)); }

void VstPluginInstance::SetProgram(int32_t program) {
  if (program < 0 || program >= NumPrograms()) return;
  Dispatch(effSetProgram, 0, program);
}

std::string VstPluginInstance::ProgramName() { return TextCall(effGetProgramName, 0); }

void VstPluginInstance::SetProgramName(const std::string& name) {
  char buffer[kTextBufferSize] = {};
  std::memcpy(buffer, name.data(), std::min(name.size(), sizeof buffer - 1));
  Dispatch(effSetProgramName, 0, 0, buffer);
}

std::string VstPluginInstance::ProgramNameIndexed(int32_t program) {
  if (program < 0 || program >= NumPrograms()) return {};
  return TextCall(effGetProgramNameIndexed, program);
}

std::vector<uint8_t> VstPluginInstance::GetChunk(bool program) {
  void* data = nullptr;
  const intptr_t size = Dispatch(effGetChunk, program ? 1 : 0, 0, &data);
  if (size <= 0 || !data) return {};
  const auto* bytes = static_cast<const uint8_t*>(data);
  return std::vector<uint8_t>(bytes, bytes + size);
}

intptr_t VstPluginInstance::SetChunk(const std::vector<uint8_t>& bytes, bool program) {
  if (!mEffect) return 0;
  // The plug-in gets its own copy: the interface passes a writable pointer.
  std::vector<uint8_t> copy = bytes;
  return Dispatch(effSetChunk, program ? 1 : 0, static_cast<intptr_t>(copy.size()), copy.empty() ? nullptr : copy.data());
}

std::optional<VstPinProperties> VstPluginInstance::InputProperties(int32_t index) {
  if (index < 0 || index >= NumInputs()) return std::nullopt;
  VstPinProperties properties{};
  if (Dispatch(effGetInputProperties, index, 0, &properties) == 0) return std::nullopt;
  return properties;
}

std::optional<VstPinProperties> VstPluginInstance::OutputProperties(int32_t index) {
  if (index < 0 || index >= NumOutputs()) return std::nullopt;
  VstPinProperties properties{};
  if (Dispatch(effGetOutputProperties, index, 0, &properties) == 0) return std::nullopt;
  return properties;
}

intptr_t VstPluginInstance::SetSpeakerArrangement(VstSpeakerArrangement* input, VstSpeakerArrangement* output) {
  return Dispatch(effSetSpeakerArrangement, 0, reinterpret_cast<intptr_t>(input), output);
}

std::optional<std::pair<VstSpeakerArrangement, VstSpeakerArrangement>> VstPluginInstance::GetSpeakerArrangement() {
  VstSpeakerArrangement* input = nullptr;
  VstSpeakerArrangement* output = nullptr;
  if (Dispatch(effGetSpeakerArrangement, 0, reinterpret_cast<intptr_t>(&input), &output) == 0 || !input || !output)
    return std::nullopt;
  return std::pair{*input, *output};
}

std::optional<ERect> VstPluginInstance::EditorRect() {
  if (!HasFlag(effFlagsHasEditor)) return std::nullopt;
  ERect* rect = nullptr;
  Dispatch(effEditGetRect, 0, 0, &rect);
  if (!rect) return std::nullopt;
  return *rect;
}

template <typename Sample>
bool VstPluginInstance::FitsChannels(const AudioBuffers<Sample>& inputs, const AudioBuffers<Sample>& outputs) const {
  return mEffect && inputs.Channels() >= mEffect->numInputs && outputs.Channels() >= mEffect->numOutputs &&
         inputs.Frames() == outputs.Frames();
}

template <typename Sample>
void VstPluginInstance::RunBlock(void (*call)(AEffect*, Sample**, Sample**, int32_t), AudioBuffers<Sample>& inputs,
                                 AudioBuffers<Sample>& outputs) {
  {
    TestHost::ProcessScope scope(*mHost);
    call(mEffect, inputs.Pointers(), outputs.Pointers(), outputs.Frames());
  }
  mHost->AdvanceTransport(outputs.Frames());
}

bool VstPluginInstance::Process(AudioBuffers<float>& inputs, AudioBuffers<float>& outputs) {
  if (!FitsChannels(inputs, outputs) || !mEffect->process) return false;
  RunBlock(mEffect->process, inputs, outputs);
  return true;
}

bool VstPluginInstance::ProcessReplacing(AudioBuffers<float>& inputs, AudioBuffers<float>& outputs) {
  if (!FitsChannels(inputs, outputs) || !mEffect->processReplacing || !HasFlag(effFlagsCanReplacing)) return false;
  RunBlock(mEffect->processReplacing, inputs, outputs);
  return true;
}

bool VstPluginInstance::ProcessDoubleReplacing(AudioBuffers<double>& inputs, AudioBuffers<double>& outputs) {
  if (!FitsChannels(inputs, outputs) || !mEffect->processDoubleReplacing || !HasFlag(effFlagsCanDoubleReplacing))
    return false;
  RunBlock(mEffect->processDoubleReplacing, inputs, outputs);
  return true;
}

} // namespace kolmari::testhost
