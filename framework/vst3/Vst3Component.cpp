#include "Vst3Component.h"

#include "PluginInstanceMaker.h"
#include "Vst3ClassInfo.h"
#include "Vst3PlugView.h"

#include <cstring>
#include <memory>

namespace lumen::vst3 {

namespace {

Vst3Component* Owner(void* self) { return Vst3Component::FromSelf(self); }
IEffectVST3& PluginOf(void* self) { return Owner(self)->Plugin(); }

constexpr v3_funknown kUnknown = Vst3Component::kUnknown;

v3_result V3_API Initialize(void* self, v3_funknown** context) {
  return Guarded([&] {
    PluginOf(self).Initialize(context);
    return V3_OK;
  });
}
v3_result V3_API Terminate(void* self) {
  return Guarded([&] {
    PluginOf(self).Terminate();
    return V3_OK;
  });
}
constexpr v3_plugin_base kBase{&Initialize, &Terminate};

// IComponent
v3_result V3_API GetControllerClassId(void*, v3_tuid classId) {
  // No separate controller class: the host asks this object for the edit controller.
  if (classId) std::memset(classId, 0, sizeof(v3_tuid));
  return V3_NOT_IMPLEMENTED;
}
v3_result V3_API SetIoMode(void*, int32_t) { return V3_OK; }
int32_t V3_API GetBusCount(void* self, int32_t type, int32_t direction) {
  return PluginOf(self).BusCount(type, direction);
}
v3_result V3_API GetBusInfo(void* self, int32_t type, int32_t direction, int32_t index, v3_bus_info* info) {
  return PluginOf(self).BusInfo(type, direction, index, info);
}
v3_result V3_API GetRoutingInfo(void*, v3_routing_info*, v3_routing_info*) { return V3_NOT_IMPLEMENTED; }
v3_result V3_API ActivateBus(void* self, int32_t type, int32_t direction, int32_t index, v3_bool state) {
  return PluginOf(self).ActivateBus(type, direction, index, state != 0);
}
v3_result V3_API SetActive(void* self, v3_bool state) {
  return Guarded([&] { return PluginOf(self).SetActive(state != 0); });
}
v3_result V3_API SetState(void* self, v3_bstream** stream) {
  return Guarded([&] { return PluginOf(self).SetState(stream); });
}
v3_result V3_API GetState(void* self, v3_bstream** stream) {
  return Guarded([&] { return PluginOf(self).GetState(stream); });
}
constexpr v3_component_cpp kComponent{
    kUnknown, kBase,
    {&GetControllerClassId, &SetIoMode, &GetBusCount, &GetBusInfo, &GetRoutingInfo, &ActivateBus, &SetActive,
     &SetState, &GetState}};

// IAudioProcessor
v3_result V3_API SetBusArrangements(void* self, v3_speaker_arrangement* inputs, int32_t inputCount,
                                    v3_speaker_arrangement* outputs, int32_t outputCount) {
  return PluginOf(self).SetBusArrangements(inputs, inputCount, outputs, outputCount);
}
v3_result V3_API GetBusArrangement(void* self, int32_t direction, int32_t index, v3_speaker_arrangement* arrangement) {
  return PluginOf(self).BusArrangement(direction, index, arrangement);
}
v3_result V3_API CanProcessSampleSize(void*, int32_t size) {
  return size == V3_SAMPLE_32 || size == V3_SAMPLE_64 ? kYes : kNo;
}
uint32_t V3_API GetLatencySamples(void* self) { return static_cast<uint32_t>(PluginOf(self).Latency()); }
v3_result V3_API SetupProcessing(void* self, v3_process_setup* setup) {
  return Guarded([&] { return PluginOf(self).SetupProcessing(setup); });
}
v3_result V3_API SetProcessing(void* self, v3_bool state) { return PluginOf(self).SetProcessing(state != 0); }
v3_result V3_API Process(void* self, v3_process_data* data) {
  return Guarded([&] { return PluginOf(self).Process(data); });
}
uint32_t V3_API GetTailSamples(void* self) { return static_cast<uint32_t>(PluginOf(self).TailSize()); }
constexpr v3_audio_processor_cpp kProcessor{
    kUnknown,
    {&SetBusArrangements, &GetBusArrangement, &CanProcessSampleSize, &GetLatencySamples, &SetupProcessing,
     &SetProcessing, &Process, &GetTailSamples}};

// The edit controller (v3_edit_controller)
v3_result V3_API SetComponentState(void* self, v3_bstream** stream) {
  // The component's state is this object's own: applying it again changes nothing, but the host
  // learns whether the stream was good.
  return Guarded([&] { return PluginOf(self).SetState(stream); });
}
v3_result V3_API SetControllerState(void*, v3_bstream**) { return V3_OK; } // the controller keeps no state of its own
v3_result V3_API GetControllerState(void*, v3_bstream**) { return V3_OK; }
int32_t V3_API GetParameterCount(void* self) { return PluginOf(self).ParameterCount(); }
v3_result V3_API GetParameterInfo(void* self, int32_t index, v3_param_info* info) {
  return PluginOf(self).ParameterInfo(index, info);
}
v3_result V3_API GetParameterStringForValue(void* self, v3_param_id id, double normalized, v3_str_128 out) {
  return Guarded([&] { return PluginOf(self).StringForValue(id, normalized, out); });
}
v3_result V3_API GetParameterValueForString(void* self, v3_param_id id, int16_t* text, double* out) {
  return Guarded([&] { return PluginOf(self).ValueForString(id, text, out); });
}
double V3_API NormalizedToPlain(void* self, v3_param_id id, double normalized) {
  return PluginOf(self).NormalizedToPlain(id, normalized);
}
double V3_API PlainToNormalized(void* self, v3_param_id id, double plain) {
  return PluginOf(self).PlainToNormalized(id, plain);
}
double V3_API GetParameterNormalized(void* self, v3_param_id id) { return PluginOf(self).ParameterNormalized(id); }
v3_result V3_API SetParameterNormalized(void* self, v3_param_id id, double normalized) {
  return Guarded([&] { return PluginOf(self).SetParameterNormalized(id, normalized); });
}
v3_result V3_API SetComponentHandler(void* self, v3_component_handler** handler) {
  PluginOf(self).SetComponentHandler(handler);
  return V3_OK;
}
v3_plugin_view** V3_API CreateView(void* self, const char* name) {
  return GuardHostCall<v3_plugin_view**>(nullptr, [&] { return Vst3PlugView::Create(*Owner(self), name); });
}
constexpr v3_edit_controller_cpp kController{
    kUnknown, kBase,
    {&SetComponentState, &SetControllerState, &GetControllerState, &GetParameterCount, &GetParameterInfo,
     &GetParameterStringForValue, &GetParameterValueForString, &NormalizedToPlain, &PlainToNormalized,
     &GetParameterNormalized, &SetParameterNormalized, &SetComponentHandler, &CreateView}};

// IProcessContextRequirements: the transport fields the plug-in reads.
uint32_t V3_API GetContextRequirements(void*) {
  return V3_PROCESS_CTX_NEED_PROJECT_TIME | V3_PROCESS_CTX_NEED_BAR_POSITION | V3_PROCESS_CTX_NEED_CYCLE |
         V3_PROCESS_CTX_NEED_TEMPO | V3_PROCESS_CTX_NEED_TIME_SIG | V3_PROCESS_CTX_NEED_TRANSPORT_STATE;
}
constexpr v3_process_context_requirements_cpp kContextRequirements{kUnknown, {&GetContextRequirements}};

// Our fixed-seed interface.
v3_result V3_API UseFixedSeed(void* self, uint32_t seed) {
  return PluginOf(self).OnFixedSeed(seed) ? V3_OK : V3_NOT_IMPLEMENTED;
}
v3_result V3_API UseSystemSource(void* self) {
  return PluginOf(self).OnFixedSeed(std::nullopt) ? V3_OK : V3_NOT_IMPLEMENTED;
}
constexpr FixedSeedVtbl kFixedSeed{kUnknown, {&UseFixedSeed, &UseSystemSource}};

} // namespace

Vst3Component::Vst3Component(IEffectVST3* plugin)
    : mComponent{&kComponent, this},
      mProcessor{&kProcessor, this},
      mController{&kController, this},
      mContextRequirements{&kContextRequirements, this},
      mFixedSeed{&kFixedSeed, this},
      mPlugin(plugin) {}

Vst3Component::~Vst3Component() = default;

Vst3Component* Vst3Component::Create() {
  std::unique_ptr<IEffectVST3> plugin = PluginInstanceMaker::Make<IEffectVST3>([] { return MakePlugin(IInstanceInfo{}); });
  return plugin ? GuardHostCall<Vst3Component*>(nullptr, [&] { return new Vst3Component(plugin.release()); }) : nullptr;
}

void* Vst3Component::Interface(const v3_tuid iid) {
  void* slot = nullptr;
  if (v3_tuid_match(iid, v3_funknown_iid) || v3_tuid_match(iid, v3_plugin_base_iid) ||
      v3_tuid_match(iid, v3_component_iid)) {
    slot = &mComponent;
  } else if (v3_tuid_match(iid, v3_audio_processor_iid)) {
    slot = &mProcessor;
  } else if (v3_tuid_match(iid, v3_edit_controller_iid)) {
    slot = &mController;
  } else if (v3_tuid_match(iid, v3_process_context_requirements_iid)) {
    slot = &mContextRequirements;
  } else if (v3_tuid_match(iid, kFixedSeedIid)) {
    slot = &mFixedSeed;
  }
  if (slot) AddRef();
  return slot;
}

} // namespace lumen::vst3
