#include "IEffectBase.h"

#include "NumberText.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <string>

namespace lumen {

IEffectBase::IEffectBase(const IEffectSettings& settings)
    : ICanvasEditorDelegate(settings.nParams),
      mPresets(static_cast<size_t>(std::max(settings.nPresets, 0))),
      mUsesStateChunks(settings.usesStateChunks) {}

IEffectBase::~IEffectBase() = default;

void IEffectBase::OnBeforeSerialize() {}

bool IEffectBase::SerializeParams(IStateBuffer& buffer) const {
  for (int i = 0; i < NParams(); ++i) {
    if (buffer.PutValue(GetParam(i)->Value()) <= 0) return false;
  }
  return true;
}

int IEffectBase::UnserializeParams(const IStateBuffer& buffer, int startPos) {
  int pos = startPos;
  for (int i = 0; i < NParams() && pos >= 0; ++i) {
    double value = 0.0;
    pos = buffer.GetValue(value, pos);
    GetParam(i)->Set(value);
  }
  NotifyAllParams(ParamSource::Preset);
  return pos;
}

bool IEffectBase::SerializeExtraState(IStateBuffer&) const { return true; }

int IEffectBase::UnserializeExtraState(const IStateBuffer&, int pos) { return pos; }

void IEffectBase::InformHostOfPresetChange() {}

void IEffectBase::OnPresetsChanged() {}

bool IEffectBase::SerializePresets(IStateBuffer& buffer) const {
  for (const IPresetSlot& slot : mPresets) {
    buffer.PutString(slot.Name());
    buffer.PutValue(static_cast<uint8_t>(slot.IsInitialized() ? 1 : 0));
    if (slot.IsInitialized()) buffer.PutBytes(slot.State().Data(), slot.State().Length());
  }
  return true;
}

int IEffectBase::UnserializePresets(const IStateBuffer& buffer, int startPos) {
  // One name string serves all records, so a record cut inside its name keeps the last name read.
  std::string name;
  int pos = startPos;
  for (int i = 0; i < PresetCount() && pos >= 0; ++i) {
    IPresetSlot& slot = mPresets[static_cast<size_t>(i)];

    // Where the flag byte is, or -1 when the record is cut before it. A negative length would move
    // the reader backwards, so such a record counts as cut short too.
    int flagPos = -1;
    int32_t nameLength = 0;
    const int namePos = buffer.GetValue(nameLength, pos);
    if (namePos >= 0 && nameLength >= 0 && buffer.Fits(namePos, nameLength)) {
      name.assign(reinterpret_cast<const char*>(buffer.Data()) + namePos, static_cast<size_t>(nameLength));
      flagPos = namePos + nameLength;
    }
    slot.SetName(name);

    uint8_t flag = 0;
    pos = buffer.GetValue(flag, flagPos);
    if (pos < 0) break;

    const bool wasInitialized = slot.IsInitialized();
    slot.SetInitialized(flag != 0);
    if (slot.IsInitialized()) {
      pos = UnserializeParams(buffer, pos);
      if (pos > 0) {
        StoreParamsIn(slot);
      } else {
        // The state bytes were cut: the slot keeps its flag rather than claim a state it never got.
        slot.SetInitialized(wasInitialized);
      }
    }
  }
  LoadPreset(mCurrentPreset);
  return pos;
}

void IEffectBase::ModifyCurrentPreset(const char* name) {
  if (mCurrentPreset < 0 || mCurrentPreset >= PresetCount()) return;
  IPresetSlot& slot = mPresets[static_cast<size_t>(mCurrentPreset)];
  StoreParamsIn(slot);
  if (name && name[0] != '\0') slot.SetName(name);
}

bool IEffectBase::LoadPreset(int index) {
  if (index < 0 || index >= PresetCount()) return false;
  IPresetSlot& slot = mPresets[static_cast<size_t>(index)];

  bool success = false;
  if (slot.IsInitialized()) {
    success = UnserializeParams(slot.State(), 0) > 0;
  } else {
    const auto named = std::count_if(mPresets.begin(), mPresets.end(), [](const IPresetSlot& s) {
      return std::strstr(s.Name(), kUserPresetText) != nullptr;
    });
    slot.SetInitialized(true);
    slot.SetName(std::string(kUserPresetText) + " " + NumberText::Integer(named + 1));
    success = StoreParamsIn(slot);
  }

  if (success) {
    mCurrentPreset = index;
    OnPresetsChanged();
    OnStateRestored();
  }
  return success;
}

void IEffectBase::FillEmptyPresets() {
  for (IPresetSlot& slot : mPresets) {
    if (slot.IsInitialized()) continue;
    slot.SetInitialized(true);
    slot.SetName("Empty");
    StoreParamsIn(slot);
  }
}

const char* IEffectBase::PresetName(int index) const {
  const IPresetSlot* slot = PresetSlot(index);
  return slot ? slot->Name() : nullptr;
}

const IPresetSlot* IEffectBase::PresetSlot(int index) const {
  if (index < 0 || index >= PresetCount()) return nullptr;
  return &mPresets[static_cast<size_t>(index)];
}

// Clearing first matters: a slot that was initialised once and then marked uninitialised by a bank
// still holds its old bytes, and appending to them would give it a state of the wrong length.
bool IEffectBase::StoreParamsIn(IPresetSlot& slot) const {
  slot.State().Clear();
  return SerializeParams(slot.State());
}

int IEffectBase::BypassParamIndex() const {
  for (int i = 0; i < NParams(); ++i) {
    const IParam* p = GetParam(i);
    const double range = p->Max() - p->Min();
    if (std::strcmp(p->Name(), "Bypass") == 0 && range > 0.0 && p->Step() >= range) return i;
  }
  return -1;
}

} // namespace lumen
