#pragma once

#include "IEffectAPIBase.h"
#include "IEffectProcessor.h"
#include "IInstanceInfo.h"
#include "IStateBuffer.h"
#include "VstInterface.h"

#include <cstdint>
#include <optional>

namespace lumen {

// The VST 2.4 binding: one object is host binding, processor and editor delegate at once. The host
// sees only its AEffect record; the record's object field leads back here.
//
// Threads: the dispatcher runs on the host's main thread, except effProcessEvents, which comes on
// the audio thread before processing; the three audio entry points run on the audio thread;
// setParameter and getParameter may come on any thread. Nothing here takes a lock or allocates on
// the audio thread.
//
// Texts copied into the host's buffers carry their terminator and are bounded by their sources:
// parameter names and labels by their 32-byte fields, display texts by the 32-character formatting
// limit, preset names by their 256-byte field, and the configured names are short.
class IEffectVST2 : public IEffectAPIBase, public IEffectProcessor {
public:
  static constexpr int kDefaultBlockSize = 512;
  static constexpr int32_t kLastOpcode = vst2::effGetSpeakerArrangement; // 69
  static constexpr intptr_t kVendorAnswer = 0xBEEF;
  static constexpr intptr_t kCockosExtensionsAnswer = static_cast<intptr_t>(0xBEEF0000);
  // The vendor-extension query whether a parameter takes only a few integer steps.
  static constexpr int32_t kVendorQueryFewSteps = 8;

  // Host extension flags: what the host said about itself through capability queries.
  enum HostExtensions : int32_t {
    kHostHasCockosExtensions = 1 << 0,
    kHostHasCockosViewAsConfig = 1 << 1,
  };

  IEffectVST2(const IEffectSettings& settings, const IInstanceInfo& info);
  ~IEffectVST2() override;

  vst2::AEffect* Effect() { return &mEffect; }
  static IEffectVST2* FromEffect(vst2::AEffect* effect);

  // The record's callbacks.
  static intptr_t VSTDispatcher(vst2::AEffect* effect, int32_t opcode, int32_t index, intptr_t value, void* ptr,
                                float opt);
  static void VSTProcess(vst2::AEffect* effect, float** inputs, float** outputs, int32_t frames);
  static void VSTProcessReplacing(vst2::AEffect* effect, float** inputs, float** outputs, int32_t frames);
  static void VSTProcessDoubleReplacing(vst2::AEffect* effect, double** inputs, double** outputs, int32_t frames);
  static void VSTSetParameter(vst2::AEffect* effect, int32_t index, float value);
  static float VSTGetParameter(vst2::AEffect* effect, int32_t index);

  // Host-API operations this binding fills in.
  void InformHostOfPresetChange() override;
  void AdaptToHost() override;
  bool ResizeEditorWindow(int width, int height) override;
  void BeginParamGesture(int paramIndex) override;
  void EndParamGesture(int paramIndex) override;
  void AutomateParam(int paramIndex, double normalized) override;
  // Appended after the host-API operations: the plug-in's answers to vendor extensions and to
  // capability queries the binding does not know. Both answer 0 by default.
  virtual intptr_t VSTVendorSpecific(int32_t index, intptr_t value, void* ptr, float opt);
  virtual intptr_t VSTCanDo(const char* capability);

  // Processor operations this binding fills in.
  bool SendMidiToHost(const IMidiMessage& message) override;
  bool SendSysExToHost(const ISysExMessage& message) override;
  void SetLatency(int samples) override;

  int32_t HostExtensionFlags() const { return mHostExtensions; }
  const vst2::VstSpeakerArrangement& InputArrangement() const { return mInputArrangement; }
  const vst2::VstSpeakerArrangement& OutputArrangement() const { return mOutputArrangement; }

private:
  intptr_t Dispatch(int32_t opcode, int32_t index, intptr_t value, void* ptr, float opt);
  intptr_t CallHost(int32_t opcode, int32_t index = 0, intptr_t value = 0, void* ptr = nullptr, float opt = 0.0f);
  void IdentifyHost();
  intptr_t GetChunk(void** data, bool isProgram);
  intptr_t SetChunk(const void* data, intptr_t size, bool isProgram);
  intptr_t ProcessEvents(const vst2::VstEvents* events);
  intptr_t PinProperties(ERoute direction, int index, vst2::VstPinProperties* properties) const;
  intptr_t SetSpeakerArrangement(const vst2::VstSpeakerArrangement* inputs, const vst2::VstSpeakerArrangement* outputs);
  intptr_t CanDo(const char* capability);
  intptr_t VendorSpecific(int32_t index, intptr_t value, void* ptr, float opt);
  intptr_t FixedSeed(intptr_t request, const void* seed);
  intptr_t ParameterProperties(int index, vst2::VstParameterProperties* properties);
  intptr_t StringToParameter(int index, const char* text);
  intptr_t KeyEvent(bool down, int32_t character, intptr_t virtualKey, float modifiers);
  intptr_t OpenEditorWindow(void* parent);
  intptr_t CloseEditorWindow();
  bool ValidParam(int index) const { return index >= 0 && index < NParams(); }
  void UpdateEditRect();
  void UpdateArrangements();

  // Shared by the three audio entry points.
  template <typename Process>
  static void RunBlock(vst2::AEffect* effect, Process&& process);
  void PrepareBlock();
  void FinishBlock();
  void ReadTransport();

  vst2::ERect mEditRect{};
  vst2::VstSpeakerArrangement mInputArrangement{};
  vst2::VstSpeakerArrangement mOutputArrangement{};
  int32_t mHostExtensions = 0;
  // Hosts keep using the pointer a chunk query returns after the call: each buffer stays valid
  // until the next chunk operation of its kind.
  IStateBuffer mProgramState;
  IStateBuffer mBankState;
  vst2::AEffect mEffect{};
  vst2::audioMasterCallback mHostCallback = nullptr;
};

// Made by the plug-in: its one instance per entry-point call. The entry point serialises calls.
IEffectVST2* MakePlugin(const IInstanceInfo& info);

} // namespace lumen
