#include "Vst3Module.h"

#include "Vst3FixedSeed.h"

#include <cstring>
#include <stdexcept>

#ifdef _WIN32
#include <windows.h>
#else
#include <dlfcn.h>
#endif
#include <sys/stat.h>

namespace kolmari::vst3host {

namespace {

bool IsDirectory(const std::string& path) {
  struct stat info {};
  return stat(path.c_str(), &info) == 0 && (info.st_mode & S_IFDIR) != 0;
}

std::string Stem(const std::string& path) {
  std::string p = path;
  while (!p.empty() && (p.back() == '/' || p.back() == '\\')) p.pop_back();
  const size_t slash = p.find_last_of("/\\");
  std::string name = slash == std::string::npos ? p : p.substr(slash + 1);
  const size_t dot = name.rfind('.');
  return dot == std::string::npos ? name : name.substr(0, dot);
}

} // namespace

bool Vst3Module::IsVst3Path(const std::string& path) {
  std::string p = path;
  while (!p.empty() && (p.back() == '/' || p.back() == '\\')) p.pop_back();
  return p.size() > 5 && p.compare(p.size() - 5, 5, ".vst3") == 0;
}

std::string Vst3Module::BinaryPath(const std::string& path) {
  if (!IsDirectory(path)) return path;
#ifdef _WIN32
  return path + "/Contents/x86_64-win/" + Stem(path) + ".vst3";
#else
  return path + "/Contents/x86_64-linux/" + Stem(path) + ".so";
#endif
}

Vst3Module::Vst3Module(const std::string& path) {
  const std::string binary = BinaryPath(path);
  struct stat info {};
  if (stat(binary.c_str(), &info) != 0) throw std::runtime_error("no VST3 module at " + binary);
#ifdef _WIN32
  mHandle = LoadLibraryA(binary.c_str());
  if (!mHandle) throw std::runtime_error("cannot load " + binary);
  using InitFn = bool (*)();
  if (auto init = reinterpret_cast<InitFn>(Symbol("InitDll")); init && !init()) {
    throw std::runtime_error(binary + ": InitDll failed");
  }
#else
  mHandle = dlopen(binary.c_str(), RTLD_NOW | RTLD_LOCAL);
  if (!mHandle) throw std::runtime_error("cannot load " + binary + ": " + dlerror());
  using EntryFn = bool (*)(void*);
  if (auto entry = reinterpret_cast<EntryFn>(Symbol("ModuleEntry")); entry && !entry(mHandle)) {
    dlclose(mHandle);
    throw std::runtime_error(binary + ": ModuleEntry failed");
  }
#endif
  using FactoryFn = v3_plugin_factory** (*)();
  auto getFactory = reinterpret_cast<FactoryFn>(Symbol("GetPluginFactory"));
  mFactory = getFactory ? getFactory() : nullptr;
  if (!mFactory) throw std::runtime_error(binary + " is not a VST3 module (no factory)");
}

Vst3Module::~Vst3Module() {
  if (mFactory) Unref(mFactory);
#ifdef _WIN32
  using ExitFn = bool (*)();
  if (auto exit = reinterpret_cast<ExitFn>(Symbol("ExitDll"))) exit();
  FreeLibrary(static_cast<HMODULE>(mHandle));
#else
  using ExitFn = bool (*)();
  if (auto exit = reinterpret_cast<ExitFn>(Symbol("ModuleExit"))) exit();
  dlclose(mHandle);
#endif
}

void* Vst3Module::Symbol(const char* name) const {
#ifdef _WIN32
  return reinterpret_cast<void*>(GetProcAddress(static_cast<HMODULE>(mHandle), name));
#else
  return dlsym(mHandle, name);
#endif
}

bool Vst3Module::FirstAudioClass(v3_tuid classId) const {
  auto& f = Methods<v3_plugin_factory_cpp>(mFactory).v1;
  const int32_t n = f.num_classes(mFactory);
  for (int32_t i = 0; i < n; ++i) {
    v3_class_info info{};
    if (f.get_class_info(mFactory, i, &info) == V3_OK && std::strcmp(info.category, "Audio Module Class") == 0) {
      std::memcpy(classId, info.class_id, sizeof(v3_tuid));
      return true;
    }
  }
  return false;
}

Vst3Plugin::Vst3Plugin(std::shared_ptr<Vst3Module> module) : mModule(std::move(module)) {
  v3_tuid classId{};
  if (!mModule->FirstAudioClass(classId)) throw std::runtime_error("the module has no audio effect class");
  auto** factory = mModule->Factory();
  void* component = nullptr;
  if (Methods<v3_plugin_factory_cpp>(factory).v1.create_instance(factory, classId, v3_component_iid, &component) != V3_OK ||
      !component) {
    throw std::runtime_error("the module made no component");
  }
  mComponent = static_cast<v3_component**>(component);
  Methods<v3_component_cpp>(mComponent).base.initialize(mComponent, mHost.As<v3_funknown>());
  Methods<v3_component_cpp>(mComponent).query_interface(mComponent, v3_audio_processor_iid,
                                                        reinterpret_cast<void**>(&mProcessor));
  Methods<v3_component_cpp>(mComponent).query_interface(mComponent, v3_edit_controller_iid,
                                                        reinterpret_cast<void**>(&mController));
  if (!mProcessor || !mController) {
    if (mProcessor) Unref(mProcessor);
    if (mController) Unref(mController);
    Methods<v3_component_cpp>(mComponent).base.terminate(mComponent);
    Unref(mComponent);
    throw std::runtime_error("the component is not processor and controller in one");
  }
  ControllerMethods().set_component_handler(mController, mHandler.As<v3_component_handler>());
}

Vst3Plugin::~Vst3Plugin() {
  Stop();
  ControllerMethods().set_component_handler(mController, nullptr);
  Unref(mController);
  Unref(mProcessor);
  Methods<v3_component_cpp>(mComponent).base.terminate(mComponent);
  Unref(mComponent);
}

bool Vst3Plugin::Start(int channels, double sampleRate, int maxBlock, bool doublePrecision) {
  v3_speaker_arrangement arrangement = channels == 1 ? V3_SPEAKER_M : (V3_SPEAKER_L | V3_SPEAKER_R);
  if (ProcessorMethods().set_bus_arrangements(mProcessor, &arrangement, 1, &arrangement, 1) != V3_OK) return false;
  v3_process_setup setup{V3_OFFLINE, doublePrecision ? V3_SAMPLE_64 : V3_SAMPLE_32, maxBlock, sampleRate};
  if (ProcessorMethods().setup_processing(mProcessor, &setup) != V3_OK) return false;
  if (ComponentMethods().set_active(mComponent, 1) != V3_OK) return false;
  ProcessorMethods().set_processing(mProcessor, 1);
  mStarted = true;
  return true;
}

void Vst3Plugin::Stop() {
  if (!mStarted) return;
  ProcessorMethods().set_processing(mProcessor, 0);
  ComponentMethods().set_active(mComponent, 0);
  mStarted = false;
}

template <typename Sample>
v3_result Vst3Plugin::ProcessAny(Sample* const* in, Sample* const* out, int channels, int frames,
                                 ParameterChanges* changes, int32_t sampleSize) {
  v3_audio_bus_buffers inBus{};
  v3_audio_bus_buffers outBus{};
  inBus.num_channels = channels;
  outBus.num_channels = channels;
  if constexpr (std::is_same_v<Sample, float>) {
    inBus.channel_buffers_32 = const_cast<float**>(in);
    outBus.channel_buffers_32 = const_cast<float**>(out);
  } else {
    inBus.channel_buffers_64 = const_cast<double**>(in);
    outBus.channel_buffers_64 = const_cast<double**>(out);
  }
  v3_process_data data{};
  data.process_mode = V3_OFFLINE;
  data.symbolic_sample_size = sampleSize;
  data.nframes = frames;
  data.num_input_buses = 1;
  data.num_output_buses = 1;
  data.inputs = &inBus;
  data.outputs = &outBus;
  data.input_params = changes ? changes->As<v3_param_changes>() : nullptr;
  const v3_result r = ProcessorMethods().process(mProcessor, &data);
  mLastSilence = outBus.channel_silence_bitset;
  return r;
}

v3_result Vst3Plugin::Process(float* const* in, float* const* out, int channels, int frames, ParameterChanges* changes) {
  return ProcessAny(in, out, channels, frames, changes, V3_SAMPLE_32);
}

v3_result Vst3Plugin::Process(double* const* in, double* const* out, int channels, int frames,
                              ParameterChanges* changes) {
  return ProcessAny(in, out, channels, frames, changes, V3_SAMPLE_64);
}

std::vector<uint8_t> Vst3Plugin::SaveState() {
  MemoryStream stream;
  if (ComponentMethods().get_state(mComponent, stream.As<v3_bstream>()) != V3_OK) {
    throw std::runtime_error("the plug-in gave no state");
  }
  return stream.bytes;
}

bool Vst3Plugin::LoadState(const std::vector<uint8_t>& bytes) {
  MemoryStream stream(bytes);
  if (ComponentMethods().set_state(mComponent, stream.As<v3_bstream>()) != V3_OK) return false;
  stream.position = 0;
  ControllerMethods().set_component_state(mController, stream.As<v3_bstream>());
  return true;
}

bool Vst3Plugin::UseFixedSeed(uint32_t seed) {
  FixedSeedVtbl** seedInterface = nullptr;
  if (Methods<v3_component_cpp>(mComponent).query_interface(mComponent, kFixedSeedIid,
                                                            reinterpret_cast<void**>(&seedInterface)) != V3_OK) {
    return false;
  }
  const bool ok = (*seedInterface)->seed.use_fixed_seed(seedInterface, seed) == V3_OK;
  Unref(seedInterface);
  return ok;
}

bool Vst3Plugin::UseSystemSource() {
  FixedSeedVtbl** seedInterface = nullptr;
  if (Methods<v3_component_cpp>(mComponent).query_interface(mComponent, kFixedSeedIid,
                                                            reinterpret_cast<void**>(&seedInterface)) != V3_OK) {
    return false;
  }
  const bool ok = (*seedInterface)->seed.use_system_source(seedInterface) == V3_OK;
  Unref(seedInterface);
  return ok;
}

int32_t Vst3Plugin::ParameterCount() const { return ControllerMethods().get_parameter_count(mController); }

std::string Vst3Plugin::ParameterTitle(int32_t index) const {
  v3_param_info info{};
  if (ControllerMethods().get_parameter_info(mController, index, &info) != V3_OK) return {};
  std::string out;
  for (int i = 0; i < 128 && info.title[i]; ++i) out += static_cast<char>(info.title[i]);
  return out;
}

} // namespace kolmari::vst3host
