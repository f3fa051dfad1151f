#pragma once

// Opcodes of the host's callback, as the plug-in sends them. Arguments are (index, value, ptr, opt).

#include <cstdint>

namespace lumen::vst2 {

enum AudioMasterOpcodes : int32_t {
  audioMasterAutomate = 0,          // index: parameter; opt: new normalised value
  audioMasterVersion = 1,           // returns the host's interface version (2400)
  audioMasterCurrentId = 2,         // returns the unique id of the plug-in being loaded from a shell
  audioMasterIdle = 3,              // no longer used
  audioMasterPinConnected = 4,      // no longer used
  audioMasterWantMidi = 6,          // no longer used; some hosts still want it for MIDI input
  audioMasterGetTime = 7,           // value: wanted VstTimeInfoFlags; returns VstTimeInfo* or null
  audioMasterProcessEvents = 8,     // ptr: VstEvents
  audioMasterSetTime = 9,           // no longer used
  audioMasterTempoAt = 10,          // no longer used
  audioMasterGetNumAutomatableParameters = 11,  // no longer used
  audioMasterGetParameterQuantization = 12,     // no longer used
  audioMasterIOChanged = 13,        // numInputs, numOutputs, initialDelay or flags changed
  audioMasterNeedIdle = 14,         // no longer used
  audioMasterSizeWindow = 15,       // index: width; value: height; non-zero if the host resized
  audioMasterGetSampleRate = 16,
  audioMasterGetBlockSize = 17,
  audioMasterGetInputLatency = 18,
  audioMasterGetOutputLatency = 19,
  audioMasterGetPreviousPlug = 20,  // no longer used
  audioMasterGetNextPlug = 21,      // no longer used
  audioMasterWillReplaceOrAccumulate = 22,  // no longer used
  audioMasterGetCurrentProcessLevel = 23,   // returns VstProcessLevels
  audioMasterGetAutomationState = 24,       // returns VstAutomationStates
  audioMasterOfflineStart = 25,
  audioMasterOfflineRead = 26,
  audioMasterOfflineWrite = 27,
  audioMasterOfflineGetCurrentPass = 28,
  audioMasterOfflineGetCurrentMetaPass = 29,
  audioMasterSetOutputSampleRate = 30,      // no longer used
  audioMasterGetOutputSpeakerArrangement = 31,  // no longer used
  audioMasterGetVendorString = 32,  // ptr: buffer of kVstMaxVendorStrLen
  audioMasterGetProductString = 33, // ptr: buffer of kVstMaxProductStrLen
  audioMasterGetVendorVersion = 34, // returns the host's version, decimal
  audioMasterVendorSpecific = 35,
  audioMasterSetIcon = 36,          // no longer used
  audioMasterCanDo = 37,            // ptr: capability text; returns 1 yes, -1 no, 0 don't know
  audioMasterGetLanguage = 38,
  audioMasterOpenWindow = 39,       // no longer used
  audioMasterCloseWindow = 40,      // no longer used
  audioMasterGetDirectory = 41,
  audioMasterUpdateDisplay = 42,    // programs or parameter texts changed: the host should re-read them
  audioMasterBeginEdit = 43,        // index: parameter; a gesture starts
  audioMasterEndEdit = 44,          // index: parameter; the gesture ends
  audioMasterOpenFileSelector = 45,
  audioMasterCloseFileSelector = 46,
  audioMasterEditFile = 47,         // no longer used
  audioMasterGetChunkFile = 48,     // no longer used
  audioMasterGetInputSpeakerArrangement = 49,  // no longer used
};

} // namespace lumen::vst2
