#pragma once

#include "IEffectAPIBase.h"
#include "IEffectProcessor.h"
#include "IInstanceInfo.h"
#include "IStateBuffer.h"
#include "Vst3Interfaces.h"

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace lumen {

namespace vst3 {
class Vst3PlugView;
}

// The VST3 binding's plug-in instance: host binding, processor and edit controller at once. The
// host never sees this class; it talks to the COM objects (Vst3Component, Vst3PlugView) that wrap
// it, and they forward here with plain C++ types.
//
// Threads: Process runs on the audio thread and takes no lock and allocates nothing. Everything
// else (buses, setup, activation, state, the controller's parameter calls, the editor) runs on the
// host's main thread while processing may run; parameter values are atomic on their own.
class IEffectVST3 : public IEffectAPIBase, public IEffectProcessor {
public:
  static constexpr int kDefaultBlockSize = 512;
  // Parameter-change points held per block; a block with more applies the rest at its end.
  static constexpr int kMaxChangePoints = 4096;

  IEffectVST3(const IEffectSettings& settings, const IInstanceInfo& info);
  ~IEffectVST3() override;

  // Host context and handler. Each is referenced while held and released when replaced or at
  // Terminate; a null handler only releases the one held.
  void Initialize(v3_funknown** context);
  void Terminate();
  void SetComponentHandler(v3_component_handler** handler);

  // Buses: one audio bus each way, no event bus.
  int32_t BusCount(int32_t mediaType, int32_t direction) const;
  v3_result BusInfo(int32_t mediaType, int32_t direction, int32_t index, v3_bus_info* info) const;
  v3_result ActivateBus(int32_t mediaType, int32_t direction, int32_t index, bool active);
  // Mono to mono and stereo to stereo; anything else is refused and nothing changes.
  v3_result SetBusArrangements(const v3_speaker_arrangement* inputs, int32_t inputCount,
                               const v3_speaker_arrangement* outputs, int32_t outputCount);
  v3_result BusArrangement(int32_t direction, int32_t index, v3_speaker_arrangement* arrangement) const;

  v3_result SetupProcessing(const v3_process_setup* setup);
  v3_result SetActive(bool active);
  v3_result SetProcessing(bool processing);
  // Audio thread. Parameter changes are applied at their sample offsets: the block is processed in
  // pieces between them. Points before 0 apply at 0, points at or past the block's end after it;
  // changes for unknown ids are skipped. A call of 0 samples applies its changes and processes
  // nothing.
  v3_result Process(v3_process_data* data);

  // Component state: the same bytes as the VST 2.4 program chunk (header, then the parameters). A
  // stream that is not such a state leaves everything as it was and answers V3_FALSE.
  v3_result GetState(v3_bstream** stream);
  v3_result SetState(v3_bstream** stream);

  // The edit controller's parameters; ids are the parameter indices.
  int32_t ParameterCount() const { return NParams(); }
  v3_result ParameterInfo(int32_t index, v3_param_info* info) const;
  v3_result StringForValue(v3_param_id id, double normalized, int16_t* text128);
  v3_result ValueForString(v3_param_id id, const int16_t* text, double* normalized) const;
  double NormalizedToPlain(v3_param_id id, double normalized) const;
  double PlainToNormalized(v3_param_id id, double plain) const;
  double ParameterNormalized(v3_param_id id) const;
  v3_result SetParameterNormalized(v3_param_id id, double normalized);

  // Host-API operations this binding fills in.
  void InformHostOfPresetChange() override;
  bool ResizeEditorWindow(int width, int height) override;
  void BeginParamGesture(int paramIndex) override;
  void EndParamGesture(int paramIndex) override;
  void AutomateParam(int paramIndex, double normalized) override;
  // Processor operations this binding fills in.
  bool SendMidiToHost(const IMidiMessage& message) override;
  void SetLatency(int samples) override;

  // The view of the open editor, told by the view itself; null while none exists.
  void SetView(vst3::Vst3PlugView* view) { mView = view; }
  vst3::Vst3PlugView* View() const { return mView; }
  // The view is the editor's pump: the run loop of the host's frame.
  IEditorPump* EditorPump() override;
  // The editor's size in window pixels: before a window is open, the size it will open at (hosts
  // size their window from it and some never listen to a later resize).
  void ViewSize(int& width, int& height);
  // The size the host gave the view.
  void SetViewSize(int width, int height) { SetEditorSize(width, height); }

  // The arrangement in force (mono or stereo).
  v3_speaker_arrangement Arrangement() const { return mArrangement; }

private:
  struct ChangePoint {
    int32_t offset;
    int32_t order; // the order the host gave, so equal offsets keep it
    int32_t param;
    double value;
  };
  // The block's sorted change points as the processor cuts the block at them.
  class Changes final : public IBlockChanges {
  public:
    explicit Changes(IEffectVST3& plugin) : mPlugin(plugin) {}
    int Count() const override { return static_cast<int>(mPlugin.mPoints.size()); }
    int Offset(int index) const override { return mPlugin.mPoints[static_cast<size_t>(index)].offset; }
    void Apply(int index, int offset) override {
      const ChangePoint& point = mPlugin.mPoints[static_cast<size_t>(index)];
      mPlugin.ApplyChange(point.param, point.value, offset);
    }

  private:
    IEffectVST3& mPlugin;
  };

  bool ValidParam(v3_param_id id) const { return id < static_cast<v3_param_id>(NParams()); }
  void ReadContext(const v3_process_context* context);
  int CollectChanges(v3_param_changes** changes, int32_t frames);
  void ApplyChange(int param, double normalized, int offset);
  template <typename Sample>
  void MarkSilence(v3_process_data& data);
  bool BuffersUsable(const v3_process_data& data) const;
  void ApplyArrangement(v3_speaker_arrangement arrangement);

  v3_funknown** mContext = nullptr;
  v3_component_handler** mHandler = nullptr;
  vst3::Vst3PlugView* mView = nullptr;
  int32_t mSampleSize = V3_SAMPLE_32;
  bool mActive = false;
  v3_speaker_arrangement mArrangement = V3_SPEAKER_L | V3_SPEAKER_R;
  std::vector<ChangePoint> mPoints;      // capacity kMaxChangePoints, reserved at construction
  std::vector<double> mOverflow;         // per parameter: the last point that did not fit, or NaN
  Changes mChanges;
  IStateBuffer mState;
};

// Made by the plug-in: its one instance per call. The entry point serialises calls.
IEffectVST3* MakePlugin(const IInstanceInfo& info);

} // namespace lumen
