#pragma once

// The VST 2.4 host interface as this project defines it: records, opcodes and constants. Include
// this header rather than the single ones when a file needs more than one of them.

#include "AEffect.h"
#include "ERect.h"
#include "MidiKeyName.h"
#include "VstConstants.h"
#include "VstEffectOpcodes.h"
#include "VstEvents.h"
#include "VstFixedSeedCall.h"
#include "VstHostOpcodes.h"
#include "VstKeys.h"
#include "VstParameterProperties.h"
#include "VstPinProperties.h"
#include "VstSpeakerArrangement.h"
#include "VstStringLengths.h"
#include "VstTimeInfo.h"
