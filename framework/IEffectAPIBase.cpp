#include "IEffectAPIBase.h"

#include <algorithm>

namespace lumen {

namespace {

std::string IdentityText(const char* text) {
  std::string s = text ? text : "";
  if (s.size() > IEffectAPIBase::kMaxIdentityText) s.resize(IEffectAPIBase::kMaxIdentityText);
  return s;
}

} // namespace

IEffectAPIBase::IEffectAPIBase(const IEffectSettings& settings, PluginApi api)
    : IEffectBase(settings),
      mPluginName(IdentityText(settings.pluginName)),
      mProductName(IdentityText(settings.productName)),
      mMakerName(IdentityText(settings.makerName)),
      mUniqueId(settings.uniqueId),
      mMakerId(settings.makerId),
      mVersion(settings.version),
      mHasEditor(settings.hasEditor),
      mEditorFlag(settings.editorFlag),
      mIdentifier(IdentityText(settings.identifier)),
      mApi(api) {
  SetEditorSize(settings.editorWidth, settings.editorHeight);
  SetEditorSizeLimits(std::min(settings.minEditorWidth, settings.maxEditorWidth),
                      std::max(settings.minEditorWidth, settings.maxEditorWidth),
                      std::min(settings.minEditorHeight, settings.maxEditorHeight),
                      std::max(settings.minEditorHeight, settings.maxEditorHeight));
}

IEffectAPIBase::~IEffectAPIBase() = default;

void IEffectAPIBase::OnIdle() {}

} // namespace lumen
