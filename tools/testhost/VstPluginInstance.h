#pragma once

// One instance of a loaded plug-in, driven the way a host drives it: construction through the entry
// point, then dispatcher calls through the wrappers below, audio through the three process calls,
// and effClose when the instance is closed or destroyed.
//
// Every wrapper is safe to call in any state: on a closed instance, with an index the plug-in does
// not know, or with buffers that do not fit, it answers 0, false, an empty text or an empty optional
// and does not call the plug-in. Text buffers handed to the plug-in are kTextBufferSize bytes and
// zeroed, because plug-ins routinely write more than the interface's nominal lengths.

#include "AudioBuffers.h"
#include "HostSettings.h"
#include "PluginInstance.h"
#include "TestHost.h"
#include "VstPluginLibrary.h"

#include "AEffect.h"
#include "ERect.h"
#include "VstParameterProperties.h"
#include "VstPinProperties.h"
#include "VstSpeakerArrangement.h"

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace kolmari::testhost {

class VstPluginInstance : public PluginInstance {
public:
  static constexpr size_t kTextBufferSize = 512;

  // Calls the library's entry point with a host configured by settings. Null with a message in error
  // if the entry point gives no record or one without the effect magic.
  static std::unique_ptr<VstPluginInstance> Create(std::shared_ptr<VstPluginLibrary> library, std::string& error,
                                                   HostSettings settings = {});
  // Loads the binary and creates one instance of it.
  static std::unique_ptr<VstPluginInstance> Load(const std::string& path, std::string& error,
                                                 HostSettings settings = {});

  ~VstPluginInstance() override;
  VstPluginInstance(const VstPluginInstance&) = delete;
  VstPluginInstance& operator=(const VstPluginInstance&) = delete;

  // The record as the plug-in filled it; null after Close.
  lumen::vst2::AEffect* Effect() const { return mEffect; }
  TestHost& Host() { return *mHost; }
  const VstPluginLibrary& Library() const { return *mLibrary; }
  bool IsOpen() const { return mEffect != nullptr; }

  int32_t NumParams() const override;
  int32_t NumPrograms() const;
  int32_t NumInputs() const override;
  int32_t NumOutputs() const override;
  int32_t Flags() const;
  bool HasFlag(int32_t flag) const { return (Flags() & flag) != 0; }
  int32_t UniqueId() const;
  int32_t Version() const;

  // The raw dispatcher; 0 on a closed instance.
  intptr_t Dispatch(int32_t opcode, int32_t index = 0, intptr_t value = 0, void* ptr = nullptr, float opt = 0.0f);

  // Lifecycle. StartUp is the usual host sequence: effOpen, sample rate, block size, mains on and
  // effStartProcess. Close switches processing off if it is on, then sends effClose; the record is
  // gone afterwards.
  void Open();
  void SetSampleRate(double sampleRate);
  void SetBlockSize(int32_t blockSize);
  void Resume();
  void Suspend();
  void StartUp(double sampleRate, int32_t blockSize);
  void Close();
  bool IsResumed() const { return mResumed; }

  // Identification.
  std::string EffectName() override;
  std::string VendorString() override;
  std::string ProductString();
  intptr_t VendorVersion();
  intptr_t VstVersion();
  intptr_t PlugCategory();
  intptr_t TailSize();
  intptr_t CanDo(const std::string& query);

  // The framework's fixed-seed vendor call (VstFixedSeedCall.h): a seed makes the plug-in's random
  // draws reproducible, none returns it to the operating system's source. True if the plug-in
  // answered the call as one that knows it.
  bool SetFixedSeed(std::optional<uint32_t> seed) override;

  // Parameters.
  float GetParameter(int32_t index) const override;
  bool SetParameter(int32_t index, float value) override;
  std::string ParameterName(int32_t index) override;
  std::string ParameterLabel(int32_t index) override;
  std::string ParameterDisplay(int32_t index) override;
  bool CanBeAutomated(int32_t index);
  // effString2Parameter; the dispatcher's answer (1 if the plug-in took the text).
  intptr_t String2Parameter(int32_t index, const std::string& text);
  std::optional<lumen::vst2::VstParameterProperties> ParameterProperties(int32_t index);

  // Programs.
  int32_t GetProgram();
  void SetProgram(int32_t program);
  std::string ProgramName();
  void SetProgramName(const std::string& name);
  std::string ProgramNameIndexed(int32_t program);

  // State. program = true asks for the current program, false for the whole bank. An empty result
  // means the plug-in gave no chunk. SetChunk returns the dispatcher's answer.
  std::vector<uint8_t> GetChunk(bool program);
  intptr_t SetChunk(const std::vector<uint8_t>& bytes, bool program);

  // Channels.
  std::optional<lumen::vst2::VstPinProperties> InputProperties(int32_t index);
  std::optional<lumen::vst2::VstPinProperties> OutputProperties(int32_t index);
  intptr_t SetSpeakerArrangement(lumen::vst2::VstSpeakerArrangement* input, lumen::vst2::VstSpeakerArrangement* output);
  // (input, output) as the plug-in reports them; empty if it does not.
  std::optional<std::pair<lumen::vst2::VstSpeakerArrangement, lumen::vst2::VstSpeakerArrangement>>
  GetSpeakerArrangement();

  // Editor size, if the plug-in has an editor and reports one.
  std::optional<lumen::vst2::ERect> EditorRect();

  // Audio. inputs must have at least NumInputs channels, outputs at least NumOutputs, both the same
  // length; false (and no call) otherwise, or when the plug-in lacks that path. Process adds into
  // the outputs; the replacing calls overwrite them. ProcessDoubleReplacing needs
  // effFlagsCanDoubleReplacing. After each call the host's transport moves on by the frames.
  bool Process(AudioBuffers<float>& inputs, AudioBuffers<float>& outputs);
  bool ProcessReplacing(AudioBuffers<float>& inputs, AudioBuffers<float>& outputs);
  bool ProcessDoubleReplacing(AudioBuffers<double>& inputs, AudioBuffers<double>& outputs);

  // PluginInstance: the program chunk as state, text through effString2Parameter, audio started
  // offline with the file's speaker arrangement, replacing process calls.
  std::string FormatName() const override { return "VST 2.4"; }
  bool SetParameterText(int32_t index, const std::string& text) override;
  std::optional<Stepping> ParameterStepping(int32_t index) override;
  std::vector<uint8_t> SaveState() override { return GetChunk(true); }
  bool LoadState(const std::vector<uint8_t>& bytes) override { return SetChunk(bytes, true) != 0; }
  bool Supports64Bit() const override;
  std::string StartAudio(double sampleRate, int32_t blockSize, bool doublePrecision, int32_t channels) override;
  void StopAudio() override { Suspend(); }
  bool RenderBlock(AudioBuffers<float>& inputs, AudioBuffers<float>& outputs) override;
  bool RenderBlock(AudioBuffers<double>& inputs, AudioBuffers<double>& outputs) override;

private:
  VstPluginInstance(std::shared_ptr<VstPluginLibrary> library, std::unique_ptr<TestHost> host);

  std::string TextCall(int32_t opcode, int32_t index);
  bool ValidParameter(int32_t index) const { return mEffect && index >= 0 && index < mEffect->numParams; }
  template <typename Sample>
  bool FitsChannels(const AudioBuffers<Sample>& inputs, const AudioBuffers<Sample>& outputs) const;
  // One block through call, one of the effect's process entries, as the host's audio thread; then
  // the transport moves on by the block's frames.
  template <typename Sample>
  void RunBlock(void (*call)(lumen::vst2::AEffect*, Sample**, Sample**, int32_t), AudioBuffers<Sample>& inputs,
                AudioBuffers<Sample>& outputs);

  std::shared_ptr<VstPluginLibrary> mLibrary;  // outlives mEffect: the code behind it stays loaded
  std::unique_ptr<TestHost> mHost;             // stable address for the router
  lumen::vst2::AEffect* mEffect = nullptr;
  bool mResumed = false;
};

} // namespace kolmari::testhost
