#pragma once

// What the factory tells a host about the one class this binary holds, before any instance exists.
// The class id is the plug-in's identity in every saved project: it never changes.
//
// The component is processor and edit controller in one object. Both halves are the one plug-in
// instance (IEffectVST3), so the parameters, the state and the editor need no messages between two
// objects, and a host cannot see the two halves disagree. A host asks the component itself for the
// edit controller (getControllerClassId answers that there is no separate class).

#include "base.h"

namespace lumen::vst3 {

inline constexpr v3_tuid kComponentClassId = V3_ID(0x4C4D4644, 0x6F667A6F, 0x8B1D4E2A, 0x9C37A5E1);

inline constexpr const char* kClassName = "Kolmari";
inline constexpr const char* kVendor = "Lumenfold";
inline constexpr const char* kCategory = "Audio Module Class";
inline constexpr const char* kSubCategories = "Fx|Distortion";
inline constexpr const char* kSdkVersion = "VST 3.7.0";
inline constexpr const char* kUrl = "";
inline constexpr const char* kEmail = "";

} // namespace lumen::vst3
