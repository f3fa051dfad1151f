#pragma once

#include "Vst3HostObjects.h"

#include <memory>
#include <string>

namespace kolmari::vst3host {

// A loaded VST3 module: the bundle (Name.vst3/Contents/<arch>/Name.so, or .vst3 on Windows) or the
// binary itself, its entry call, and the factory. Unloading releases the factory and calls exit.
class Vst3Module {
public:
  // Throws std::runtime_error with a readable message when the bundle or binary is missing, does
  // not load, or has no factory.
  explicit Vst3Module(const std::string& path);
  ~Vst3Module();
  Vst3Module(const Vst3Module&) = delete;
  Vst3Module& operator=(const Vst3Module&) = delete;

  // The binary inside a bundle path (the path itself when it is a file).
  static std::string BinaryPath(const std::string& path);
  // True for a path that names a VST3 bundle or module (ends in ".vst3").
  static bool IsVst3Path(const std::string& path);

  v3_plugin_factory** Factory() const { return mFactory; }
  // Looks an exported symbol up; null when absent.
  void* Symbol(const char* name) const;
  // The factory's number of classes and the first audio effect class's id.
  bool FirstAudioClass(v3_tuid classId) const;

private:
  void* mHandle = nullptr;
  v3_plugin_factory** mFactory = nullptr;
};

// One instance of the module's first audio class as a host drives it: component, processor and
// controller, initialised with a host context and given a component handler.
class Vst3Plugin {
public:
  explicit Vst3Plugin(std::shared_ptr<Vst3Module> module);
  ~Vst3Plugin();
  Vst3Plugin(const Vst3Plugin&) = delete;
  Vst3Plugin& operator=(const Vst3Plugin&) = delete;

  v3_component** Component() const { return mComponent; }
  v3_audio_processor** Processor() const { return mProcessor; }
  v3_edit_controller** Controller() const { return mController; }
  auto& ComponentMethods() const { return Methods<v3_component_cpp>(mComponent).comp; }
  auto& ProcessorMethods() const { return Methods<v3_audio_processor_cpp>(mProcessor).proc; }
  auto& ControllerMethods() const { return Methods<v3_edit_controller_cpp>(mController).ctrl; }
  HostApplication& Host() { return mHost; }
  ComponentHandler& Handler() { return mHandler; }

  // Sets channels in and out (1 or 2), the rate, the largest block and the sample size, then
  // activates and starts processing. False when the plug-in refused any step.
  bool Start(int channels, double sampleRate, int maxBlock, bool doublePrecision);
  void Stop();
  // One process call over channel-pointer arrays (channels each way), with the given changes.
  v3_result Process(float* const* in, float* const* out, int channels, int frames, ParameterChanges* changes = nullptr);
  v3_result Process(double* const* in, double* const* out, int channels, int frames,
                    ParameterChanges* changes = nullptr);
  uint64_t LastSilenceFlags() const { return mLastSilence; }

  std::vector<uint8_t> SaveState();
  bool LoadState(const std::vector<uint8_t>& bytes);
  // The plug-in's fixed-seed interface: true when it took the seed (or the return to the system
  // source for nullopt-like use through UseSystemSource).
  bool UseFixedSeed(uint32_t seed);
  bool UseSystemSource();
  // Sets a parameter the way a host does between blocks: the controller learns it and the next
  // process call carries it.
  int32_t ParameterCount() const;
  std::string ParameterTitle(int32_t index) const;

private:
  template <typename Sample>
  v3_result ProcessAny(Sample* const* in, Sample* const* out, int channels, int frames, ParameterChanges* changes,
                       int32_t sampleSize);

  std::shared_ptr<Vst3Module> mModule;
  HostApplication mHost;
  ComponentHandler mHandler;
  v3_component** mComponent = nullptr;
  v3_audio_processor** mProcessor = nullptr;
  v3_edit_controller** mController = nullptr;
  bool mStarted = false;
  uint64_t mLastSilence = 0;
};

} // namespace kolmari::vst3host
