#pragma once

// The C VST3 interface definitions this binding is built on, with the few C++ layouts they do not
// provide. Every other file of the binding includes this one rather than the definitions directly.
//
// In C++ an interface record leaves out the three FUnknown entries, so the record the host reads
// is FUnknown followed by the interface: the *_cpp layouts below. An object hands the host the
// address of a slot holding a pointer to such a record.

#include "base.h"
#include "audio_processor.h"
#include "bstream.h"
#include "component.h"
#include "edit_controller.h"
#include "factory.h"
#include "host.h"
#include "view.h"

namespace lumen::vst3 {

struct StreamVtbl : v3_funknown {
  v3_bstream stream;
};

struct ComponentHandlerVtbl : v3_funknown {
  v3_component_handler handler;
};

// The result "yes" and "no" for the calls that answer a question: on Linux "true" is 0.
inline constexpr v3_result kYes = V3_TRUE;
inline constexpr v3_result kNo = V3_FALSE;

// Calls through a host object's record.
template <typename Vtbl, typename Object>
Vtbl& Methods(Object** object) {
  return **reinterpret_cast<Vtbl**>(object);
}

inline uint32_t Ref(void* object) { return (*static_cast<v3_funknown**>(object))->ref(object); }
inline uint32_t Unref(void* object) { return (*static_cast<v3_funknown**>(object))->unref(object); }

} // namespace lumen::vst3
