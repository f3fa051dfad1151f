#pragma once

#include "ICanvasEditorDelegate.h"
#include "IEffectSettings.h"
#include "IPresetSlot.h"
#include "IStateBuffer.h"

#include <cstdint>
#include <vector>

namespace lumen {

// The plug-in base that owns the state: the parameters (through the delegate) and the preset
// slots, and the byte layouts in which hosts store them.
//
// Layouts (little-endian; hosts keep these bytes, so they never change):
// - Parameter state: each parameter's real value as a 64-bit float, in index order; 8 x N bytes.
// - Bank: for each slot in order, the name length L (32-bit signed), L name bytes without
//   terminator, an initialised byte (0 or 1) and, only when initialised, the slot's 8 x N state
//   bytes.
// The 8-byte header in front of a chunk is the binding's: magic kChunkMagic, then kChunkVersion.
//
// These operations run on the host's main thread; they take no lock against the audio thread, which
// may see a half-restored state for one block (each value is atomic on its own).
class IEffectBase : public ICanvasEditorDelegate {
public:
  static constexpr uint32_t kChunkMagic = 0x70666674;
  static constexpr uint32_t kChunkVersion = 0x00010000;
  static constexpr const char* kUserPresetText = "user preset";

  explicit IEffectBase(const IEffectSettings& settings);
  ~IEffectBase() override;

  // Reserved for plug-ins that prepare their state before it is written; nothing calls it here.
  virtual void OnBeforeSerialize();

  // Appends every parameter's value; true when every append left the buffer non-empty.
  virtual bool SerializeParams(IStateBuffer& buffer) const;
  // Reads the values from startPos on and sets the parameters (stepped and clamped); returns the
  // position after the last value, or -1 when the buffer ends early. A cut buffer sets the
  // parameters before the cut, applies 0.0 (clamped) to the first missing one and leaves the rest.
  // A negative startPos sets nothing. Extra bytes after the last value are ignored. In every case
  // all parameters are then notified with source Preset.
  virtual int UnserializeParams(const IStateBuffer& buffer, int startPos);

  // Room for state beyond the parameters; this framework's plug-ins keep none, so these write
  // nothing and read nothing.
  virtual bool SerializeExtraState(IStateBuffer& buffer) const;
  virtual int UnserializeExtraState(const IStateBuffer& buffer, int pos);

  // Tells the host that the preset list changed; the binding fills it in.
  virtual void InformHostOfPresetChange();
  // After a preset became current.
  virtual void OnPresetsChanged();

  // How a binding takes a chunk its host hands back. Strict: only a whole program chunk (the header,
  // then every parameter's value present and finite; extra bytes after them are ignored), else
  // nothing changes. Lenient, for hosts that restore projects stored by earlier versions: the header
  // may be missing (the values then start at the first byte), and a chunk cut short still applies
  // the values before the cut and answers false.
  enum class ChunkLoading { Strict, Lenient };

  // The program chunk as every binding hands it to its host, so that presets cross formats: the
  // header, then the parameter state. Clears buffer first; false when the values cannot be written.
  bool WriteProgramChunk(IStateBuffer& buffer) const;
  // Sets the values from a program chunk, stores them in the current preset and tells the
  // delegate; see ChunkLoading for what is accepted. False for a null pointer or a chunk larger
  // than StateStream::kMaxStateSize.
  bool ReadProgramChunk(const uint8_t* data, size_t size, ChunkLoading loading);
  // The bank chunk: the header, then every preset slot (the current one holding the present values
  // first). Clears buffer first.
  bool WriteBankChunk(IStateBuffer& buffer);
  // A bank chunk, read leniently: with the header and a version this framework writes, every slot;
  // otherwise (an older host's program chunk stored as a bank) the values as a program chunk.
  bool ReadBankChunk(const uint8_t* data, size_t size);
  // The parameter hosts treat as their bypass switch: the two-state parameter named "Bypass"
  // (hosts know it only by a flag the bindings set), or -1 when there is none.
  int BypassParamIndex() const;

  // Appends the bank records; true.
  bool SerializePresets(IStateBuffer& buffer) const;
  // Reads bank records into the slots from startPos on, then loads the current preset; returns the
  // position after the last record read, or -1 for a bank that is cut short. A cut record stops the
  // reading: the slots before it are fully restored, the cut slot takes the last complete name read
  // (empty if none) and keeps its initialised flag.
  int UnserializePresets(const IStateBuffer& buffer, int startPos);

  // Stores the present parameter values in the current slot and, for a non-empty name, renames it.
  void ModifyCurrentPreset(const char* name = nullptr);
  // Makes slot index current. An initialised slot restores its values; an uninitialised one takes
  // the present values and the name "user preset K", K being one more than the number of slots
  // whose name contains "user preset". False, with nothing changed, for an index out of range.
  bool LoadPreset(int index);
  // Every uninitialised slot becomes "Empty" holding the present parameter values.
  void FillEmptyPresets();

  int CurrentPresetIndex() const { return mCurrentPreset; }
  int PresetCount() const { return static_cast<int>(mPresets.size()); }
  // The slot's name, or null for an index out of range.
  const char* PresetName(int index) const;
  // The slot, or null for an index out of range.
  const IPresetSlot* PresetSlot(int index) const;

  bool UsesStateChunks() const { return mUsesStateChunks; }

private:
  // The lenient reading of a program or bank chunk in buffer.
  bool ReadLenientChunk(const IStateBuffer& buffer, bool isBank);
  // Replaces a slot's state with the present parameter values.
  bool StoreParamsIn(IPresetSlot& slot) const;

  std::vector<IPresetSlot> mPresets;
  int mCurrentPreset = 0;
  bool mUsesStateChunks = false;
};

} // namespace lumen
