#pragma once

// Opcodes of the plug-in's dispatcher, as the host sends them. Arguments are (index, value, ptr,
// opt); where a call uses them, the comment says how.

#include <cstdint>

namespace lumen::vst2 {

enum AEffectOpcodes : int32_t {
  effOpen = 0,                   // after construction, before anything else
  effClose = 1,                  // the plug-in deletes itself
  effSetProgram = 2,             // value: program
  effGetProgram = 3,             // returns the current program
  effSetProgramName = 4,         // ptr: text
  effGetProgramName = 5,         // ptr: buffer
  effGetParamLabel = 6,          // index: parameter; ptr: buffer for the unit
  effGetParamDisplay = 7,        // index: parameter; ptr: buffer for the value as text
  effGetParamName = 8,           // index: parameter; ptr: buffer
  effGetVu = 9,                  // no longer used
  effSetSampleRate = 10,         // opt: sample rate
  effSetBlockSize = 11,          // value: largest block
  effMainsChanged = 12,          // value: 0 off (suspend), 1 on (resume)
  effEditGetRect = 13,           // ptr: ERect** to be set
  effEditOpen = 14,              // ptr: the host's parent window
  effEditClose = 15,
  effEditDraw = 16,              // no longer used
  effEditMouse = 17,             // no longer used
  effEditKey = 18,               // no longer used
  effEditIdle = 19,
  effEditTop = 20,               // no longer used
  effEditSleep = 21,             // no longer used
  effIdentify = 22,              // no longer used
  effGetChunk = 23,              // index: 0 bank, else program; ptr: void** to be set; returns size
  effSetChunk = 24,              // index: as above; value: size; ptr: bytes
  effProcessEvents = 25,         // ptr: VstEvents
  effCanBeAutomated = 26,        // index: parameter
  effString2Parameter = 27,      // index: parameter; ptr: text
  effGetNumProgramCategories = 28,  // no longer used
  effGetProgramNameIndexed = 29,  // index: program; ptr: buffer
  effCopyProgram = 30,           // no longer used
  effConnectInput = 31,          // no longer used
  effConnectOutput = 32,         // no longer used
  effGetInputProperties = 33,    // index: input; ptr: VstPinProperties
  effGetOutputProperties = 34,   // index: output; ptr: VstPinProperties
  effGetPlugCategory = 35,       // returns VstPlugCategory
  effGetCurrentPosition = 36,    // no longer used
  effGetDestinationBuffer = 37,  // no longer used
  effOfflineNotify = 38,
  effOfflinePrepare = 39,
  effOfflineRun = 40,
  effProcessVarIo = 41,
  effSetSpeakerArrangement = 42,  // value: input VstSpeakerArrangement*; ptr: output one
  effSetBlockSizeAndSampleRate = 43,  // no longer used
  effSetBypass = 44,             // value: 1 bypass
  effGetEffectName = 45,         // ptr: buffer
  effGetErrorText = 46,          // no longer used
  effGetVendorString = 47,       // ptr: buffer
  effGetProductString = 48,      // ptr: buffer
  effGetVendorVersion = 49,      // returns the plug-in's version
  effVendorSpecific = 50,        // host-specific extensions
  effCanDo = 51,                 // ptr: capability text; returns 1 yes, -1 no, 0 don't know
  effGetTailSize = 52,           // returns the tail in samples
  effIdle = 53,                  // no longer used
  effGetIcon = 54,               // no longer used
  effSetViewPosition = 55,       // no longer used
  effGetParameterProperties = 56,  // index: parameter; ptr: VstParameterProperties
  effKeysRequired = 57,          // no longer used
  effGetVstVersion = 58,         // returns 2400 for this version of the interface
  effEditKeyDown = 59,           // index: character; value: VstVirtualKey; opt: VstModifierKey bits
  effEditKeyUp = 60,             // as effEditKeyDown
  effSetEditKnobMode = 61,       // value: 0 circular, 1 circular relative, 2 linear
  effGetMidiProgramName = 62,
  effGetCurrentMidiProgram = 63,
  effGetMidiProgramCategory = 64,
  effHasMidiProgramsChanged = 65,
  effGetMidiKeyName = 66,        // index: MIDI channel; ptr: MidiKeyName
  effBeginSetProgram = 67,
  effEndSetProgram = 68,
  effGetSpeakerArrangement = 69,  // value: VstSpeakerArrangement** (input); ptr: the same (output)
  effShellGetNextPlugin = 70,
  effStartProcess = 71,
  effStopProcess = 72,
  effSetTotalSampleToProcess = 73,
  effSetPanLaw = 74,
  effBeginLoadBank = 75,
  effBeginLoadProgram = 76,
  effSetProcessPrecision = 77,   // value: VstProcessPrecision
  effGetNumMidiInputChannels = 78,
  effGetNumMidiOutputChannels = 79,
};

} // namespace lumen::vst2
