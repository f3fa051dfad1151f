#pragma once

#include "IEffectBase.h"
#include "IEffectSettings.h"

#include <cstdint>
#include <string>

namespace lumen {

enum class PluginApi : int32_t { VST2 = 0, VST3 = 1, AU = 2, AUv3 = 3, AAX = 4, APP = 5, WAM = 6, WEB = 7 };

// Sits between the plug-in base and a concrete host binding: the plug-in's identity, the host's
// identity, and the traffic between host, processor and editor.
class IEffectAPIBase : public IEffectBase {
public:
  static constexpr size_t kMaxIdentityText = 128;

  explicit IEffectAPIBase(const IEffectSettings& settings, PluginApi api);
  ~IEffectAPIBase() override;

  // Called on every tick of the idle timer on the host's main thread.
  virtual void OnIdle();

  const std::string& PluginName() const { return mPluginName; }
  const std::string& ProductName() const { return mProductName; }
  const std::string& MakerName() const { return mMakerName; }
  const std::string& Identifier() const { return mIdentifier; }
  int32_t UniqueId() const { return mUniqueId; }
  int32_t MakerId() const { return mMakerId; }
  int32_t Version() const { return mVersion; }
  bool HasEditor() const { return mHasEditor; }
  PluginApi Api() const { return mApi; }

private:
  std::string mPluginName;
  std::string mProductName;
  std::string mMakerName;
  int32_t mUniqueId = 0;
  int32_t mMakerId = 0;
  int32_t mVersion = 0;
  bool mHasEditor = false;
  bool mEditorFlag = false;
  std::string mIdentifier;
  PluginApi mApi = PluginApi::VST2;
};

} // namespace lumen
