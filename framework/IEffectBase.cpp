#include "IEffectBase.h"

namespace lumen {

IEffectBase::IEffectBase(const IEffectSettings& settings)
    : ICanvasEditorDelegate(settings.nParams),
      mNPresets(settings.nPresets),
      mUsesStateChunks(settings.usesStateChunks) {}

IEffectBase::~IEffectBase() = default;

} // namespace lumen
