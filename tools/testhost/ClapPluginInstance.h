#pragma once

// One instance of a CLAP plug-in, driven as a host drives it: created through the factory and
// initialised, activated for a rate and block size, processing started; parameter changes go to
// the plug-in as events, at sample offsets in the next process call while processing, through
// params.flush otherwise. Destroying the object stops, deactivates and destroys the plug-in.
//
// Calls come from the thread that created the object (the host's main thread); process runs on
// it too, inside the host's audio scope.

#include "AudioBuffers.h"
#include "ClapEventLists.h"
#include "ClapPluginLibrary.h"
#include "ClapTestHost.h"
#include "PluginInstance.h"

#include "ext/params.h"
#include "plugin.h"
#include "process.h"

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace kolmari::testhost {

class ClapPluginInstance : public PluginInstance {
public:
  // Creates and initialises the library's first plug-in (or the one with pluginId). Null with a
  // message in error when the factory makes none or init fails.
  // configure, when given, sets up the host before the plug-in is created.
  static std::unique_ptr<ClapPluginInstance> Create(std::shared_ptr<ClapPluginLibrary> library, std::string& error,
                                                    const std::string& pluginId = "",
                                                    const std::function<void(ClapTestHost&)>& configure = {});
  static std::unique_ptr<ClapPluginInstance> Load(const std::string& path, std::string& error);
  ~ClapPluginInstance() override;

  const clap_plugin_t* Plugin() const { return mPlugin; }
  ClapTestHost& Host() { return *mHost; }
  const ClapPluginLibrary& Library() const { return *mLibrary; }
  // The plug-in's extension of that id, or null.
  const void* Extension(const char* id) const;
  template <typename T>
  const T* ExtensionAs(const char* id) const {
    return static_cast<const T*>(Extension(id));
  }

  // Lifecycle.
  bool Activate(double sampleRate, uint32_t minFrames, uint32_t maxFrames);
  void Deactivate();
  bool StartProcessing();
  void StopProcessing();
  // reset, on the audio thread as hosts call it; only while active.
  void Reset();
  bool IsActive() const { return mActive; }
  bool IsProcessing() const { return mProcessing; }

  // Parameters in plain values. A change queued here goes with the next process call at its offset;
  // FlushEvents hands the queue over through params.flush instead.
  std::optional<clap_param_info_t> ParamInfo(int32_t index) const;
  std::optional<double> ParamValue(clap_id id) const;
  void QueueParamValue(clap_id id, double value, uint32_t offset = 0);
  ClapInputEvents& PendingEvents() { return mPending; }
  void FlushEvents();
  std::optional<std::string> ValueToText(clap_id id, double value) const;
  // A value's text as a number and the unit after it (empty when the text is not a number
  // followed by a unit).
  struct ValueText {
    std::string number;
    std::string unit;
  };
  static ValueText SplitUnit(const std::string& text);
  std::string CurrentValueText(int32_t index) const;
  std::optional<double> TextToValue(clap_id id, const std::string& text) const;
  // What the plug-in pushed in process and flush since the last ClearOutputEvents.
  const std::vector<ClapOutputEvent>& OutputEvents() const { return mOutput.Events(); }
  void ClearOutputEvents() { mOutput.Clear(); }

  // State through the plug-in's stream calls. maxChunk bounds what one read or write moves (a
  // stream that hands over a byte at a time); nullopt when the plug-in refused.
  std::optional<std::vector<uint8_t>> SaveStateBytes(size_t maxChunk = SIZE_MAX);
  bool LoadStateBytes(const std::vector<uint8_t>& bytes, size_t maxChunk = SIZE_MAX);

  // One process call: frames of the buffers, in place when outputs is null (the inputs are then
  // written), 32- or 64-bit by the sample type; pending events go along. The status is the
  // plug-in's answer; CLAP_PROCESS_ERROR without a call when the buffers do not fit.
  clap_process_status Process(AudioBuffers<float>& inputs, AudioBuffers<float>* outputs);
  clap_process_status Process(AudioBuffers<double>& inputs, AudioBuffers<double>* outputs);
  // The constant_mask of the last process call's output port.
  uint64_t LastConstantMask() const { return mLastConstantMask; }

  // Fires each timer the plug-in registered, once (the host's timer tick).
  void FireTimers();
  // Calls on_fd for each watched descriptor that is ready now (without waiting), with the
  // conditions that hold among those watched; returns how many calls it made. As a host's loop
  // does: level-triggered, so a descriptor left unread is reported again next time.
  int FireDescriptors();

  // PluginInstance.
  std::string FormatName() const override { return "CLAP"; }
  std::string EffectName() override;
  std::string VendorString() override;
  int32_t NumParams() const override;
  int32_t NumInputs() const override { return mInputChannels; }
  int32_t NumOutputs() const override { return mOutputChannels; }
  float GetParameter(int32_t index) const override;
  bool SetParameter(int32_t index, float value) override;
  std::string ParameterName(int32_t index) override;
  std::string ParameterLabel(int32_t index) override;
  std::string ParameterDisplay(int32_t index) override;
  bool SetParameterText(int32_t index, const std::string& text) override;
  std::optional<Stepping> ParameterStepping(int32_t index) override;
  bool SetFixedSeed(std::optional<uint32_t> seed) override;
  std::vector<uint8_t> SaveState() override;
  bool LoadState(const std::vector<uint8_t>& bytes) override;
  bool Supports64Bit() const override { return mSupports64; }
  std::string StartAudio(double sampleRate, int32_t blockSize, bool doublePrecision, int32_t channels) override;
  void StopAudio() override;
  bool RenderBlock(AudioBuffers<float>& inputs, AudioBuffers<float>& outputs) override;
  bool RenderBlock(AudioBuffers<double>& inputs, AudioBuffers<double>& outputs) override;

private:
  ClapPluginInstance(std::shared_ptr<ClapPluginLibrary> library, std::unique_ptr<ClapTestHost> host);
  template <typename Sample>
  clap_process_status ProcessWith(AudioBuffers<Sample>& inputs, AudioBuffers<Sample>* outputs);
  void ReadPorts();

  std::shared_ptr<ClapPluginLibrary> mLibrary; // outlives mPlugin: the code behind it stays loaded
  std::unique_ptr<ClapTestHost> mHost;          // stable address for the plug-in
  const clap_plugin_t* mPlugin = nullptr;
  const clap_plugin_params_t* mParams = nullptr;
  bool mActive = false;
  bool mProcessing = false;
  int32_t mInputChannels = 0;
  int32_t mOutputChannels = 0;
  bool mSupports64 = false;
  int64_t mSteadyTime = 0;
  uint64_t mLastConstantMask = 0;
  ClapInputEvents mPending;
  ClapOutputEvents mOutput;
};

} // namespace kolmari::testhost
