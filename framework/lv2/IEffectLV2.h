#pragma once

#include "IEffectAPIBase.h"
#include "IEffectProcessor.h"
#include "IInstanceInfo.h"
#include "Lv2Ports.h"

#include <cstdint>
#include <vector>

namespace lumen {

// The LV2 binding, the DSP half: audio and control ports onto the shared processor and parameters.
// It asks the host for no feature at all.
//
// Ports may be connected (to a buffer or to NULL) at any time, before or after activate; the
// pointers are only stored, and read inside Run. Each Run reads the control inputs and hands a
// value that changed since the last Run to SetParamFromHost in plain units, at the block's start.
// Run takes no lock and allocates nothing: the pointer arrays and the last values are made with
// the instance.
class IEffectLV2 : public IEffectAPIBase, public IEffectProcessor {
public:
  IEffectLV2(const IEffectSettings& settings, const IInstanceInfo& info);
  ~IEffectLV2() override;

  const Lv2PortLayout& Layout() const { return mLayout; }

  // The LV2 instance calls; each is safe against an out-of-range port or a NULL buffer.
  void ConnectPort(uint32_t port, void* data);
  void Activate();
  void Deactivate();
  void Run(uint32_t frames);
  bool IsActive() const { return mActive; }

  bool SendMidiToHost(const IMidiMessage&) override { return false; }
  void BeginParamGesture(int) override {}
  void EndParamGesture(int) override {}
  void AutomateParam(int, double) override {}

private:
  void ReadControls();

  Lv2PortLayout mLayout;
  int mBypassIndex = -2; // -2: not looked up yet
  bool mActive = false;
  std::vector<float*> mInputs;
  std::vector<float*> mOutputs;
  // The buffers one pass of the processor reads and writes.
  std::vector<float*> mInputPass;
  std::vector<float*> mOutputPass;
  std::vector<const float*> mControls;
  // The control values applied last, as the ports held them; NaN before the first Run, so that the
  // first Run applies every connected port.
  std::vector<float> mLastControls;
  float* mLatency = nullptr;
};

// Made by the plug-in: one instance per instantiate call. The entry point serialises calls.
IEffectLV2* MakePlugin(const IInstanceInfo& info);

} // namespace lumen
