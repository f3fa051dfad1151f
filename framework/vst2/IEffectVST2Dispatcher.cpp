// The dispatcher: everything the host asks that is not audio or a single parameter value.
#include "IEffectVST2.h"
#include "ICanvas.h"

#include "IKeyEvent.h"
#include "NumberText.h"
#include "HostCallGuard.h"
#include "ParamFacts.h"
#include "Trace.h"
#include "VstKeyTranslation.h"

#include <algorithm>
#include <climits>
#include <cstddef>
#include <cstring>
#include <string>
#include <string_view>

namespace lumen {

using namespace vst2;

namespace {

void CopyText(void* destination, const std::string& text) {
  std::memcpy(destination, text.c_str(), text.size() + 1);
}

void CopyText(void* destination, const char* text) { std::strcpy(static_cast<char*>(destination), text); }

// Into a fixed field of a host record: cut to fit, always terminated.
template <size_t N>
void CopyBounded(char (&field)[N], std::string_view text) {
  const size_t n = std::min(text.size(), N - 1);
  std::memcpy(field, text.data(), n);
  field[n] = '\0';
}

} // namespace

intptr_t IEffectVST2::VSTDispatcher(AEffect* effect, int32_t opcode, int32_t index, intptr_t value, void* ptr,
                                    float opt) {
  IEffectVST2* plugin = FromEffect(effect);
  if (!plugin || opcode > kLastOpcode) return 0;
  return GuardHostCall<intptr_t>(0, [&]() -> intptr_t {
    if (opcode == effClose) {
      delete plugin;
      return 0;
    }
    return plugin->Dispatch(opcode, index, value, ptr, opt);
  });
}

intptr_t IEffectVST2::Dispatch(int32_t opcode, int32_t index, intptr_t value, void* ptr, float opt) {
  Trace("lumen::IEffectVST2::VSTDispatcher", __LINE__, "%d %s %f", opcode, PluginName().c_str(), opt);
  switch (opcode) {
    case effOpen:
      if (Host() == HostId::Unidentified) IdentifyHost();
      NotifyAllParams(ParamSource::Reset);
      return 0;

    case effSetProgram:
      if (!UsesStateChunks()) ModifyCurrentPreset();
      LoadPreset(value >= 0 && value <= INT32_MAX ? static_cast<int>(value) : -1); // never wrap into range
      return 0;
    case effGetProgram:
      return CurrentPresetIndex();
    case effSetProgramName:
      if (ptr) {
        ModifyCurrentPreset(static_cast<const char*>(ptr));
        OnPresetsChanged();
      }
      return 0;
    case effGetProgramName:
      if (ptr) {
        const char* name = PresetName(CurrentPresetIndex());
        CopyText(ptr, name ? name : "");
      }
      return 0;
    case effGetProgramNameIndexed: {
      if (!ptr) return 0;
      const char* name = PresetName(index);
      CopyText(ptr, name ? name : "");
      return name && name[0] != '\0' ? 1 : 0;
    }

    case effGetParamLabel:
      if (ValidParam(index) && ptr) CopyText(ptr, GetParam(index)->DisplayLabel());
      return 0;
    case effGetParamDisplay:
      if (ValidParam(index) && ptr) {
        ParamDisplayText() = ParamFacts::DisplayText(*GetParam(index), GetParam(index)->Value(), false);
        Trace("lumen::IEffectVST2::VSTDispatcher", __LINE__, "%d %s", index, ParamDisplayText().c_str());
        CopyText(ptr, ParamDisplayText());
      }
      return 0;
    case effGetParamName:
      if (ValidParam(index) && ptr) CopyText(ptr, GetParam(index)->Name());
      return 0;
    case effCanBeAutomated:
      return ValidParam(index) && !(GetParam(index)->Flags() & IParam::NotAutomatable) ? 1 : 0;
    case effString2Parameter:
      return StringToParameter(index, static_cast<const char*>(ptr));
    case effGetParameterProperties:
      return ParameterProperties(index, static_cast<VstParameterProperties*>(ptr));

    case effSetSampleRate:
      SetSampleRate(static_cast<double>(opt));
      OnReset();
      return 0;
    case effSetBlockSize:
      SetBlockSize(static_cast<int>(std::clamp<intptr_t>(value, 0, IEffectProcessor::kMaxBlockSize)));
      OnReset();
      return 0;
    case effMainsChanged:
      if (value != 0) {
        OnActivate(true);
      } else {
        OnActivate(false);
        OnReset();
      }
      return 0;

    case effEditGetRect: {
      if (!ptr || !HasEditor()) return 0;
      int width = 0;
      int height = 0;
      EditorSizeForHost(width, height);
      UpdateEditRect();
      *static_cast<ERect**>(ptr) = &mEditRect;
      return 1;
    }
    case effEditOpen:
      return OpenEditorWindow(ptr);
    case effEditClose:
      return CloseEditorWindow();
    case effEditIdle:
      // Hosts on platforms whose editor window has no message loop of its own give it time here.
      IdleEditor();
      return 0;
    case effEditKeyDown:
    case effEditKeyUp:
      return KeyEvent(opcode == effEditKeyDown, index, value, opt);

    case effIdentify:
      return FourCharCode("NvEf");
    case effGetChunk:
      return GetChunk(static_cast<void**>(ptr), index != 0);
    case effSetChunk:
      return SetChunk(ptr, value, index != 0);
    case effProcessEvents:
      return ProcessEvents(static_cast<const VstEvents*>(ptr));

    case effGetInputProperties:
      return PinProperties(ERoute::Input, index, static_cast<VstPinProperties*>(ptr));
    case effGetOutputProperties:
      return PinProperties(ERoute::Output, index, static_cast<VstPinProperties*>(ptr));
    case effGetPlugCategory:
      return PlugType() == 1 ? kPlugCategSynth : kPlugCategEffect;
    case effSetSpeakerArrangement:
      return SetSpeakerArrangement(reinterpret_cast<const VstSpeakerArrangement*>(value),
                                   static_cast<const VstSpeakerArrangement*>(ptr));
    case effGetSpeakerArrangement:
      if (value) *reinterpret_cast<VstSpeakerArrangement**>(value) = &mInputArrangement;
      if (ptr) *static_cast<VstSpeakerArrangement**>(ptr) = &mOutputArrangement;
      return 1;

    case effGetEffectName:
      if (!ptr) return 0;
      CopyText(ptr, PluginName());
      return 1;
    case effGetVendorString:
      if (!ptr) return 0;
      CopyText(ptr, MakerName());
      return 1;
    case effGetProductString:
      if (!ptr) return 0;
      CopyText(ptr, ProductName());
      return 1;
    case effGetVendorVersion:
      return mEffect.version;
    case effVendorSpecific:
      return VendorSpecific(index, value, ptr, opt);
    case effCanDo:
      return CanDo(static_cast<const char*>(ptr));
    case effGetTailSize:
      return TailSize();
    case effGetVstVersion:
      return kVstVersion;
    case effGetMidiKeyName: {
      if (!ptr) return 0;
      auto* key = static_cast<MidiKeyName*>(ptr);
      key->keyName[0] = '\0';
      std::string name;
      const bool named = MidiNoteName(key->thisKeyNumber, name);
      CopyBounded(key->keyName, name);
      return named ? 1 : 0;
    }
    default:
      return 0;
  }
}

intptr_t IEffectVST2::StringToParameter(int index, const char* text) {
  if (!text) return 1;
  const IParam* param = GetParam(index);
  if (!param) return 0;
  // Empty text is how hosts ask whether typing is supported: yes, and nothing changes.
  if (const auto value = ParamFacts::ParseText(*param, text)) SetParamFromHost(index, *value, HostValue::Plain);
  return 1;
}

intptr_t IEffectVST2::ParameterProperties(int index, VstParameterProperties* properties) {
  if (!ValidParam(index) || !properties) return 0;
  const IParam* param = GetParam(index);
  switch (ParamFacts::Declared(*param)) {
    case ParamFacts::DeclaredKind::Switch:
      properties->flags = kVstParameterIsSwitch;
      break;
    case ParamFacts::DeclaredKind::Integer:
      properties->flags = kVstParameterUsesIntegerMinMax | kVstParameterUsesIntStep;
      properties->minInteger = static_cast<int32_t>(param->Min());
      properties->maxInteger = static_cast<int32_t>(param->Max());
      properties->stepInteger = 1;
      properties->largeStepInteger = 1;
      break;
    case ParamFacts::DeclaredKind::Number:
      properties->flags = kVstParameterUsesFloatStep;
      properties->stepFloat = properties->smallStepFloat = properties->largeStepFloat =
          static_cast<float>(param->Step());
      break;
  }
  // Hosts show this label as the parameter's name (a host listing "%" three times, or nothing at
  // all for a switch, helps nobody), so it carries the name; the unit stays with effGetParamLabel.
  CopyBounded(properties->label, param->Name());
  return 1;
}

intptr_t IEffectVST2::GetChunk(void** data, bool isProgram) {
  if (!data) return 0;
  IStateBuffer& buffer = isProgram ? mProgramState : mBankState;
  const bool ok = isProgram ? WriteProgramChunk(buffer) : WriteBankChunk(buffer);
  if (!ok || buffer.Length() == 0) return 0;
  *data = buffer.Data();
  return buffer.Length();
}

intptr_t IEffectVST2::SetChunk(const void* data, intptr_t size, bool isProgram) {
  // A negative length is a host fault: nothing to read. Stored projects come from every earlier
  // version and from hosts that store a program as a bank, so loading is lenient.
  if (!data || size < 0) return 0;
  const auto* bytes = static_cast<const uint8_t*>(data);
  const auto length = static_cast<size_t>(size);
  const bool ok = isProgram ? ReadProgramChunk(bytes, length, ChunkLoading::Lenient) : ReadBankChunk(bytes, length);
  return ok ? 1 : 0;
}

intptr_t IEffectVST2::ProcessEvents(const VstEvents* events) {
  if (!events) return 0;
  // The host allocates the list with room for numEvents pointers, usually more than the two the
  // record declares: they are read where they lie in that allocation, since indexing the declared
  // array past its end is undefined.
  const auto* list = reinterpret_cast<const VstEvent* const*>(reinterpret_cast<const char*>(events) +
                                                              offsetof(VstEvents, events));
  for (int32_t i = 0; i < events->numEvents; ++i) {
    const VstEvent* event = list[i];
    if (!event) continue;
    if (event->type == kVstMidiType) {
      const auto* midi = reinterpret_cast<const VstMidiEvent*>(event);
      IMidiMessage message;
      message.offset = midi->deltaFrames;
      message.status = static_cast<uint8_t>(midi->midiData[0]);
      message.data1 = static_cast<uint8_t>(midi->midiData[1]);
      message.data2 = static_cast<uint8_t>(midi->midiData[2]);
      OnMidiMessage(message);
      QueueMidiForEditor(message);
    } else if (event->type == kVstSysExType) {
      const auto* sysex = reinterpret_cast<const VstMidiSysexEvent*>(event);
      ISysExMessage message;
      message.offset = sysex->deltaFrames;
      message.size = sysex->dumpBytes;
      message.data = reinterpret_cast<const uint8_t*>(sysex->sysexDump);
      OnSysExMessage(message);
    }
  }
  return 1;
}

intptr_t IEffectVST2::PinProperties(ERoute direction, int index, VstPinProperties* properties) const {
  const int count = MaxChannels(direction);
  if (!properties || index < 0 || index >= count) return 0;
  properties->flags = kVstPinIsActive;
  if (index % 2 == 0 && index < count - 1) properties->flags |= kVstPinIsStereo;
  const std::string& label = ChannelLabel(direction, index);
  const std::string text = !label.empty() ? label
                           : (direction == ERoute::Input ? "Input " : "Output ") + NumberText::Integer(index + 1);
  CopyBounded(properties->label, text);
  return 1;
}

intptr_t IEffectVST2::SetSpeakerArrangement(const VstSpeakerArrangement* inputs, const VstSpeakerArrangement* outputs) {
  // The first n records of a direction become connected and the rest disconnected (reading and
  // writing their own scratch); more channels than the plug-in has are refused.
  const auto connect = [this](ERoute direction, int n, int limit) {
    if (n > limit) return false;
    const int count = MaxChannels(direction);
    const int connected = std::clamp(n, 0, count);
    ConnectChannels(direction, 0, connected, true);
    ConnectChannels(direction, connected, count - connected, false);
    return true;
  };
  if (inputs && !connect(ERoute::Input, inputs->numChannels, mEffect.numInputs)) return 0;
  if (outputs && !connect(ERoute::Output, outputs->numChannels, mEffect.numOutputs)) return 0;
  return 1;
}

intptr_t IEffectVST2::CanDo(const char* capability) {
  if (!capability) return 0;
  Trace("lumen::IEffectVST2::VSTCanDo", __LINE__, "VSTCanDo(%s)", capability);
  const std::string_view query(capability);
  if (query == "receiveVstTimeInfo") return 1;
  if ((query == "receiveVstEvents" || query == "receiveVstMidiEvent") && DoesMidiIn()) return 1;
  if ((query == "sendVstEvents" || query == "sendVstMidiEvent") && DoesMidiOut()) return 1;
  if (query == "hasCockosExtensions") {
    mHostExtensions |= kHostHasCockosExtensions;
    return kCockosExtensionsAnswer;
  }
  if (query == "hasCockosViewAsConfig") {
    mHostExtensions |= kHostHasCockosViewAsConfig;
    return kCockosExtensionsAnswer;
  }
  if (query == "wantsChannelCountNotifications") return 1;
  if (query == "MPE") return DoesMPE() ? 1 : 0;
  return VSTCanDo(capability);
}

intptr_t IEffectVST2::VendorSpecific(int32_t index, intptr_t value, void* ptr, float opt) {
  const bool validParam = value >= 0 && value < NParams();
  const int param = validParam ? static_cast<int>(value) : -1;
  switch (index) {
    case effGetParamDisplay:
      if (!ptr) break;
      if (!validParam) return kVendorAnswer;
      ParamDisplayText() = ParamFacts::DisplayText(*GetParam(param), GetParam(param)->DenormalizeValue(opt), false);
      CopyText(ptr, ParamDisplayText());
      return kVendorAnswer;
    case effString2Parameter: {
      if (!ptr || !validParam) break;
      auto* text = static_cast<char*>(ptr);
      if (text[0] == '\0') return kVendorAnswer;
      const IParam* p = GetParam(param);
      const auto typed = ParamFacts::ParseText(*p, text);
      if (!typed) return kVendorAnswer;
      CopyText(ptr, NumberText::Fixed(p->NormalizeValue(*typed), 17));
      return kVendorAnswer;
    }
    case kFixedSeedIndex:
      if (value == kUseFixedSeed || value == kUseSystemSource) return FixedSeed(value, ptr);
      break;
    case kVendorQueryFewSteps:
      if (validParam && ParamFacts::DeclaredTwoState(*GetParam(param))) return kVendorAnswer;
      break;
    default:
      break;
  }
  return VSTVendorSpecific(index, value, ptr, opt);
}

intptr_t IEffectVST2::FixedSeed(intptr_t request, const void* seed) {
  if (request == kUseSystemSource) return OnFixedSeed(std::nullopt) ? kUseSystemSource : 0;
  if (!seed) return 0;
  uint32_t value = 0;
  std::memcpy(&value, seed, sizeof value); // the host's variable need not be aligned
  return OnFixedSeed(value) ? kUseFixedSeed : 0;
}

intptr_t IEffectVST2::KeyEvent(bool down, int32_t character, intptr_t virtualKey, float modifiers) {
  IKeyEvent key;
  key.text[0] = static_cast<char>(character);
  key.text[1] = '\0';
  key.keyCode = vst2::PlatformKeyCode(static_cast<int32_t>(virtualKey), static_cast<char>(character));
  // The modifier bits come as a float; anything that is not a small whole number carries none.
  const int bits = modifiers >= 0.0f && modifiers < 65536.0f ? static_cast<int>(modifiers) : 0;
  key.shift = (bits & MODIFIER_SHIFT) != 0;
  key.control = (bits & MODIFIER_CONTROL) != 0;
  key.alt = (bits & MODIFIER_ALTERNATE) != 0;
  const bool used = down ? OnHostKeyDown(key) : OnHostKeyUp(key);
  return used ? 1 : 0;
}

intptr_t IEffectVST2::OpenEditorWindow(void* parent) { return OpenEditor(parent) != nullptr ? 1 : 0; }

intptr_t IEffectVST2::CloseEditorWindow() {
  if (!HasEditor()) return 0;
  CloseEditor(); // does nothing while a close is already under way
  return 1;
}

} // namespace lumen
