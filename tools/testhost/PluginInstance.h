#pragma once

// One instance of a loaded plug-in, whatever its format, as the tools drive it: parameters by index
// and normalised value (0..1) or by text, the plug-in's own state bytes, reproducible processing,
// and audio in blocks. Each format's instance class fills it in; OpenPluginInstance picks the
// format from the file.
//
// Every call is safe in any state: an index the plug-in does not know, buffers that do not fit or
// a plug-in that refuses give 0, false, an empty text or an empty result.

#include "AudioBuffers.h"

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace kolmari::testhost {

class PluginInstance {
public:
  // How a parameter moves: a switch (off/on) and whether it takes only whole numbers.
  struct Stepping {
    bool isSwitch = false;
    bool wholeNumbers = false;
  };

  virtual ~PluginInstance() = default;

  // "VST 2.4", "CLAP", "VST3", "LV2".
  virtual std::string FormatName() const = 0;
  virtual std::string EffectName() = 0;
  virtual std::string VendorString() = 0;

  virtual int32_t NumParams() const = 0;
  virtual int32_t NumInputs() const = 0;
  virtual int32_t NumOutputs() const = 0;

  virtual float GetParameter(int32_t index) const = 0;
  virtual bool SetParameter(int32_t index, float value) = 0;
  virtual std::string ParameterName(int32_t index) = 0;
  // The unit shown after the value ("%"), empty when the value text carries it or there is none.
  virtual std::string ParameterLabel(int32_t index) = 0;
  virtual std::string ParameterDisplay(int32_t index) = 0;
  // The plug-in reads the text as it reads what a user types; true when it took it.
  virtual bool SetParameterText(int32_t index, const std::string& text) = 0;
  virtual std::optional<Stepping> ParameterStepping(int32_t index) = 0;

  // Our fixed-seed call of the format: true when the plug-in knows it and took the request.
  virtual bool SetFixedSeed(std::optional<uint32_t> seed) = 0;

  // The current settings as the plug-in's state bytes (for Kolmari the program chunk, the same in
  // VST 2.4, CLAP and VST3; for LV2 a preset of the port values, which is what LV2 hosts keep);
  // empty when it gives none. LoadState is true when the plug-in took them.
  virtual std::vector<uint8_t> SaveState() = 0;
  virtual bool LoadState(const std::vector<uint8_t>& bytes) = 0;

  // Audio. Stopped, then started for offline rendering at the rate and block size, as 64-bit
  // processing or 32-bit, for a file of that many channels; the answer says how the file's
  // channels meet the plug-in's ("stereo", "mono", ...), empty when the plug-in refused to start.
  virtual bool Supports64Bit() const = 0;
  virtual std::string StartAudio(double sampleRate, int32_t blockSize, bool doublePrecision, int32_t channels) = 0;
  virtual void StopAudio() = 0;
  // One block, replacing the outputs; false (and no call) when the buffers do not fit.
  virtual bool RenderBlock(AudioBuffers<float>& inputs, AudioBuffers<float>& outputs) = 0;
  virtual bool RenderBlock(AudioBuffers<double>& inputs, AudioBuffers<double>& outputs) = 0;
};

// Loads the binary at path and opens one instance: a ".clap" file as CLAP, a ".vst3" bundle (or
// module) as VST3, a ".lv2" bundle folder as LV2 (where the build has lilv), anything else as
// VST 2.4. Null with a message in error when the file cannot be loaded or holds no plug-in.
std::unique_ptr<PluginInstance> OpenPluginInstance(const std::string& path, std::string& error);

// True for a file name the CLAP side opens.
bool IsClapPath(const std::string& path);

} // namespace kolmari::testhost
