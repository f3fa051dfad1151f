// A host that does anything the interface lets it do, in any order: every opcode with arbitrary
// arguments where the plug-in is not handed a pointer, the pointer opcodes with buffers and records
// of their documented sizes holding arbitrary contents, parameters set and read at arbitrary
// indices with arbitrary values (NaN and infinities included), state chunks, events and audio
// blocks of every length through all three audio calls. The host itself answers the plug-in's
// questions (product, version, transport, process level) from the input too.
//
// After every step: every parameter is finite and in range, the effect record still describes the
// plug-in, text written into host buffers is terminated inside them, the plug-in leaves alone what
// it was not asked to write, and a block of finite input gives finite output.

#include "FuzzSupport.h"

#include <fuzzer/FuzzedDataProvider.h>

#include "Timer.h"

#include <algorithm>
#include <array>
#include <chrono>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

using namespace lumen::vst2;
using kolmari::fuzz::Bytes;
using kolmari::fuzz::Instance;
using kolmari::fuzz::Require;

namespace {

// What the host answers, drawn from the input before the plug-in is made.
struct HostAnswers {
  std::string product;
  intptr_t vendorVersion = 0;
  bool hasTime = false;
  VstTimeInfo time{};
  intptr_t processLevel = 0;
  intptr_t eventsAnswer = 0;
  intptr_t sizeWindowAnswer = 0;
};

HostAnswers gHost;
int gParamCount = 0;

// Checks what the plug-in tells the host: automation and gestures only for its own parameters, with
// normalised values, and event lists a host can walk.
intptr_t HostCallback(AEffect*, int32_t opcode, int32_t index, intptr_t, void* ptr, float opt) {
  switch (opcode) {
    case audioMasterVersion:
      return 2400;
    case audioMasterGetProductString: {
      Require(ptr != nullptr, "the product query has a buffer");
      // The host writes at most its documented length, not necessarily terminated.
      const size_t n = std::min(gHost.product.size(), static_cast<size_t>(kVstMaxProductStrLen));
      std::memcpy(ptr, gHost.product.data(), n);
      return 1;
    }
    case audioMasterGetVendorVersion:
      return gHost.vendorVersion;
    case audioMasterGetTime:
      return gHost.hasTime ? reinterpret_cast<intptr_t>(&gHost.time) : 0;
    case audioMasterGetCurrentProcessLevel:
      return gHost.processLevel;
    case audioMasterAutomate:
      Require(index >= 0 && index < gParamCount, "automation names a parameter", index);
      Require(std::isfinite(opt) && opt >= 0.0f && opt <= 1.0f, "automation sends a normalised value");
      return 0;
    case audioMasterBeginEdit:
    case audioMasterEndEdit:
      Require(index >= 0 && index < gParamCount, "a gesture names a parameter", index);
      return 0;
    case audioMasterProcessEvents: {
      Require(ptr != nullptr, "events come in a list");
      const auto* events = static_cast<const VstEvents*>(ptr);
      Require(events->numEvents >= 0, "an event list has a count", events->numEvents);
      for (int32_t i = 0; i < events->numEvents; ++i) {
        const VstEvent* event = events->events[i];
        Require(event != nullptr, "a sent event exists", i);
        if (event->type == kVstSysExType) {
          const auto* sysex = reinterpret_cast<const VstMidiSysexEvent*>(event);
          Require(sysex->dumpBytes >= 0, "a SysEx dump has a length", sysex->dumpBytes);
          if (sysex->dumpBytes > 0) {
            Require(sysex->sysexDump != nullptr, "a SysEx dump has bytes");
            volatile char sink = sysex->sysexDump[sysex->dumpBytes - 1];
            (void)sink;
          }
        }
      }
      return gHost.eventsAnswer;
    }
    case audioMasterSizeWindow:
      return gHost.sizeWindowAnswer;
    default:
      return 0;
  }
}

float AnyFloat(FuzzedDataProvider& in) {
  const auto bits = in.ConsumeIntegral<uint32_t>();
  float f;
  std::memcpy(&f, &bits, sizeof f);
  return f;
}

// Mostly small indices near the parameter list, sometimes any 32-bit value.
int32_t AnyIndex(FuzzedDataProvider& in) {
  return in.ConsumeBool() ? in.ConsumeIntegralInRange<int32_t>(-2, 12) : in.ConsumeIntegral<int32_t>();
}

// Text as a host passes it: arbitrary bytes up to the first NUL, in a buffer of `size` bytes (at
// least the text and its terminator).
std::unique_ptr<char[]> TextBuffer(FuzzedDataProvider& in, size_t maxLength, size_t size = 0) {
  std::string text = in.ConsumeRandomLengthString(maxLength);
  const size_t n = std::max(size, text.size() + 1);
  auto buffer = std::make_unique<char[]>(n);
  std::memcpy(buffer.get(), text.data(), text.size());
  buffer[text.size()] = '\0';
  return buffer;
}

// A host buffer for text the plug-in writes: filled with a pattern, so that what was written shows.
constexpr size_t kTextBufferSize = 256;
constexpr char kPattern = 0x5A;

std::unique_ptr<char[]> PatternBuffer(size_t size) {
  auto buffer = std::make_unique<char[]>(size);
  std::memset(buffer.get(), kPattern, size);
  return buffer;
}

bool Untouched(const char* buffer, size_t size) {
  return std::all_of(buffer, buffer + size, [](char c) { return c == kPattern; });
}

// Written text is terminated inside the buffer; an untouched buffer is fine (nothing was written).
void RequireTerminatedIfWritten(const char* buffer, size_t size, const char* what) {
  if (Untouched(buffer, size)) return;
  Require(std::memchr(buffer, '\0', size) != nullptr, what);
}

// Opcodes that hand the plug-in a pointer (in ptr or in value), and effClose, which ends it.
bool TakesPointer(int32_t opcode) {
  switch (opcode) {
    case effClose:
    case effSetProgramName:
    case effGetProgramName:
    case effGetParamLabel:
    case effGetParamDisplay:
    case effGetParamName:
    case effEditGetRect:
    case effGetChunk:
    case effSetChunk:
    case effProcessEvents:
    case effString2Parameter:
    case effGetProgramNameIndexed:
    case effGetInputProperties:
    case effGetOutputProperties:
    case effSetSpeakerArrangement:
    case effGetEffectName:
    case effGetVendorString:
    case effGetProductString:
    case effVendorSpecific:
    case effCanDo:
    case effGetParameterProperties:
    case effGetMidiKeyName:
    case effGetSpeakerArrangement:
      return true;
    default:
      return false;
  }
}

class Session {
public:
  explicit Session(FuzzedDataProvider& in) : mIn(in), mInstance(&HostCallback) {}

  void Run() {
    if (mIn.ConsumeBool()) mInstance.Start();
    constexpr int kMaxSteps = 48;
    for (int step = 0; step < kMaxSteps && mIn.remaining_bytes() > 0; ++step) {
      Step();
      CheckInvariants();
    }
    // However the session went, the plug-in still plays.
    kolmari::fuzz::RequireFiniteBlock(mInstance);
  }

private:
  enum Op : int {
    kPlainOpcode,
    kGetText,
    kSetProgramName,
    kEditGetRect,
    kGetChunk,
    kSetChunk,
    kSetOwnChunk,
    kEvents,
    kStringToParameter,
    kPinProperties,
    kSetSpeakers,
    kGetSpeakers,
    kVendorSpecific,
    kCanDo,
    kParameterProperties,
    kMidiKeyName,
    kSetParameter,
    kGetParameter,
    kProcess,
    kTimer,
    kOpCount
  };

  intptr_t Dispatch(int32_t opcode, int32_t index = 0, intptr_t value = 0, void* ptr = nullptr, float opt = 0.0f) {
    return mInstance.Dispatch(opcode, index, value, ptr, opt);
  }

  void Step() {
    switch (mIn.ConsumeIntegralInRange<int>(0, kOpCount - 1)) {
      case kPlainOpcode: PlainOpcode(); break;
      case kGetText: GetText(); break;
      case kSetProgramName: {
        auto text = TextBuffer(mIn, 400);
        Dispatch(effSetProgramName, AnyIndex(mIn), 0, text.get());
        break;
      }
      case kEditGetRect: {
        auto rect = std::make_unique<ERect*>(nullptr);
        if (Dispatch(effEditGetRect, 0, 0, rect.get()) != 0) {
          Require(*rect != nullptr, "an editor rectangle is handed out");
          const ERect r = **rect;
          Require(r.right >= r.left && r.bottom >= r.top, "the editor rectangle is not inverted");
        }
        break;
      }
      case kGetChunk:
        mInstance.GetChunk(mIn.ConsumeBool());
        break;
      case kSetChunk: {
        const Bytes bytes = mIn.ConsumeBytes<uint8_t>(mIn.ConsumeIntegralInRange<size_t>(0, 512));
        const int32_t index = mIn.ConsumeBool() ? mIn.ConsumeIntegral<int32_t>() : 0;
        auto copy = std::make_unique<uint8_t[]>(std::max<size_t>(bytes.size(), 1));
        if (!bytes.empty()) std::memcpy(copy.get(), bytes.data(), bytes.size());
        const intptr_t r = Dispatch(effSetChunk, index, static_cast<intptr_t>(bytes.size()), copy.get());
        Require(r == 0 || r == 1, "effSetChunk answers 0 or 1", r);
        break;
      }
      case kSetOwnChunk: SetOwnChunk(); break;
      case kEvents: Events(); break;
      case kStringToParameter: {
        const int32_t index = AnyIndex(mIn);
        if (mIn.ConsumeBool()) {
          Dispatch(effString2Parameter, index, 0, nullptr);
        } else {
          auto text = TextBuffer(mIn, 64);
          Dispatch(effString2Parameter, index, 0, text.get());
        }
        break;
      }
      case kPinProperties: {
        auto pin = std::make_unique<VstPinProperties>();
        std::memset(pin.get(), kPattern, sizeof(VstPinProperties));
        const int32_t opcode = mIn.ConsumeBool() ? effGetInputProperties : effGetOutputProperties;
        if (Dispatch(opcode, AnyIndex(mIn), 0, pin.get()) != 0) {
          Require(std::memchr(pin->label, '\0', sizeof pin->label) != nullptr, "a pin label is terminated");
        }
        break;
      }
      case kSetSpeakers: SetSpeakers(); break;
      case kGetSpeakers: GetSpeakers(); break;
      case kVendorSpecific: VendorSpecific(); break;
      case kCanDo: {
        // Capabilities hosts ask about, or any text.
        static constexpr std::array<const char*, 8> kKnown{
            "receiveVstTimeInfo", "receiveVstEvents", "receiveVstMidiEvent", "sendVstEvents",
            "hasCockosExtensions", "hasCockosViewAsConfig", "wantsChannelCountNotifications", "MPE"};
        if (mIn.ConsumeBool()) {
          std::string known = kKnown[mIn.ConsumeIntegralInRange<size_t>(0, kKnown.size() - 1)];
          Dispatch(effCanDo, AnyIndex(mIn), 0, known.data());
        } else {
          auto text = TextBuffer(mIn, 64);
          Dispatch(effCanDo, AnyIndex(mIn), 0, text.get());
        }
        break;
      }
      case kParameterProperties: {
        auto properties = std::make_unique<VstParameterProperties>();
        std::memset(properties.get(), kPattern, sizeof(VstParameterProperties));
        if (Dispatch(effGetParameterProperties, AnyIndex(mIn), 0, properties.get()) != 0) {
          Require(std::memchr(properties->label, '\0', sizeof properties->label) != nullptr,
                  "a parameter-property label is terminated");
        }
        break;
      }
      case kMidiKeyName: {
        auto key = std::make_unique<MidiKeyName>();
        std::memset(key.get(), kPattern, sizeof(MidiKeyName));
        key->thisProgramIndex = mIn.ConsumeIntegral<int32_t>();
        key->thisKeyNumber = mIn.ConsumeIntegral<int32_t>();
        Dispatch(effGetMidiKeyName, AnyIndex(mIn), 0, key.get());
        RequireTerminatedIfWritten(key->keyName, sizeof key->keyName, "a key name is terminated");
        break;
      }
      case kSetParameter: {
        AEffect* effect = mInstance.Effect();
        const int32_t index = AnyIndex(mIn);
        const float value = AnyFloat(mIn);
        effect->setParameter(effect, index, value);
        // Every parameter maps linearly, so a normalised value reads back as it was set.
        if (index >= 0 && index < effect->numParams && value >= 0.0f && value <= 1.0f) {
          Require(std::fabs(effect->getParameter(effect, index) - value) <= 1e-6f, "a normalised value reads back",
                  index);
        }
        break;
      }
      case kGetParameter: {
        AEffect* effect = mInstance.Effect();
        const float v = effect->getParameter(effect, AnyIndex(mIn));
        Require(std::isfinite(v) && v >= 0.0f && v <= 1.0f, "getParameter answers a value in [0, 1]");
        break;
      }
      case kProcess: Process(); break;
      case kTimer:
        lumen::Timer::PumpDue(lumen::Timer::Clock::now() + std::chrono::hours(1));
        break;
      default:
        break;
    }
  }

  // Any opcode that hands over no pointer, with arbitrary index, value and opt. The ptr argument is
  // null or a buffer the plug-in has no business writing to.
  void PlainOpcode() {
    int32_t opcode = mIn.ConsumeBool() ? mIn.ConsumeIntegralInRange<int32_t>(0, 80) : mIn.ConsumeIntegral<int32_t>();
    if (TakesPointer(opcode)) opcode = effGetVstVersion;
    const int32_t index = AnyIndex(mIn);
    // Small values matter most (switches, program numbers, block sizes), but any may come.
    intptr_t value = 0;
    switch (mIn.ConsumeIntegralInRange<int>(0, 2)) {
      case 0: value = mIn.ConsumeIntegralInRange<intptr_t>(-2, 4); break;
      case 1: value = mIn.ConsumeIntegralInRange<intptr_t>(0, 70000); break;
      default: value = mIn.ConsumeIntegral<intptr_t>(); break;
    }
    const float opt = AnyFloat(mIn);
    if (mIn.ConsumeBool()) {
      Dispatch(opcode, index, value, nullptr, opt);
    } else {
      auto canary = PatternBuffer(kTextBufferSize);
      Dispatch(opcode, index, value, canary.get(), opt);
      Require(Untouched(canary.get(), kTextBufferSize), "an opcode without a pointer argument leaves ptr alone",
              opcode);
    }
  }

  // The text queries, into host buffers of 256 bytes.
  void GetText() {
    static constexpr std::array<int32_t, 8> kOpcodes{effGetProgramName,  effGetParamLabel,  effGetParamDisplay,
                                                     effGetParamName,    effGetProgramNameIndexed,
                                                     effGetEffectName,   effGetVendorString, effGetProductString};
    const int32_t opcode = kOpcodes[mIn.ConsumeIntegralInRange<size_t>(0, kOpcodes.size() - 1)];
    auto buffer = PatternBuffer(kTextBufferSize);
    Dispatch(opcode, AnyIndex(mIn), 0, buffer.get());
    RequireTerminatedIfWritten(buffer.get(), kTextBufferSize, "text written to a host buffer is terminated");
  }

  // A host that hands a chunk straight back: the pointer the plug-in gave out, with its size, as a
  // program or a bank. Taken back as what it is, it is accepted; as the other kind, it need not be.
  void SetOwnChunk() {
    void* data = nullptr;
    const bool getProgram = mIn.ConsumeBool();
    const intptr_t size = Dispatch(effGetChunk, getProgram ? 1 : 0, 0, &data);
    if (size <= 0 || !data) return;
    const bool setProgram = mIn.ConsumeBool();
    const intptr_t r = Dispatch(effSetChunk, setProgram ? 1 : 0, size, data);
    Require(r == 1 || (r == 0 && setProgram != getProgram), "a chunk the plug-in handed out is taken back", r);
  }

  void Events() {
    const int count = mIn.ConsumeIntegralInRange<int>(0, 12);
    // The list is allocated with room for exactly its pointers (at least the declared two).
    const size_t listSize = std::max(sizeof(VstEvents), offsetof(VstEvents, events) + sizeof(VstEvent*) * static_cast<size_t>(count));
    auto listBytes = std::make_unique<unsigned char[]>(listSize);
    std::memset(listBytes.get(), 0, listSize);
    auto* list = reinterpret_cast<VstEvents*>(listBytes.get());
    // The pointers run past the declared two: address them in the allocation, not the array.
    auto** slots = reinterpret_cast<VstEvent**>(listBytes.get() + offsetof(VstEvents, events));
    list->numEvents = count > 0 || mIn.ConsumeBool() ? count : -mIn.ConsumeIntegralInRange<int32_t>(1, 1000);

    std::vector<std::unique_ptr<VstMidiEvent>> midi;
    std::vector<std::unique_ptr<VstMidiSysexEvent>> sysex;
    std::vector<std::unique_ptr<char[]>> dumps;
    std::vector<std::unique_ptr<VstEvent>> others;
    for (int i = 0; i < count; ++i) {
      VstEvent* event = nullptr;
      switch (mIn.ConsumeIntegralInRange<int>(0, 3)) {
        case 0: {
          auto e = std::make_unique<VstMidiEvent>();
          e->type = kVstMidiType;
          e->byteSize = sizeof(VstMidiEvent);
          e->deltaFrames = mIn.ConsumeIntegral<int32_t>();
          e->flags = mIn.ConsumeIntegral<int32_t>();
          e->noteLength = mIn.ConsumeIntegral<int32_t>();
          e->noteOffset = mIn.ConsumeIntegral<int32_t>();
          for (char& c : e->midiData) c = mIn.ConsumeIntegral<char>();
          e->detune = mIn.ConsumeIntegral<char>();
          e->noteOffVelocity = mIn.ConsumeIntegral<char>();
          event = reinterpret_cast<VstEvent*>(e.get());
          midi.push_back(std::move(e));
          break;
        }
        case 1: {
          auto e = std::make_unique<VstMidiSysexEvent>();
          e->type = kVstSysExType;
          e->byteSize = sizeof(VstMidiSysexEvent);
          e->deltaFrames = mIn.ConsumeIntegral<int32_t>();
          const std::string dump = mIn.ConsumeRandomLengthString(600);
          auto bytes = std::make_unique<char[]>(std::max<size_t>(dump.size(), 1));
          std::memcpy(bytes.get(), dump.data(), dump.size());
          e->dumpBytes = static_cast<int32_t>(dump.size());
          e->sysexDump = dump.empty() && mIn.ConsumeBool() ? nullptr : bytes.get();
          event = reinterpret_cast<VstEvent*>(e.get());
          sysex.push_back(std::move(e));
          dumps.push_back(std::move(bytes));
          break;
        }
        case 2: {
          // Any other kind of event: the common header with its own type, never MIDI or SysEx.
          auto e = std::make_unique<VstEvent>();
          e->type = mIn.ConsumeIntegral<int32_t>();
          if (e->type == kVstMidiType || e->type == kVstSysExType) e->type = kVstAudioType;
          e->byteSize = mIn.ConsumeIntegral<int32_t>();
          e->deltaFrames = mIn.ConsumeIntegral<int32_t>();
          e->flags = mIn.ConsumeIntegral<int32_t>();
          for (char& c : e->data) c = mIn.ConsumeIntegral<char>();
          event = e.get();
          others.push_back(std::move(e));
          break;
        }
        default:
          break; // a null entry
      }
      slots[i] = event;
    }
    Dispatch(effProcessEvents, 0, 0, list);
  }

  void SetSpeakers() {
    auto make = [this]() -> std::unique_ptr<VstSpeakerArrangement> {
      if (mIn.ConsumeIntegralInRange<int>(0, 4) == 0) return nullptr;
      auto arrangement = std::make_unique<VstSpeakerArrangement>();
      arrangement->type = mIn.ConsumeBool() ? mIn.ConsumeIntegralInRange<int32_t>(-2, 29) : mIn.ConsumeIntegral<int32_t>();
      arrangement->numChannels =
          mIn.ConsumeBool() ? mIn.ConsumeIntegralInRange<int32_t>(-1, 9) : mIn.ConsumeIntegral<int32_t>();
      for (auto& speaker : arrangement->speakers) speaker.type = mIn.ConsumeIntegral<int32_t>();
      return arrangement;
    };
    auto inputs = make();
    auto outputs = make();
    Dispatch(effSetSpeakerArrangement, 0, reinterpret_cast<intptr_t>(inputs.get()), outputs.get());
  }

  void GetSpeakers() {
    auto inputs = std::make_unique<VstSpeakerArrangement*>(nullptr);
    auto outputs = std::make_unique<VstSpeakerArrangement*>(nullptr);
    const bool askInputs = mIn.ConsumeBool();
    const bool askOutputs = mIn.ConsumeBool();
    Dispatch(effGetSpeakerArrangement, 0, askInputs ? reinterpret_cast<intptr_t>(inputs.get()) : 0,
             askOutputs ? outputs.get() : nullptr);
    for (VstSpeakerArrangement* arrangement : {*inputs, *outputs}) {
      if (!arrangement) continue;
      // A host reads speakers[i] for every i below numChannels.
      Require(arrangement->numChannels >= 0 && arrangement->numChannels <= 8, "a speaker arrangement fits its record",
              arrangement->numChannels);
    }
  }

  // Host extensions: the display of an arbitrary normalised value, a parameter's value for a text,
  // whether a parameter has few steps, and whatever other index a host may send.
  void VendorSpecific() {
    if (mIn.ConsumeIntegralInRange<int>(0, 7) == 0) {
      FixedSeed();
      return;
    }
    static constexpr std::array<int32_t, 3> kKnown{effGetParamDisplay, 8, effString2Parameter};
    const int32_t index = mIn.ConsumeBool() ? kKnown[mIn.ConsumeIntegralInRange<size_t>(0, 2)] : mIn.ConsumeIntegral<int32_t>();
    const intptr_t value = mIn.ConsumeBool() ? mIn.ConsumeIntegralInRange<intptr_t>(-2, 12) : mIn.ConsumeIntegral<intptr_t>();
    const float opt = AnyFloat(mIn);
    const bool known = std::find(kKnown.begin(), kKnown.end(), index) != kKnown.end();
    if (!known) {
      auto canary = PatternBuffer(kTextBufferSize);
      Dispatch(effVendorSpecific, index, value, mIn.ConsumeBool() ? canary.get() : nullptr, opt);
      Require(Untouched(canary.get(), kTextBufferSize), "an unknown vendor call leaves ptr alone", index);
      return;
    }
    if (mIn.ConsumeIntegralInRange<int>(0, 7) == 0) {
      Dispatch(effVendorSpecific, index, value, nullptr, opt);
      return;
    }
    auto text = TextBuffer(mIn, kTextBufferSize - 1, kTextBufferSize);
    Dispatch(effVendorSpecific, index, value, text.get(), opt);
    Require(std::memchr(text.get(), '\0', kTextBufferSize) != nullptr, "vendor text stays terminated");
  }

  // The framework's fixed-seed call with its two requests and others, a seed at any alignment or
  // none: it only reads the seed, and answers its request or 0.
  void FixedSeed() {
    const int choice = mIn.ConsumeIntegralInRange<int>(0, 2);
    const intptr_t value = choice == 0 ? kUseFixedSeed : choice == 1 ? kUseSystemSource : mIn.ConsumeIntegral<intptr_t>();
    auto canary = PatternBuffer(kTextBufferSize);
    void* seed = mIn.ConsumeBool() ? canary.get() + mIn.ConsumeIntegralInRange<size_t>(0, 7) : nullptr;
    const intptr_t answer = Dispatch(effVendorSpecific, kFixedSeedIndex, value, seed, AnyFloat(mIn));
    Require(answer == 0 || (answer == value && (value == kUseSystemSource || seed)), "the seed call answers its request or 0",
            answer);
    Require(Untouched(canary.get(), kTextBufferSize), "the seed call leaves the seed alone");
  }

  // One block through one of the three audio calls, with buffers of exactly the block's length.
  void Process() {
    AEffect* effect = mInstance.Effect();
    const int kind = mIn.ConsumeIntegralInRange<int>(0, 2);
    const int32_t frames = mIn.ConsumeIntegralInRange<int>(0, 15) == 0 ? mIn.ConsumeIntegralInRange<int32_t>(-8, 0)
                                                                        : mIn.ConsumeIntegralInRange<int32_t>(1, 700);
    const size_t n = static_cast<size_t>(std::max(frames, 0));
    const int signal = mIn.ConsumeIntegralInRange<int>(0, 3);
    const float amplitude = mIn.ConsumeFloatingPointInRange<float>(0.0f, 4.0f);

    bool finiteInput = true;
    auto sample = [&](int c, size_t f) -> double {
      switch (signal) {
        case 0: return amplitude * std::sin(0.05 * static_cast<double>(f) + c);
        case 1: return 0.0;
        case 2: {
          // Arbitrary samples from the input, 32-bit ones, infinities and NaN included.
          if (mIn.remaining_bytes() < 4) return 0.0;
          const float v = AnyFloat(mIn);
          if (!std::isfinite(v)) finiteInput = false;
          return v;
        }
        default:
          return f % 2 == 0 ? amplitude : -amplitude; // the harshest tone there is
      }
    };

    const int inputs = effect->numInputs;
    const int outputs = effect->numOutputs;
    // With every channel connected, bypass hands the 64-bit input over bit for bit.
    kolmari::Kolmari& plugin = mInstance.Plugin();
    const bool bypassed = plugin.GetParam(kolmari::kBypass)->Value() == 1.0 &&
                          plugin.ConnectedInputCount() == inputs && plugin.ConnectedOutputCount() == outputs;
    if (kind == 2) {
      std::vector<std::unique_ptr<double[]>> in, out;
      std::vector<double*> inPtr, outPtr;
      for (int c = 0; c < inputs; ++c) {
        in.push_back(std::make_unique<double[]>(std::max<size_t>(n, 1)));
        for (size_t f = 0; f < n; ++f) in.back()[f] = sample(c, f);
        inPtr.push_back(in.back().get());
      }
      for (int c = 0; c < outputs; ++c) {
        out.push_back(std::make_unique<double[]>(std::max<size_t>(n, 1)));
        outPtr.push_back(out.back().get());
      }
      std::vector<std::vector<double>> dry;
      for (int c = 0; c < inputs; ++c) dry.emplace_back(in[static_cast<size_t>(c)].get(), in[static_cast<size_t>(c)].get() + n);
      // Replacing in place, as some hosts do, or into separate buffers.
      if (mIn.ConsumeBool() && inputs == outputs) {
        effect->processDoubleReplacing(effect, inPtr.data(), inPtr.data(), frames);
        outPtr = inPtr;
      } else {
        effect->processDoubleReplacing(effect, inPtr.data(), outPtr.data(), frames);
      }
      if (bypassed) {
        for (int c = 0; c < std::min(inputs, outputs); ++c) {
          Require(n == 0 || std::memcmp(outPtr[static_cast<size_t>(c)], dry[static_cast<size_t>(c)].data(), n * sizeof(double)) == 0,
                  "bypass gives the input bit for bit", c);
        }
      }
      if (finiteInput) {
        for (double* channel : outPtr) {
          for (size_t f = 0; f < n; ++f) Require(std::isfinite(channel[f]), "64-bit output is finite", static_cast<long long>(f));
        }
      }
    } else {
      std::vector<std::unique_ptr<float[]>> in, out;
      std::vector<float*> inPtr, outPtr;
      for (int c = 0; c < inputs; ++c) {
        in.push_back(std::make_unique<float[]>(std::max<size_t>(n, 1)));
        for (size_t f = 0; f < n; ++f) in.back()[f] = static_cast<float>(sample(c, f));
        inPtr.push_back(in.back().get());
      }
      for (int c = 0; c < outputs; ++c) {
        out.push_back(std::make_unique<float[]>(std::max<size_t>(n, 1)));
        outPtr.push_back(out.back().get());
      }
      if (kind == 0) {
        effect->process(effect, inPtr.data(), outPtr.data(), frames);
      } else if (mIn.ConsumeBool() && inputs == outputs) {
        effect->processReplacing(effect, inPtr.data(), inPtr.data(), frames);
        outPtr = inPtr;
      } else {
        effect->processReplacing(effect, inPtr.data(), outPtr.data(), frames);
      }
      if (finiteInput) {
        for (float* channel : outPtr) {
          for (size_t f = 0; f < n; ++f) Require(std::isfinite(channel[f]), "32-bit output is finite", static_cast<long long>(f));
        }
      }
    }
  }

  void CheckInvariants() {
    kolmari::fuzz::RequireParametersInRange(mInstance);
    AEffect* effect = mInstance.Effect();
    const intptr_t program = Dispatch(effGetProgram);
    Require(program >= 0 && program < effect->numPrograms, "the current program is one of the programs", program);
    kolmari::Kolmari& plugin = mInstance.Plugin();
    Require(effect->magic == kEffectMagic, "the effect record keeps its magic");
    Require(effect->object == &plugin, "the effect record leads to its plug-in");
    Require(effect->numParams == plugin.NParams(), "the record counts the parameters");
    Require(effect->numInputs >= 0 && effect->numInputs <= plugin.MaxChannels(lumen::ERoute::Input),
            "the record's input count", effect->numInputs);
    Require(effect->numOutputs >= 0 && effect->numOutputs <= plugin.MaxChannels(lumen::ERoute::Output),
            "the record's output count", effect->numOutputs);
  }

  FuzzedDataProvider& mIn;
  Instance mInstance;
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  FuzzedDataProvider in(data, size);
  gHost = HostAnswers{};
  gHost.product = in.ConsumeRandomLengthString(80);
  gHost.vendorVersion = in.ConsumeIntegral<intptr_t>();
  gHost.hasTime = in.ConsumeBool();
  if (gHost.hasTime) {
    const Bytes bytes = in.ConsumeBytes<uint8_t>(sizeof(VstTimeInfo));
    if (!bytes.empty()) std::memcpy(&gHost.time, bytes.data(), bytes.size());
  }
  gHost.processLevel = in.ConsumeIntegralInRange<intptr_t>(-1, 5);
  gHost.eventsAnswer = in.ConsumeIntegralInRange<intptr_t>(-1, 2);
  gHost.sizeWindowAnswer = in.ConsumeIntegralInRange<intptr_t>(0, 1);
  gParamCount = kolmari::kNumParams;

  Session session(in);
  session.Run();
  return 0;
}
