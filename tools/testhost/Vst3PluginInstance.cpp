#include "Vst3PluginInstance.h"

#include <cstring>
#include <stdexcept>

namespace kolmari::testhost {

using namespace vst3host;

namespace {

std::string FromUtf16(const int16_t* text, size_t n) {
  std::string out;
  for (size_t i = 0; i < n && text[i]; ++i) {
    const auto u = static_cast<uint16_t>(text[i]);
    if (u < 0x80) {
      out += static_cast<char>(u);
    } else if (u < 0x800) {
      out += static_cast<char>(0xC0 | (u >> 6));
      out += static_cast<char>(0x80 | (u & 0x3F));
    } else {
      out += static_cast<char>(0xE0 | (u >> 12));
      out += static_cast<char>(0x80 | ((u >> 6) & 0x3F));
      out += static_cast<char>(0x80 | (u & 0x3F));
    }
  }
  return out;
}

} // namespace

std::unique_ptr<Vst3PluginInstance> Vst3PluginInstance::Load(const std::string& path, std::string& error) {
  try {
    return std::unique_ptr<Vst3PluginInstance>(new Vst3PluginInstance(std::make_shared<Vst3Module>(path)));
  } catch (const std::exception& e) {
    error = e.what();
    return nullptr;
  }
}

std::unique_ptr<Vst3PluginInstance> Vst3PluginInstance::Create(std::shared_ptr<Vst3Module> module, std::string& error) {
  try {
    return std::unique_ptr<Vst3PluginInstance>(new Vst3PluginInstance(std::move(module)));
  } catch (const std::exception& e) {
    error = e.what();
    return nullptr;
  }
}

Vst3PluginInstance::Vst3PluginInstance(std::shared_ptr<Vst3Module> module)
    : mModule(std::move(module)), mPlugin(std::make_unique<Vst3Plugin>(mModule)) {}

std::string Vst3PluginInstance::EffectName() {
  auto** factory = mModule->Factory();
  v3_class_info info{};
  if (Methods<v3_plugin_factory_cpp>(factory).v1.get_class_info(factory, 0, &info) != V3_OK) return "";
  return std::string(info.name, strnlen(info.name, sizeof info.name));
}

std::string Vst3PluginInstance::VendorString() {
  auto** factory = mModule->Factory();
  v3_factory_info info{};
  if (Methods<v3_plugin_factory_cpp>(factory).v1.get_factory_info(factory, &info) != V3_OK) return "";
  return std::string(info.vendor, strnlen(info.vendor, sizeof info.vendor));
}

int32_t Vst3PluginInstance::NumParams() const { return mPlugin->ParameterCount(); }

float Vst3PluginInstance::GetParameter(int32_t index) const {
  if (!ValidIndex(index)) return 0.0f;
  return static_cast<float>(mPlugin->ControllerMethods().get_parameter_normalised(mPlugin->Controller(),
                                                                                  static_cast<uint32_t>(index)));
}

bool Vst3PluginInstance::SetParameter(int32_t index, float value) {
  if (!ValidIndex(index)) return false;
  if (mPlugin->ControllerMethods().set_parameter_normalised(mPlugin->Controller(), static_cast<uint32_t>(index),
                                                            value) != V3_OK) {
    return false;
  }
  mPending.Add(static_cast<uint32_t>(index), 0, value);
  return true;
}

std::string Vst3PluginInstance::ParameterName(int32_t index) { return ValidIndex(index) ? mPlugin->ParameterTitle(index) : ""; }

std::string Vst3PluginInstance::ParameterLabel(int32_t index) {
  v3_param_info info{};
  if (!ValidIndex(index) ||
      mPlugin->ControllerMethods().get_parameter_info(mPlugin->Controller(), index, &info) != V3_OK) {
    return "";
  }
  return FromUtf16(info.units, 128);
}

std::string Vst3PluginInstance::ParameterDisplay(int32_t index) {
  if (!ValidIndex(index)) return "";
  v3_str_128 text{};
  const auto id = static_cast<uint32_t>(index);
  auto& c = mPlugin->ControllerMethods();
  if (c.get_parameter_string_for_value(mPlugin->Controller(), id, c.get_parameter_normalised(mPlugin->Controller(), id),
                                       text) != V3_OK) {
    return "";
  }
  return FromUtf16(text, 128);
}

bool Vst3PluginInstance::SetParameterText(int32_t index, const std::string& text) {
  if (!ValidIndex(index) || text.size() > 127) return false;
  v3_str_128 utf16{};
  for (size_t i = 0; i < text.size(); ++i) utf16[i] = static_cast<int16_t>(static_cast<unsigned char>(text[i]));
  double value = 0.0;
  if (mPlugin->ControllerMethods().get_parameter_value_for_string(mPlugin->Controller(), static_cast<uint32_t>(index),
                                                                  utf16, &value) != V3_OK) {
    return false;
  }
  return SetParameter(index, static_cast<float>(value));
}

std::optional<PluginInstance::Stepping> Vst3PluginInstance::ParameterStepping(int32_t index) {
  v3_param_info info{};
  if (!ValidIndex(index) ||
      mPlugin->ControllerMethods().get_parameter_info(mPlugin->Controller(), index, &info) != V3_OK) {
    return std::nullopt;
  }
  Stepping stepping;
  stepping.wholeNumbers = info.step_count > 0;
  stepping.isSwitch = info.step_count == 1;
  return stepping;
}

bool Vst3PluginInstance::SetFixedSeed(std::optional<uint32_t> seed) {
  return seed ? mPlugin->UseFixedSeed(*seed) : mPlugin->UseSystemSource();
}

std::vector<uint8_t> Vst3PluginInstance::SaveState() {
  try {
    return mPlugin->SaveState();
  } catch (const std::exception&) {
    return {};
  }
}

bool Vst3PluginInstance::LoadState(const std::vector<uint8_t>& bytes) { return mPlugin->LoadState(bytes); }

std::string Vst3PluginInstance::StartAudio(double sampleRate, int32_t blockSize, bool doublePrecision, int32_t channels) {
  StopAudio();
  if (blockSize <= 0 || !mPlugin->Start(2, sampleRate, blockSize, doublePrecision)) return "";
  mRunning = true;
  mDouble = doublePrecision;
  if (channels == 2) return "stereo";
  return "mono into input 1 of 2, silence into the rest, output 1 of 2 kept";
}

void Vst3PluginInstance::StopAudio() {
  mPlugin->Stop();
  mRunning = false;
}

template <typename Sample>
bool Vst3PluginInstance::Render(AudioBuffers<Sample>& inputs, AudioBuffers<Sample>& outputs) {
  if (!mRunning || mDouble != std::is_same_v<Sample, double> || inputs.Channels() < 2 || outputs.Channels() < 2 ||
      inputs.Frames() != outputs.Frames()) {
    return false;
  }
  const v3_result r = mPlugin->Process(inputs.Pointers(), outputs.Pointers(), 2, inputs.Frames(),
                                       mPending.queues.empty() ? nullptr : &mPending);
  mPending.Clear();
  return r == V3_OK;
}

bool Vst3PluginInstance::RenderBlock(AudioBuffers<float>& inputs, AudioBuffers<float>& outputs) {
  return Render(inputs, outputs);
}

bool Vst3PluginInstance::RenderBlock(AudioBuffers<double>& inputs, AudioBuffers<double>& outputs) {
  return Render(inputs, outputs);
}

} // namespace kolmari::testhost
