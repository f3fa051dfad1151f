#pragma once

#include "PluginInstance.h"
#include "Vst3Module.h"

#include <memory>

namespace kolmari::testhost {

// A VST3 bundle's first audio effect as a PluginInstance: processor and controller driven as a
// host does. Parameter values set between blocks reach the controller at once and the processor
// as changes at offset 0 of the next block. The buses stay stereo, so a mono file goes into the
// first input with silence in the second, as with the other formats.
class Vst3PluginInstance : public PluginInstance {
public:
  static std::unique_ptr<Vst3PluginInstance> Load(const std::string& path, std::string& error);
  // A further instance from a module already loaded; null with a message in error.
  static std::unique_ptr<Vst3PluginInstance> Create(std::shared_ptr<vst3host::Vst3Module> module, std::string& error);

  std::string FormatName() const override { return "VST3"; }
  std::string EffectName() override;
  std::string VendorString() override;
  int32_t NumParams() const override;
  int32_t NumInputs() const override { return 2; }
  int32_t NumOutputs() const override { return 2; }
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
  bool Supports64Bit() const override { return true; }
  std::string StartAudio(double sampleRate, int32_t blockSize, bool doublePrecision, int32_t channels) override;
  void StopAudio() override;
  bool RenderBlock(AudioBuffers<float>& inputs, AudioBuffers<float>& outputs) override;
  bool RenderBlock(AudioBuffers<double>& inputs, AudioBuffers<double>& outputs) override;
  // A change (normalised value) the next block carries at that sample offset, as automation does.
  void QueueParamValue(int32_t index, double normalized, int32_t offset) {
    mPending.Add(static_cast<uint32_t>(index), offset, normalized);
  }

private:
  Vst3PluginInstance(std::shared_ptr<vst3host::Vst3Module> module);
  bool ValidIndex(int32_t index) const { return index >= 0 && index < NumParams(); }
  template <typename Sample>
  bool Render(AudioBuffers<Sample>& inputs, AudioBuffers<Sample>& outputs);

  std::shared_ptr<vst3host::Vst3Module> mModule;
  std::unique_ptr<vst3host::Vst3Plugin> mPlugin;
  vst3host::ParameterChanges mPending;
  bool mRunning = false;
  bool mDouble = false;
};

} // namespace kolmari::testhost
