#pragma once

#include "ICanvasEditorDelegate.h"
#include "IEffectSettings.h"

namespace lumen {

// The plug-in base that owns the state: parameters (through the delegate) and the preset slots.
class IEffectBase : public ICanvasEditorDelegate {
public:
  explicit IEffectBase(const IEffectSettings& settings);
  ~IEffectBase() override;

  int NPresets() const { return mNPresets; }
  bool UsesStateChunks() const { return mUsesStateChunks; }

private:
  int mNPresets = 0;
  bool mUsesStateChunks = false;
};

} // namespace lumen
