// The chunks hosts keep: one program, or the whole bank of preset slots, behind the same header.
#include "IEffectBase.h"

#include "StateStream.h"

#include <cmath>
#include <cstring>

namespace lumen {

namespace {

constexpr int kHeaderBytes = 2 * static_cast<int>(sizeof(uint32_t));

bool CopyIn(const uint8_t* data, size_t size, IStateBuffer& buffer) {
  if (!data || size > StateStream::kMaxStateSize) return false;
  buffer.Resize(static_cast<int>(size));
  // A host may hand back the very bytes an earlier chunk query gave it: copy, never alias.
  if (size > 0) std::memmove(buffer.Data(), data, size);
  return true;
}

} // namespace

bool IEffectBase::WriteProgramChunk(IStateBuffer& buffer) const {
  buffer.Clear();
  buffer.PutValue(kChunkMagic);
  buffer.PutValue(kChunkVersion);
  return SerializeParams(buffer);
}

bool IEffectBase::WriteBankChunk(IStateBuffer& buffer) {
  ModifyCurrentPreset();
  buffer.Clear();
  buffer.PutValue(kChunkMagic);
  buffer.PutValue(kChunkVersion);
  return SerializePresets(buffer) && buffer.Length() > 0;
}

bool IEffectBase::ReadProgramChunk(const uint8_t* data, size_t size, ChunkLoading loading) {
  IStateBuffer buffer;
  if (!CopyIn(data, size, buffer)) return false;
  if (loading == ChunkLoading::Lenient) return ReadLenientChunk(buffer, false);

  const int expected = kHeaderBytes + static_cast<int>(sizeof(double)) * NParams();
  uint32_t magic = 0;
  uint32_t version = 0;
  if (buffer.Length() < expected || buffer.GetValue(magic, 0) < 0 || buffer.GetValue(version, 4) < 0) return false;
  if (magic != kChunkMagic || version != kChunkVersion) return false;
  for (int i = 0; i < NParams(); ++i) {
    double value = 0.0;
    buffer.GetValue(value, kHeaderBytes + static_cast<int>(sizeof(double)) * i);
    if (!std::isfinite(value)) return false;
  }
  if (UnserializeParams(buffer, kHeaderBytes) < 0) return false;
  ModifyCurrentPreset();
  OnStateRestored();
  return true;
}

bool IEffectBase::ReadBankChunk(const uint8_t* data, size_t size) {
  IStateBuffer buffer;
  return CopyIn(data, size, buffer) && ReadLenientChunk(buffer, true);
}

bool IEffectBase::ReadLenientChunk(const IStateBuffer& buffer, bool isBank) {
  uint32_t magic = 0;
  uint32_t version = 0;
  int pos = 0;
  if (buffer.GetValue(magic, 0) == 4 && magic == kChunkMagic) pos = buffer.GetValue(version, 4);
  if (isBank && pos >= 0 && version >= kChunkVersion) {
    pos = UnserializePresets(buffer, pos);
  } else {
    pos = UnserializeParams(buffer, pos);
    ModifyCurrentPreset();
  }
  if (pos < 0) return false;
  OnStateRestored();
  return true;
}

} // namespace lumen
