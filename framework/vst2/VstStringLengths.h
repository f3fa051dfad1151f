#pragma once

// Nominal lengths of the text buffers of the interface, terminator included.
//
// Host buffers for parameter and program texts: the interface's nominal sizes (8 bytes for a
// parameter label, display or name, 24 for a program name) are far smaller than what plug-ins
// actually write, and hosts allocate generously for that reason (a few hundred bytes is common).
// The binding copies its texts whole, terminator included, with no length limit of its own: every
// text it copies is bounded by its source, the 32-byte name, label and display fields of a parameter
// and the 256-byte preset-name field, and the configured plug-in, product and maker names are short.
// A host buffer of 256 bytes therefore always suffices. The record fields below (labels in
// VstPinProperties and VstParameterProperties, key names) are the exception: they are fixed arrays
// inside the records and must be written with their own length as the limit.

#include <cstdint>

namespace lumen::vst2 {

enum VstStringConstants : int32_t {
  kVstMaxProgNameLen = 24,    // program names
  kVstMaxParamStrLen = 8,     // parameter label, display and name
  kVstMaxVendorStrLen = 64,   // effGetVendorString, audioMasterGetVendorString
  kVstMaxProductStrLen = 64,  // effGetProductString, audioMasterGetProductString
  kVstMaxEffectNameLen = 32,  // effGetEffectName
  kVstMaxNameLen = 64,        // speaker names, MIDI key names
  kVstMaxLabelLen = 64,       // pin and parameter-property labels
  kVstMaxShortLabelLen = 8,
  kVstMaxCategLabelLen = 24,
  kVstMaxFileNameLen = 100,
};

} // namespace lumen::vst2
