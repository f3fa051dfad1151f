#include "Lv2PluginInstance.h"

#include "Lv2FixedSeed.h"

#include <lv2/atom/atom.h>
#include <lv2/core/lv2.h>
#include <lv2/presets/presets.h>
#include <lv2/state/state.h>
#include <lv2/urid/urid.h>

#include <algorithm>
#include <cmath>
#include <cstring>

namespace kolmari::testhost {

namespace {

// The rate of an instance that has not rendered yet; StartAudio makes one at the file's rate.
constexpr double kIdleRate = 48000.0;

} // namespace

std::unique_ptr<Lv2PluginInstance> Lv2PluginInstance::Load(const std::string& path, std::string& error) {
  std::shared_ptr<Lv2Bundle> bundle = Lv2Bundle::Load(path, error);
  if (!bundle) return nullptr;
  return Create(std::move(bundle), error);
}

std::unique_ptr<Lv2PluginInstance> Lv2PluginInstance::Create(std::shared_ptr<Lv2Bundle> bundle, std::string& error) {
  if (!bundle) {
    error = "no bundle";
    return nullptr;
  }
  std::unique_ptr<Lv2PluginInstance> instance(new Lv2PluginInstance(std::move(bundle)));
  if (!instance->Instantiate(kIdleRate, error)) return nullptr;
  return instance;
}

Lv2PluginInstance::Lv2PluginInstance(std::shared_ptr<Lv2Bundle> bundle) : mBundle(std::move(bundle)) {
  for (const Lv2ControlPort& port : mBundle->Controls()) mValues.push_back(port.defaultValue);
  mControlOutputValues.assign(mBundle->ControlOutputs().size(), 0.0f);
}

Lv2PluginInstance::~Lv2PluginInstance() {
  StopAudio();
  if (mInstance) lilv_instance_free(mInstance);
}

bool Lv2PluginInstance::Instantiate(double sampleRate, std::string& error) {
  StopAudio();
  if (mInstance) lilv_instance_free(mInstance);
  mInstance = nullptr;
  // The URI map is what nearly every host offers; the plug-in may ignore it.
  const LV2_Feature map{LV2_URID__map, mBundle->Map()};
  const LV2_Feature unmap{LV2_URID__unmap, mBundle->Unmap()};
  const LV2_Feature* features[] = {&map, &unmap, nullptr};
  mInstance = lilv_plugin_instantiate(mBundle->Plugin(), sampleRate, features);
  if (!mInstance) {
    error = mBundle->PluginUri() + " could not be instantiated at " + std::to_string(static_cast<long>(sampleRate)) +
            " Hz (its binary did not load or the plug-in refused)";
    return false;
  }
  mInstanceRate = sampleRate;
  const auto& controls = mBundle->Controls();
  for (size_t i = 0; i < controls.size(); ++i) lilv_instance_connect_port(mInstance, controls[i].index, &mValues[i]);
  const auto& outputs = mBundle->ControlOutputs();
  for (size_t i = 0; i < outputs.size(); ++i)
    lilv_instance_connect_port(mInstance, outputs[i], &mControlOutputValues[i]);
  for (uint32_t port : mBundle->AudioInputs()) lilv_instance_connect_port(mInstance, port, nullptr);
  for (uint32_t port : mBundle->AudioOutputs()) lilv_instance_connect_port(mInstance, port, nullptr);
  if (mSeedRequested && !ApplySeed()) {
    error = "the new instance refused the seed the previous one took";
    return false;
  }
  return true;
}

const Lv2ControlPort* Lv2PluginInstance::Port(int32_t index) const {
  if (index < 0 || index >= NumParams()) return nullptr;
  return &mBundle->Controls()[static_cast<size_t>(index)];
}

float Lv2PluginInstance::GetParameter(int32_t index) const {
  const Lv2ControlPort* port = Port(index);
  return port ? port->Normalize(mValues[static_cast<size_t>(index)]) : 0.0f;
}

bool Lv2PluginInstance::SetParameter(int32_t index, float value) {
  const Lv2ControlPort* port = Port(index);
  if (!port || !std::isfinite(value)) return false;
  // The plug-in reads the port at its next run.
  mValues[static_cast<size_t>(index)] = port->Denormalize(value);
  return true;
}

std::string Lv2PluginInstance::ParameterName(int32_t index) {
  const Lv2ControlPort* port = Port(index);
  return port ? port->name : "";
}

std::string Lv2PluginInstance::ParameterLabel(int32_t index) {
  const Lv2ControlPort* port = Port(index);
  return port ? port->unit : "";
}

std::string Lv2PluginInstance::ParameterDisplay(int32_t index) {
  const Lv2ControlPort* port = Port(index);
  return port ? port->Display(mValues[static_cast<size_t>(index)]) : "";
}

bool Lv2PluginInstance::SetParameterText(int32_t index, const std::string& text) {
  const Lv2ControlPort* port = Port(index);
  const std::optional<float> value = port ? port->Parse(text) : std::nullopt;
  if (!value) return false;
  mValues[static_cast<size_t>(index)] = *value;
  return true;
}

std::optional<PluginInstance::Stepping> Lv2PluginInstance::ParameterStepping(int32_t index) {
  const Lv2ControlPort* port = Port(index);
  if (!port) return std::nullopt;
  Stepping stepping;
  stepping.isSwitch = port->toggled;
  stepping.wholeNumbers = port->integer;
  return stepping;
}

// ---- Fixed seed -------------------------------------------------------------------------------------

bool Lv2PluginInstance::ApplySeed() {
  const auto* extension =
      static_cast<const LumenLv2FixedSeed*>(lilv_instance_get_extension_data(mInstance, LUMEN_LV2_FIXED_SEED_URI));
  return extension && extension->set &&
         extension->set(lilv_instance_get_handle(mInstance), mSeed.has_value(), mSeed.value_or(0));
}

bool Lv2PluginInstance::SetFixedSeed(std::optional<uint32_t> seed) {
  const std::optional<uint32_t> previous = mSeed;
  mSeed = seed;
  if (!mInstance || !ApplySeed()) {
    mSeed = previous;
    return false;
  }
  mSeedRequested = true;
  return true;
}

// ---- State ------------------------------------------------------------------------------------------

std::vector<uint8_t> Lv2PluginInstance::SaveState() {
  if (!mInstance) return {};
  struct Reader {
    Lv2PluginInstance* self;
    LV2_URID floatType;
  } reader{this, mBundle->MapUri(LV2_ATOM__Float)};
  const auto getValue = [](const char* symbol, void* data, uint32_t* size, uint32_t* type) -> const void* {
    auto* r = static_cast<Reader*>(data);
    const auto& controls = r->self->mBundle->Controls();
    for (size_t i = 0; i < controls.size(); ++i) {
      if (controls[i].symbol != symbol) continue;
      *size = sizeof(float);
      *type = r->floatType;
      return &r->self->mValues[i];
    }
    *size = 0;
    *type = 0;
    return nullptr;
  };
  LilvState* state = lilv_state_new_from_instance(mBundle->Plugin(), mInstance, mBundle->Map(), nullptr, nullptr,
                                                  nullptr, nullptr, getValue, &reader, 0, nullptr);
  if (!state) return {};
  lilv_state_set_label(state, "kolmari-render settings");
  char* text = lilv_state_to_string(mBundle->World(), mBundle->Map(), mBundle->Unmap(), state, kStateUri, nullptr);
  lilv_state_free(state);
  if (!text) return {};
  // lilv writes the statements with prefixed names but not the prefixes, which only its own reader
  // knows; declared here, the file is Turtle that any tool reads, as a preset file should be.
  std::string turtle;
  if (!std::strstr(text, "@prefix")) {
    turtle = "@prefix atom: <" LV2_ATOM_PREFIX "> .\n"
             "@prefix lv2: <" LV2_CORE_PREFIX "> .\n"
             "@prefix pset: <" LV2_PRESETS_PREFIX "> .\n"
             "@prefix rdf: <http://www.w3.org/1999/02/22-rdf-syntax-ns#> .\n"
             "@prefix rdfs: <http://www.w3.org/2000/01/rdf-schema#> .\n"
             "@prefix state: <" LV2_STATE_PREFIX "> .\n"
             "@prefix xsd: <http://www.w3.org/2001/XMLSchema#> .\n\n";
  }
  turtle += text;
  lilv_free(text);
  return std::vector<uint8_t>(turtle.begin(), turtle.end());
}

bool Lv2PluginInstance::LoadState(const std::vector<uint8_t>& bytes) {
  // Turtle is text: a NUL byte means some other file (a program chunk, audio).
  if (bytes.empty() || std::find(bytes.begin(), bytes.end(), uint8_t{0}) != bytes.end()) return false;
  const std::string text(bytes.begin(), bytes.end());
  LilvState* state = lilv_state_new_from_string(mBundle->World(), mBundle->Map(), text.c_str());
  if (!state) return false;
  const LilvNode* plugin = lilv_state_get_plugin_uri(state);
  const bool ours = plugin && lilv_node_is_uri(plugin) && mBundle->PluginUri() == lilv_node_as_uri(plugin);
  const bool applied = ours && ApplyPortValues(state);
  lilv_state_free(state);
  return applied;
}

std::vector<Lv2PluginInstance::Preset> Lv2PluginInstance::Presets() const {
  LilvWorld* world = mBundle->World();
  LilvNode* presetClass = lilv_new_uri(world, LV2_PRESETS__Preset);
  LilvNode* label = lilv_new_uri(world, LILV_NS_RDFS "label");
  LilvNode* comment = lilv_new_uri(world, LILV_NS_RDFS "comment");
  std::vector<Preset> presets;
  LilvNodes* related = lilv_plugin_get_related(mBundle->Plugin(), presetClass);
  LILV_FOREACH (nodes, i, related) {
    const LilvNode* node = lilv_nodes_get(related, i);
    if (!lilv_node_is_uri(node)) continue;
    lilv_world_load_resource(world, node);
    Preset preset{lilv_node_as_uri(node), "", ""};
    for (auto [property, text] : {std::pair{label, &preset.label}, std::pair{comment, &preset.comment}}) {
      if (LilvNode* value = lilv_world_get(world, node, property, nullptr)) {
        if (lilv_node_is_string(value)) *text = lilv_node_as_string(value);
        lilv_node_free(value);
      }
    }
    presets.push_back(std::move(preset));
  }
  lilv_nodes_free(related);
  lilv_node_free(comment);
  lilv_node_free(label);
  lilv_node_free(presetClass);
  return presets;
}

bool Lv2PluginInstance::LoadPreset(const std::string& uri) {
  const auto presets = Presets();
  if (std::none_of(presets.begin(), presets.end(), [&](const Preset& p) { return p.uri == uri; })) return false;
  LilvNode* node = lilv_new_uri(mBundle->World(), uri.c_str());
  LilvState* state = lilv_state_new_from_world(mBundle->World(), mBundle->Map(), node);
  lilv_node_free(node);
  if (!state) return false;
  const bool applied = ApplyPortValues(state);
  lilv_state_free(state);
  return applied;
}

bool Lv2PluginInstance::ApplyPortValues(const LilvState* state) {

  // Every value must name one of the control inputs and be one it can hold: a preset that does not
  // fit changes nothing.
  struct Writer {
    Lv2PluginInstance* self;
    std::vector<float> values;
    LV2_URID floatType, doubleType, intType, longType, boolType;
    bool ok = true;
  } writer{this, mValues, mBundle->MapUri(LV2_ATOM__Float), mBundle->MapUri(LV2_ATOM__Double),
           mBundle->MapUri(LV2_ATOM__Int), mBundle->MapUri(LV2_ATOM__Long), mBundle->MapUri(LV2_ATOM__Bool)};
  const auto setValue = [](const char* symbol, void* data, const void* value, uint32_t size, uint32_t type) {
    auto* w = static_cast<Writer*>(data);
    double v = std::nan("");
    if (type == w->floatType && size == sizeof(float)) {
      float f;
      std::memcpy(&f, value, sizeof f);
      v = f;
    } else if (type == w->doubleType && size == sizeof(double)) {
      std::memcpy(&v, value, sizeof v);
    } else if ((type == w->intType || type == w->boolType) && size == sizeof(int32_t)) {
      int32_t i;
      std::memcpy(&i, value, sizeof i);
      v = i;
    } else if (type == w->longType && size == sizeof(int64_t)) {
      int64_t i;
      std::memcpy(&i, value, sizeof i);
      v = static_cast<double>(i);
    }
    const auto& controls = w->self->mBundle->Controls();
    const auto port = std::find_if(controls.begin(), controls.end(),
                                   [&](const Lv2ControlPort& c) { return symbol && c.symbol == symbol; });
    const auto f = static_cast<float>(v);
    if (port == controls.end() || !std::isfinite(v) || port->Constrain(f) != f) {
      w->ok = false;
      return;
    }
    w->values[static_cast<size_t>(port - controls.begin())] = f;
  };
  lilv_state_emit_port_values(state, setValue, &writer);
  if (!writer.ok) return false;
  // Copied into place: the ports keep pointing at these floats.
  std::copy(writer.values.begin(), writer.values.end(), mValues.begin());
  return true;
}

// ---- Audio ------------------------------------------------------------------------------------------

std::string Lv2PluginInstance::StartAudio(double sampleRate, int32_t blockSize, bool doublePrecision,
                                          int32_t channels) {
  StopAudio();
  if (doublePrecision || blockSize <= 0 || !(sampleRate > 0.0)) return "";
  std::string error;
  if (sampleRate != mInstanceRate && !Instantiate(sampleRate, error)) return "";
  if (!mInstance) return "";
  lilv_instance_activate(mInstance);
  mActive = true;
  const int32_t inputs = NumInputs();
  if (channels == inputs) return channels == 2 ? "stereo" : "mono";
  return std::string("mono into input 1 of ") + std::to_string(inputs) + ", silence into the rest, output 1 of " +
         std::to_string(NumOutputs()) + " kept";
}

void Lv2PluginInstance::StopAudio() {
  if (mActive && mInstance) lilv_instance_deactivate(mInstance);
  mActive = false;
}

bool Lv2PluginInstance::RenderBlock(AudioBuffers<float>& inputs, AudioBuffers<float>& outputs) {
  if (!mActive || inputs.Channels() < NumInputs() || outputs.Channels() < NumOutputs() ||
      inputs.Frames() != outputs.Frames()) {
    return false;
  }
  const auto& in = mBundle->AudioInputs();
  const auto& out = mBundle->AudioOutputs();
  for (size_t c = 0; c < in.size(); ++c) lilv_instance_connect_port(mInstance, in[c], inputs.Pointers()[c]);
  for (size_t c = 0; c < out.size(); ++c) lilv_instance_connect_port(mInstance, out[c], outputs.Pointers()[c]);
  lilv_instance_run(mInstance, static_cast<uint32_t>(inputs.Frames()));
  return true;
}

bool Lv2PluginInstance::RenderBlock(AudioBuffers<double>&, AudioBuffers<double>&) { return false; }

} // namespace kolmari::testhost
