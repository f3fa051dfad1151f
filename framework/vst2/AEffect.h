#pragma once

// The effect record a VST 2.4 host holds for every plug-in instance, with the function types it
// carries. Field order, types and padding are the binary contract with the host: 64-bit hosts read
// these fields at the offsets checked below, so nothing here may be reordered or retyped.
//
// Calling convention: the default one of the platform (on x86_64 Linux the System V ABI; on 32-bit
// Windows hosts expect cdecl, which is also the compiler's default there).

#include <cstddef>
#include <cstdint>

namespace lumen::vst2 {

struct AEffect;

// The host's callback: (effect, opcode, index, value, ptr, opt). The effect may be null while a
// plug-in is being constructed, before it has a record to hand over.
using audioMasterCallback = intptr_t (*)(AEffect* effect, int32_t opcode, int32_t index, intptr_t value, void* ptr,
                                         float opt);

using AEffectDispatcherProc = intptr_t (*)(AEffect* effect, int32_t opcode, int32_t index, intptr_t value, void* ptr,
                                           float opt);
using AEffectProcessProc = void (*)(AEffect* effect, float** inputs, float** outputs, int32_t sampleFrames);
using AEffectProcessDoubleProc = void (*)(AEffect* effect, double** inputs, double** outputs, int32_t sampleFrames);
using AEffectSetParameterProc = void (*)(AEffect* effect, int32_t index, float parameter);
using AEffectGetParameterProc = float (*)(AEffect* effect, int32_t index);

// 'VstP': the first field of every valid effect record.
inline constexpr int32_t kEffectMagic = 0x56737450;

// Bits of AEffect::flags.
enum VstAEffectFlags : int32_t {
  effFlagsHasEditor = 1 << 0,
  effFlagsHasClip = 1 << 1,  // no longer used
  effFlagsHasVu = 1 << 2,    // no longer used
  effFlagsCanMono = 1 << 3,
  effFlagsCanReplacing = 1 << 4,
  effFlagsProgramChunks = 1 << 5,
  effFlagsIsSynth = 1 << 8,
  effFlagsNoSoundInStop = 1 << 9,
  effFlagsExtIsAsync = 1 << 10,    // no longer used
  effFlagsExtHasBuffer = 1 << 11,  // no longer used
  effFlagsCanDoubleReplacing = 1 << 12,
};

struct AEffect {
  int32_t magic;                       // kEffectMagic
  AEffectDispatcherProc dispatcher;    // everything that is not audio or a single parameter value
  AEffectProcessProc process;          // accumulating 32-bit audio (the interface's oldest call)
  AEffectSetParameterProc setParameter;
  AEffectGetParameterProc getParameter;
  int32_t numPrograms;
  int32_t numParams;
  int32_t numInputs;
  int32_t numOutputs;
  int32_t flags;                       // VstAEffectFlags
  intptr_t resvd1;                     // the host's; zero from the plug-in
  intptr_t resvd2;
  int32_t initialDelay;                // latency in samples
  int32_t realQualities;               // no longer used
  int32_t offQualities;                // no longer used
  float ioRatio;                       // no longer used; 1.0
  void* object;                        // the plug-in's own instance
  void* user;                          // free for the host
  int32_t uniqueID;                    // four-character code
  int32_t version;                     // the plug-in's version, decimal
  AEffectProcessProc processReplacing;
  AEffectProcessDoubleProc processDoubleReplacing;
  char future[56];
};

#if INTPTR_MAX == INT64_MAX
static_assert(sizeof(AEffect) == 192);
static_assert(offsetof(AEffect, magic) == 0);
static_assert(offsetof(AEffect, dispatcher) == 8);
static_assert(offsetof(AEffect, process) == 16);
static_assert(offsetof(AEffect, setParameter) == 24);
static_assert(offsetof(AEffect, getParameter) == 32);
static_assert(offsetof(AEffect, numPrograms) == 40);
static_assert(offsetof(AEffect, numParams) == 44);
static_assert(offsetof(AEffect, numInputs) == 48);
static_assert(offsetof(AEffect, numOutputs) == 52);
static_assert(offsetof(AEffect, flags) == 56);
static_assert(offsetof(AEffect, resvd1) == 64);
static_assert(offsetof(AEffect, resvd2) == 72);
static_assert(offsetof(AEffect, initialDelay) == 80);
static_assert(offsetof(AEffect, realQualities) == 84);
static_assert(offsetof(AEffect, offQualities) == 88);
static_assert(offsetof(AEffect, ioRatio) == 92);
static_assert(offsetof(AEffect, object) == 96);
static_assert(offsetof(AEffect, user) == 104);
static_assert(offsetof(AEffect, uniqueID) == 112);
static_assert(offsetof(AEffect, version) == 116);
static_assert(offsetof(AEffect, processReplacing) == 120);
static_assert(offsetof(AEffect, processDoubleReplacing) == 128);
static_assert(offsetof(AEffect, future) == 136);
#endif

} // namespace lumen::vst2
