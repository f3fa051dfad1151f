#pragma once

// One audio input or output as effGetInputProperties/effGetOutputProperties describe it.

#include <cstddef>
#include <cstdint>

#include "VstStringLengths.h"

namespace lumen::vst2 {

enum VstPinPropertiesFlags : int32_t {
  kVstPinIsActive = 1 << 0,
  kVstPinIsStereo = 1 << 1,    // first of a stereo pair
  kVstPinUseSpeaker = 1 << 2,  // arrangementType is valid
};

struct VstPinProperties {
  char label[kVstMaxLabelLen];
  int32_t flags;            // VstPinPropertiesFlags
  int32_t arrangementType;  // VstSpeakerArrangementType
  char shortLabel[kVstMaxShortLabelLen];
  char future[48];
};

static_assert(sizeof(VstPinProperties) == 128);
static_assert(offsetof(VstPinProperties, label) == 0);
static_assert(offsetof(VstPinProperties, flags) == 64);
static_assert(offsetof(VstPinProperties, arrangementType) == 68);
static_assert(offsetof(VstPinProperties, shortLabel) == 72);
static_assert(offsetof(VstPinProperties, future) == 80);

} // namespace lumen::vst2
