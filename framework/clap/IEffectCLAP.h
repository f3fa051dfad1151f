#pragma once

#include "ClapEditorPump.h"
#include "IEffectAPIBase.h"
#include "IEffectProcessor.h"
#include "IInstanceInfo.h"
#include "IMultiProducerRingQueue.h"

#include "events.h"
#include "ext/audio-ports.h"
#include "ext/gui.h"
#include "ext/latency.h"
#include "ext/params.h"
#include "ext/state.h"
#include "ext/timer-support.h"
#include "process.h"

#include <array>
#include <atomic>
#include <cstdint>
#include <optional>
#include <vector>

namespace lumen {

// The CLAP binding: one object is host binding, processor and editor delegate at once. The host
// sees only its clap_plugin record; the record's plugin_data leads back here.
//
// Threads, as CLAP assigns them: everything runs on the host's main thread except process,
// start_processing, stop_processing and reset (audio thread), params.flush (audio thread while
// active, else main thread; never both at once) and the [thread-safe] calls (params count, info,
// value, texts; state answers main thread only).
// Nothing on the audio thread takes a lock or allocates: events are read in place, the editor's
// gestures reach the host through a fixed queue, and the channel pointer arrays are made here.
//
// Host calls: none while the instance is being created (create_plugin); the host's extensions are
// looked up in init. request_flush and request_resize are thread-safe. The editor's pump registers
// its timer and descriptor while the editor is open (main thread), and only then: the framework's
// idle timer, which the editor's ticks fire, rests while the editor is closed.
class IEffectCLAP : public IEffectAPIBase, public IEffectProcessor {
public:
  static constexpr size_t kGestureQueueSize = 512;

  IEffectCLAP(const IEffectSettings& settings, const IInstanceInfo& info);
  ~IEffectCLAP() override;

  const clap_plugin_t* Plugin() const { return &mPlugin; }
  static IEffectCLAP* FromPlugin(const clap_plugin_t* plugin);

  // Host-API operations this binding fills in.
  void InformHostOfPresetChange() override;
  bool ResizeEditorWindow(int width, int height) override;
  void BeginParamGesture(int paramIndex) override;
  void EndParamGesture(int paramIndex) override;
  void AutomateParam(int paramIndex, double normalized) override;
  bool SendMidiToHost(const IMidiMessage& message) override;
  void SetLatency(int samples) override;
  IEditorPump* EditorPump() override { return &mPump; }

  // The program chunk, byte for byte what the VST 2.4 binding writes for a program: magic, version,
  // parameter values. False when there is nothing to write.
  bool SaveState(std::vector<uint8_t>& bytes);
  // Loads a whole program chunk (strictly: a host hands back only what SaveState wrote); false,
  // with every parameter as it was, for anything else.
  bool LoadState(const uint8_t* data, size_t size);

  bool IsActive() const { return mActive; }
  bool IsProcessing() const { return mProcessing.load(std::memory_order_acquire); }

private:
  // What the editor's gestures became, waiting for process or flush to hand them to the host.
  struct OutgoingEvent {
    uint16_t type = 0;
    int32_t index = -1;
    double value = 0.0;
  };

  // clap_plugin.
  static bool Init(const clap_plugin_t* plugin);
  static void Destroy(const clap_plugin_t* plugin);
  static bool Activate(const clap_plugin_t* plugin, double sampleRate, uint32_t minFrames, uint32_t maxFrames);
  static void Deactivate(const clap_plugin_t* plugin);
  static bool StartProcessing(const clap_plugin_t* plugin);
  static void StopProcessing(const clap_plugin_t* plugin);
  static void Reset(const clap_plugin_t* plugin);
  static clap_process_status Process(const clap_plugin_t* plugin, const clap_process_t* process);
  static const void* GetExtension(const clap_plugin_t* plugin, const char* id);
  static void OnMainThread(const clap_plugin_t* plugin);

  // The extensions; each function is a thin adaptor onto a member below.
  static const clap_plugin_audio_ports_t kAudioPorts;
  static const clap_plugin_params_t kParams;
  static const clap_plugin_state_t kState;
  static const clap_plugin_latency_t kLatency;
  static const clap_plugin_timer_support_t kTimerSupport;
  static const clap_plugin_posix_fd_support_t kPosixFdSupport;
  static const clap_plugin_gui_t kGui;
  static const void* FixedSeedExtension();

  bool InitInstance();
  clap_process_status ProcessAudio(const clap_process_t& process);
  void ReadTransport(const clap_event_transport_t* transport);
  // Applies one input event; false when it is not one this plug-in takes.
  bool ApplyEvent(const clap_event_header_t* event, int sampleOffset);
  void SendOutgoingEvents(const clap_output_events_t* out);
  void QueueOutgoing(uint16_t type, int index, double value);

  bool ValidParam(int64_t id) const { return id >= 0 && id < NParams(); }
  bool ParamInfo(uint32_t index, clap_param_info_t* info) const;
  bool ValueToText(clap_id id, double value, char* display, uint32_t size);
  bool TextToValue(clap_id id, const char* display, double* value) const;
  void Flush(const clap_input_events_t* in, const clap_output_events_t* out);
  bool SaveToStream(const clap_ostream_t* stream);
  bool LoadFromStream(const clap_istream_t* stream);

  bool GuiApiSupported(const char* api, bool isFloating) const;
  bool GuiCreate(const char* api, bool isFloating);
  void GuiDestroy();
  bool GuiGetSize(uint32_t* width, uint32_t* height);
  bool GuiAdjustSize(uint32_t* width, uint32_t* height) const;
  bool GuiSetSize(uint32_t width, uint32_t height);
  bool GuiSetParent(const clap_window_t* window);
  bool GuiSetScale(double scale);
  void OnHostTimer(clap_id timerId);
  void OnHostFd(int fd, clap_posix_fd_flags_t flags);

  clap_plugin_t mPlugin{};
  const clap_host_t* mHost = nullptr;
  const clap_host_params_t* mHostParams = nullptr;
  const clap_host_state_t* mHostState = nullptr;
  const clap_host_latency_t* mHostLatency = nullptr;
  const clap_host_gui_t* mHostGui = nullptr;
  ClapEditorPump mPump;

  bool mActive = false;
  std::atomic<bool> mProcessing{false};
  bool mGuiCreated = false;
  bool mGuiOpen = false;

  IMultiProducerRingQueue<OutgoingEvent, kGestureQueueSize> mOutgoing;
};

// Made by the plug-in: its one instance per create_plugin call. The factory serialises calls.
IEffectCLAP* MakePlugin(const IInstanceInfo& info);

} // namespace lumen
