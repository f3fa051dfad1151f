#pragma once

// The name of one key (note) of a MIDI program, asked for with effGetMidiKeyName.

#include <cstddef>
#include <cstdint>

#include "VstStringLengths.h"

namespace lumen::vst2 {

struct MidiKeyName {
  int32_t thisProgramIndex;  // in: the MIDI program
  int32_t thisKeyNumber;     // in: the key, 0..127
  char keyName[kVstMaxNameLen];  // out
  int32_t reserved;
  int32_t flags;
};

static_assert(sizeof(MidiKeyName) == 80);
static_assert(offsetof(MidiKeyName, thisProgramIndex) == 0);
static_assert(offsetof(MidiKeyName, thisKeyNumber) == 4);
static_assert(offsetof(MidiKeyName, keyName) == 8);
static_assert(offsetof(MidiKeyName, reserved) == 72);
static_assert(offsetof(MidiKeyName, flags) == 76);

} // namespace lumen::vst2
