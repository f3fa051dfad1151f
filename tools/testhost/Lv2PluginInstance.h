#pragma once

// An LV2 bundle's plug-in as a PluginInstance, hosted through lilv as a simple host does: the host
// owns one float per control input (the parameters, in port order), the plug-in reads them at each
// run. LV2 fixes the sample rate at instantiation, so StartAudio makes a new instance when the rate
// differs from the current one's. Audio is 32-bit only (LV2 audio ports are float); a mono file goes
// into the first input with silence in the second, as with the other formats.
//
// Parameter text comes from the port data (Lv2ControlPort): the plug-in's own display text has no
// place in LV2. The state is an LV2 preset in Turtle (pset:Preset with one pset:value per control
// port), which is what an LV2 host saves for a plug-in that keeps all its settings in its ports;
// it applies to this plug-in's URI only.
//
// Every call comes from the host's main thread; run happens inside RenderBlock.

#include "Lv2Bundle.h"
#include "PluginInstance.h"

#include <lilv/lilv.h>

#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace kolmari::testhost {

class Lv2PluginInstance : public PluginInstance {
public:
  // Loads the bundle folder and instantiates its plug-in; null with a message in error.
  static std::unique_ptr<Lv2PluginInstance> Load(const std::string& path, std::string& error);
  // A further instance of a bundle already loaded.
  static std::unique_ptr<Lv2PluginInstance> Create(std::shared_ptr<Lv2Bundle> bundle, std::string& error);
  ~Lv2PluginInstance() override;

  const Lv2Bundle& Bundle() const { return *mBundle; }
  // The value of each control output (the latency, say) after the last run, in port order.
  const std::vector<float>& ControlOutputValues() const { return mControlOutputValues; }

  std::string FormatName() const override { return "LV2"; }
  std::string EffectName() override { return mBundle->Name(); }
  std::string VendorString() override { return mBundle->Author(); }
  int32_t NumParams() const override { return static_cast<int32_t>(mValues.size()); }
  int32_t NumInputs() const override { return static_cast<int32_t>(mBundle->AudioInputs().size()); }
  int32_t NumOutputs() const override { return static_cast<int32_t>(mBundle->AudioOutputs().size()); }
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
  bool Supports64Bit() const override { return false; }
  std::string StartAudio(double sampleRate, int32_t blockSize, bool doublePrecision, int32_t channels) override;
  void StopAudio() override;
  bool RenderBlock(AudioBuffers<float>& inputs, AudioBuffers<float>& outputs) override;
  bool RenderBlock(AudioBuffers<double>& inputs, AudioBuffers<double>& outputs) override;

  // The presets the bundle's data offers for this plug-in (pset:Preset applying to its URI): URI,
  // label and comment, in no particular order.
  struct Preset {
    std::string uri;
    std::string label;
    std::string comment;
  };
  std::vector<Preset> Presets() const;
  // Applies one of Presets() by its URI through lilv, as an LV2 host loads a preset: every value
  // must fit its port, or nothing changes and the answer is false.
  bool LoadPreset(const std::string& uri);

  // The URI a saved state carries as its own.
  static constexpr const char* kStateUri = "urn:lumenfold:kolmari-render:settings";

private:
  explicit Lv2PluginInstance(std::shared_ptr<Lv2Bundle> bundle);
  bool Instantiate(double sampleRate, std::string& error);
  const Lv2ControlPort* Port(int32_t index) const;
  bool ApplySeed();
  // Sets the control inputs from a state's port values; false (nothing changed) when one does not fit.
  bool ApplyPortValues(const LilvState* state);

  std::shared_ptr<Lv2Bundle> mBundle;
  LilvInstance* mInstance = nullptr;
  double mInstanceRate = 0.0;
  bool mActive = false;
  std::optional<uint32_t> mSeed;
  bool mSeedRequested = false;
  // The ports' buffers: one float per control input and output, stable for the instance's life.
  std::vector<float> mValues;
  std::vector<float> mControlOutputValues;
};

} // namespace kolmari::testhost
