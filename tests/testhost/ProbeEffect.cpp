// A minimal VST 2.4 effect built only to test the test host against a plug-in whose every answer is
// known: two parameters (output = input × 2 × Gain), stereo, program chunks, all three audio calls.
// Its vendor-specific opcodes make it call the host the way plug-ins with editors and MIDI do.
//
// Variants by compile definition: PROBE_ENTRY is 1 (exports VSTPluginMain), 2 (exports only "main",
// as older plug-ins do) or 0 (exports no entry point); PROBE_RESULT is 0 (a valid record), 1 (null)
// or 2 (a record without the effect magic). The "main" variant announces no 64-bit processing
// although its record carries the function, so a host must go by the flag.

#include "VstInterface.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <thread>
#include <vector>

#ifndef PROBE_ENTRY
#define PROBE_ENTRY 1
#endif
#ifndef PROBE_RESULT
#define PROBE_RESULT 0
#endif

using namespace lumen::vst2;

namespace {

// effVendorSpecific indices the tests use.
constexpr int32_t kCallHost = 0x70726f62;       // make one call of each kind the host records
constexpr int32_t kCallFromThreads = 0x74687264;  // value threads × 100 audioMasterAutomate calls
constexpr int32_t kLastTime = 0x74696d65;       // copy the last VstTimeInfo into ptr; answer the process level

struct Probe {
  AEffect effect{};
  audioMasterCallback host = nullptr;
  float params[2] = {0.5f, 0.0f};
  VstTimeInfo lastTime{};
  bool sawTime = false;
  intptr_t lastLevel = -1;
  float chunk[2] = {};
  char bank[12] = {};
};

Probe* Of(AEffect* effect) { return static_cast<Probe*>(effect->object); }

intptr_t Call(Probe* p, int32_t opcode, int32_t index = 0, intptr_t value = 0, void* ptr = nullptr, float opt = 0) {
  return p->host(&p->effect, opcode, index, value, ptr, opt);
}

void BeforeBlock(Probe* p) {
  const auto* time = reinterpret_cast<const VstTimeInfo*>(
      Call(p, audioMasterGetTime, 0, kVstPpqPosValid | kVstTempoValid | kVstBarsValid | kVstTimeSigValid));
  p->sawTime = time != nullptr;
  if (time) p->lastTime = *time;
  p->lastLevel = Call(p, audioMasterGetCurrentProcessLevel);
}

template <typename Sample>
void Render(AEffect* effect, Sample** in, Sample** out, int32_t frames, bool add) {
  Probe* p = Of(effect);
  BeforeBlock(p);
  const Sample factor = static_cast<Sample>(2.0f * p->params[0]);
  for (int c = 0; c < 2; ++c)
    for (int32_t i = 0; i < frames; ++i) out[c][i] = (add ? out[c][i] : Sample(0)) + in[c][i] * factor;
}

void Process(AEffect* e, float** in, float** out, int32_t n) { Render(e, in, out, n, true); }
void ProcessReplacing(AEffect* e, float** in, float** out, int32_t n) { Render(e, in, out, n, false); }
void ProcessDouble(AEffect* e, double** in, double** out, int32_t n) { Render(e, in, out, n, false); }

void SetParameter(AEffect* e, int32_t index, float value) {
  if (index >= 0 && index < 2) Of(e)->params[index] = value;
}

float GetParameter(AEffect* e, int32_t index) { return index >= 0 && index < 2 ? Of(e)->params[index] : 0.0f; }

void CallHost(Probe* p, float opt) {
  Call(p, audioMasterBeginEdit, 0);
  Call(p, audioMasterAutomate, 0, 0, nullptr, opt);
  Call(p, audioMasterEndEdit, 0);
  Call(p, audioMasterSizeWindow, 640, 480);
  Call(p, audioMasterIOChanged);
  Call(p, audioMasterUpdateDisplay);
  Call(p, audioMasterWantMidi);
  char canDo[] = "sizeWindow";
  Call(p, audioMasterCanDo, 0, 0, canDo);

  VstMidiEvent note{};
  note.type = kVstMidiType;
  note.byteSize = sizeof(VstMidiEvent);
  note.deltaFrames = 3;
  note.midiData[0] = static_cast<char>(0x90);
  note.midiData[1] = 60;
  note.midiData[2] = 100;
  char dump[] = {static_cast<char>(0xF0), 0x7D, 0x01, static_cast<char>(0xF7)};
  VstMidiSysexEvent sysex{};
  sysex.type = kVstSysExType;
  sysex.byteSize = sizeof(VstMidiSysexEvent);
  sysex.deltaFrames = 5;
  sysex.dumpBytes = sizeof dump;
  sysex.sysexDump = dump;
  VstEvents events{};
  events.numEvents = 2;
  events.events[0] = reinterpret_cast<VstEvent*>(&note);
  events.events[1] = reinterpret_cast<VstEvent*>(&sysex);
  Call(p, audioMasterProcessEvents, 0, 0, &events);
}

intptr_t Dispatcher(AEffect* e, int32_t opcode, int32_t index, intptr_t value, void* ptr, float opt) {
  Probe* p = Of(e);
  auto copy = [ptr](const char* text) {
    if (ptr) std::strcpy(static_cast<char*>(ptr), text);
    return ptr ? 1 : 0;
  };
  switch (opcode) {
    case effClose: delete p; return 0;
    case effGetParamName: return index == 0 ? copy("Gain") : index == 1 ? copy("Mode") : 0;
    case effGetParamLabel: return index == 0 ? copy("x") : 0;
    case effGetParamDisplay:
      if (index < 0 || index > 1 || !ptr) return 0;
      std::snprintf(static_cast<char*>(ptr), 32, "%.3f", static_cast<double>(p->params[index]));
      return 1;
    case effString2Parameter:
      if (index < 0 || index > 1 || !ptr) return 0;
      p->params[index] = std::strtof(static_cast<const char*>(ptr), nullptr);
      return 1;
    case effGetChunk:
      if (!ptr) return 0;
      std::memcpy(p->chunk, p->params, sizeof p->chunk);
      if (index != 0) {
        *static_cast<void**>(ptr) = p->chunk;
        return sizeof p->chunk;
      }
      std::memcpy(p->bank, "PBNK", 4);
      std::memcpy(p->bank + 4, p->chunk, sizeof p->chunk);
      *static_cast<void**>(ptr) = p->bank;
      return sizeof p->bank;
    case effSetChunk: {
      const auto* bytes = static_cast<const char*>(ptr);
      if (!bytes) return 0;
      if (index != 0 && value == sizeof p->params) {
        std::memcpy(p->params, bytes, sizeof p->params);
        return 1;
      }
      if (index == 0 && value == sizeof p->bank && std::memcmp(bytes, "PBNK", 4) == 0) {
        std::memcpy(p->params, bytes + 4, sizeof p->params);
        return 1;
      }
      return 0;
    }
    case effCanBeAutomated: return index == 0 ? 1 : 0;
    case effGetInputProperties:
    case effGetOutputProperties: {
      if (index < 0 || index > 1 || !ptr) return 0;
      auto* pin = static_cast<VstPinProperties*>(ptr);
      std::snprintf(pin->label, sizeof pin->label, "Probe %d", index + 1);
      pin->flags = index == 0 ? (kVstPinIsActive | kVstPinIsStereo) : kVstPinIsActive;
      return 1;
    }
    case effGetPlugCategory: return kPlugCategEffect;
    case effGetEffectName: return copy("Probe Effect");
    case effGetVendorString: return copy("Lumenfold Tests");
    case effGetProductString: return copy("Probe");
    case effGetVendorVersion: return 10203;
    case effCanDo: return ptr && std::strcmp(static_cast<const char*>(ptr), "receiveVstTimeInfo") == 0 ? 1 : 0;
    case effGetVstVersion: return kVstVersion;
    case effVendorSpecific:
      if (index == kCallHost) {
        CallHost(p, opt);
        return 1;
      }
      if (index == kCallFromThreads) {
        std::vector<std::thread> threads;
        for (intptr_t t = 0; t < value; ++t)
          threads.emplace_back([p, t] {
            for (int i = 0; i < 100; ++i) Call(p, audioMasterAutomate, static_cast<int32_t>(t), 0, nullptr, 0.5f);
          });
        for (auto& thread : threads) thread.join();
        return 1;
      }
      if (index == kLastTime) {
        if (!p->sawTime || !ptr) return 0;
        *static_cast<VstTimeInfo*>(ptr) = p->lastTime;
        return p->lastLevel;
      }
      return 0;
    default: return 0;
  }
}

AEffect* Create(audioMasterCallback host) {
  // Plug-ins ask for the host's version before they have a record, with a null effect.
  if (!host || host(nullptr, audioMasterVersion, 0, 0, nullptr, 0.0f) == 0) return nullptr;
  if (PROBE_RESULT == 1) return nullptr;
  if (PROBE_RESULT == 2) {
    // A host must not touch a record without the magic, so it could never be closed: keep it static.
    static AEffect notAnEffect{};
    return &notAnEffect;
  }
  auto* p = new Probe;
  p->host = host;
  AEffect& e = p->effect;
  e.magic = kEffectMagic;
  e.dispatcher = Dispatcher;
  e.process = Process;
  e.setParameter = SetParameter;
  e.getParameter = GetParameter;
  e.numPrograms = 1;
  e.numParams = 2;
  e.numInputs = 2;
  e.numOutputs = 2;
  e.flags = effFlagsCanReplacing | effFlagsProgramChunks | (PROBE_ENTRY == 1 ? effFlagsCanDoubleReplacing : 0);
  e.ioRatio = 1.0f;
  e.object = p;
  e.uniqueID = 0x50726f62;  // 'Prob'
  e.version = 10203;
  e.processReplacing = ProcessReplacing;
  e.processDoubleReplacing = ProcessDouble;
  // ... and some ask with their own record before handing it over.
  Call(p, audioMasterGetSampleRate);
  return &e;
}

} // namespace

#ifdef _WIN32
#define PROBE_EXPORT __declspec(dllexport)
#else
#define PROBE_EXPORT __attribute__((visibility("default")))
#endif

#if PROBE_ENTRY == 1
extern "C" PROBE_EXPORT AEffect* VSTPluginMain(audioMasterCallback host) {
  return Create(host);
}
#elif PROBE_ENTRY == 2
// A function named "main" cannot be written in C++; the assembler name gives the symbol that name.
extern "C" PROBE_EXPORT AEffect* ProbeMain(audioMasterCallback host) __asm__("main");
extern "C" AEffect* ProbeMain(audioMasterCallback host) { return Create(host); }
#else
extern "C" PROBE_EXPORT AEffect* NotAnEntryPoint(audioMasterCallback host) {
  return Create(host);
}
#endif
