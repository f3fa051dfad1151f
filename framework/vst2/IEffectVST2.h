#pragma once

#include "IEffectAPIBase.h"
#include "IEffectProcessor.h"
#include "IInstanceInfo.h"

namespace lumen {

// The VST 2.4 binding: one object is host binding, processor and editor delegate at once.
class IEffectVST2 : public IEffectAPIBase, public IEffectProcessor {
public:
  static constexpr int kDefaultBlockSize = 512;

  IEffectVST2(const IEffectSettings& settings, const IInstanceInfo& info);
  ~IEffectVST2() override;

  bool SendMidiToHost(const IMidiMessage& message) override;

protected:
  HostCallback Host() const { return mHostCallback; }

private:
  HostCallback mHostCallback = nullptr;
};

} // namespace lumen
