#include "IEffectCLAP.h"

#include "ClapFixedSeed.h"
#include "HostCallGuard.h"
#include "ICanvas.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <string_view>

namespace lumen {

IEffectCLAP::IEffectCLAP(const IEffectSettings& settings, const IInstanceInfo& info)
    : IEffectAPIBase(settings, PluginApi::CLAP), IEffectProcessor(settings), mHost(info.host) {
  mPlugin.desc = info.descriptor;
  mPlugin.plugin_data = this;
  mPlugin.init = &IEffectCLAP::Init;
  mPlugin.destroy = &IEffectCLAP::Destroy;
  mPlugin.activate = &IEffectCLAP::Activate;
  mPlugin.deactivate = &IEffectCLAP::Deactivate;
  mPlugin.start_processing = &IEffectCLAP::StartProcessing;
  mPlugin.stop_processing = &IEffectCLAP::StopProcessing;
  mPlugin.reset = &IEffectCLAP::Reset;
  mPlugin.process = &IEffectCLAP::Process;
  mPlugin.get_extension = &IEffectCLAP::GetExtension;
  mPlugin.on_main_thread = &IEffectCLAP::OnMainThread;

  ConnectChannels(ERoute::Input, 0, MaxChannels(ERoute::Input), true);
  ConnectChannels(ERoute::Output, 0, MaxChannels(ERoute::Output), true);
  SetBlockSize(512);
  StartIdleTimer();
}

IEffectCLAP::~IEffectCLAP() = default;

IEffectCLAP* IEffectCLAP::FromPlugin(const clap_plugin_t* plugin) {
  return plugin ? static_cast<IEffectCLAP*>(plugin->plugin_data) : nullptr;
}

// ---- clap_plugin ----------------------------------------------------------------------------------

bool IEffectCLAP::Init(const clap_plugin_t* plugin) {
  IEffectCLAP* p = FromPlugin(plugin);
  return p && GuardHostCall(false, [p] { return p->InitInstance(); });
}

bool IEffectCLAP::InitInstance() {
  if (mHost && mHost->get_extension) {
    const auto extension = [this](const char* id) { return mHost->get_extension(mHost, id); };
    mHostParams = static_cast<const clap_host_params_t*>(extension(CLAP_EXT_PARAMS));
    mHostState = static_cast<const clap_host_state_t*>(extension(CLAP_EXT_STATE));
    mHostLatency = static_cast<const clap_host_latency_t*>(extension(CLAP_EXT_LATENCY));
    mHostGui = static_cast<const clap_host_gui_t*>(extension(CLAP_EXT_GUI));
    // An extension whose functions are missing counts as absent.
    if (mHostParams && !mHostParams->request_flush) mHostParams = nullptr;
    if (mHostState && !mHostState->mark_dirty) mHostState = nullptr;
    if (mHostLatency && !mHostLatency->changed) mHostLatency = nullptr;
    if (mHostGui && !mHostGui->request_resize) mHostGui = nullptr;
    mPump.Connect(mHost, static_cast<const clap_host_timer_support_t*>(extension(CLAP_EXT_TIMER_SUPPORT)),
                  static_cast<const clap_host_posix_fd_support_t*>(extension(CLAP_EXT_POSIX_FD_SUPPORT)));
    SetHost(mHost->name ? mHost->name : "", 0);
  }
  NotifyAllParams(ParamSource::Reset);
  return true;
}

void IEffectCLAP::Destroy(const clap_plugin_t* plugin) {
  IEffectCLAP* p = FromPlugin(plugin);
  if (!p) return;
  try {
    if (p->mGuiCreated) p->GuiDestroy();
  } catch (...) {
  }
  delete p;
}

bool IEffectCLAP::Activate(const clap_plugin_t* plugin, double sampleRate, uint32_t, uint32_t maxFrames) {
  IEffectCLAP* p = FromPlugin(plugin);
  if (!p || p->mActive || !(sampleRate > 0.0) || !std::isfinite(sampleRate)) return false;
  p->mActive = GuardHostCall(false, [&] {
    p->SetSampleRate(sampleRate);
    p->SetBlockSize(static_cast<int>(std::clamp<uint32_t>(maxFrames, 1, IEffectProcessor::kMaxBlockSize)));
    p->OnReset();
    p->OnActivate(true);
    return true;
  });
  return p->mActive;
}

void IEffectCLAP::Deactivate(const clap_plugin_t* plugin) {
  IEffectCLAP* p = FromPlugin(plugin);
  if (!p || !p->mActive) return;
  p->mActive = false;
  GuardHostCall([p] {
    p->OnActivate(false);
    p->OnReset();
  });
}

bool IEffectCLAP::StartProcessing(const clap_plugin_t* plugin) {
  IEffectCLAP* p = FromPlugin(plugin);
  if (!p || !p->mActive) return false;
  p->mProcessing.store(true, std::memory_order_release);
  return true;
}

void IEffectCLAP::StopProcessing(const clap_plugin_t* plugin) {
  IEffectCLAP* p = FromPlugin(plugin);
  if (p) p->mProcessing.store(false, std::memory_order_release);
}

void IEffectCLAP::Reset(const clap_plugin_t* plugin) {
  IEffectCLAP* p = FromPlugin(plugin);
  // The audio thread's call: the state is cleared in place, not rebuilt as OnReset may.
  if (p && p->mActive) p->OnClearState();
}

void IEffectCLAP::OnMainThread(const clap_plugin_t*) {}

const void* IEffectCLAP::GetExtension(const clap_plugin_t* plugin, const char* id) {
  IEffectCLAP* p = FromPlugin(plugin);
  if (!p || !id) return nullptr;
  const std::string_view name(id);
  if (name == CLAP_EXT_AUDIO_PORTS) return &kAudioPorts;
  if (name == CLAP_EXT_PARAMS) return &kParams;
  if (name == CLAP_EXT_STATE) return &kState;
  if (name == CLAP_EXT_LATENCY) return &kLatency;
  if (name == CLAP_EXT_TIMER_SUPPORT) return &kTimerSupport;
#if !defined(_WIN32)
  if (name == CLAP_EXT_POSIX_FD_SUPPORT) return &kPosixFdSupport;
#endif
  if (name == CLAP_EXT_GUI && p->HasEditor()) return &kGui;
  if (name == kClapExtFixedSeed) return FixedSeedExtension();
  return nullptr;
}

// ---- What the framework asks of the host ------------------------------------------------------------

void IEffectCLAP::InformHostOfPresetChange() {
  if (mHostParams && mHostParams->rescan && !IsProcessing()) mHostParams->rescan(mHost, CLAP_PARAM_RESCAN_VALUES);
}

bool IEffectCLAP::ResizeEditorWindow(int width, int height) {
  if (!HasEditor() || width <= 0 || height <= 0 || (width == EditorWidth() && height == EditorHeight())) return false;
  SetEditorSize(width, height);
  return mHostGui && mHostGui->request_resize(mHost, static_cast<uint32_t>(width), static_cast<uint32_t>(height));
}

void IEffectCLAP::QueueOutgoing(uint16_t type, int index, double value) {
  if (!ValidParam(index)) return;
  mOutgoing.Push(OutgoingEvent{type, index, value});
  // While processing, the next process call hands the events over; otherwise the host is asked
  // for a flush, which it may run on any thread but never beside process.
  if (!IsProcessing() && mHostParams) mHostParams->request_flush(mHost);
}

void IEffectCLAP::BeginParamGesture(int paramIndex) { QueueOutgoing(CLAP_EVENT_PARAM_GESTURE_BEGIN, paramIndex, 0.0); }

void IEffectCLAP::EndParamGesture(int paramIndex) { QueueOutgoing(CLAP_EVENT_PARAM_GESTURE_END, paramIndex, 0.0); }

void IEffectCLAP::AutomateParam(int paramIndex, double normalized) {
  if (!ValidParam(paramIndex)) return;
  // CLAP speaks plain values: the host records what the parameter now holds.
  const IParam* param = GetParam(paramIndex);
  QueueOutgoing(CLAP_EVENT_PARAM_VALUE, paramIndex, param->DenormalizeValue(normalized));
  if (mHostState && !IsProcessing()) mHostState->mark_dirty(mHost);
}

bool IEffectCLAP::SendMidiToHost(const IMidiMessage&) { return false; } // no note ports

void IEffectCLAP::SetLatency(int samples) {
  IEffectProcessor::SetLatency(samples);
  // The host reads the latency again only when it restarts the plug-in.
  if (mHost && mHost->request_restart) mHost->request_restart(mHost);
}

void IEffectCLAP::SendOutgoingEvents(const clap_output_events_t* out) {
  OutgoingEvent item;
  while (mOutgoing.Pop(item)) {
    if (!out || !out->try_push) continue;
    if (item.type == CLAP_EVENT_PARAM_VALUE) {
      clap_event_param_value_t event{};
      event.header = {sizeof event, 0, CLAP_CORE_EVENT_SPACE_ID, CLAP_EVENT_PARAM_VALUE, 0};
      event.param_id = static_cast<clap_id>(item.index);
      event.note_id = -1;
      event.port_index = -1;
      event.channel = -1;
      event.key = -1;
      event.value = item.value;
      out->try_push(out, &event.header);
    } else {
      clap_event_param_gesture_t event{};
      event.header = {sizeof event, 0, CLAP_CORE_EVENT_SPACE_ID, item.type, 0};
      event.param_id = static_cast<clap_id>(item.index);
      out->try_push(out, &event.header);
    }
  }
}

// ---- Fixed seed -------------------------------------------------------------------------------------

const void* IEffectCLAP::FixedSeedExtension() {
  static const clap_plugin_fixed_seed_t extension{
      [](const clap_plugin_t* plugin, bool useFixedSeed, uint32_t seed) {
        IEffectCLAP* p = FromPlugin(plugin);
        return p && GuardHostCall(false, [&] {
                 return p->OnFixedSeed(useFixedSeed ? std::optional<uint32_t>(seed) : std::nullopt);
               });
      }};
  return &extension;
}

// ---- Timer ------------------------------------------------------------------------------------------

const clap_plugin_timer_support_t IEffectCLAP::kTimerSupport{
    [](const clap_plugin_t* plugin, clap_id timerId) {
      if (IEffectCLAP* p = FromPlugin(plugin)) p->OnHostTimer(timerId);
    }};

// The editor's pump: its timer and descriptor tick the editor, which fires the framework's timers
// of this thread itself (the idle timer, the editor's animation).

const clap_plugin_posix_fd_support_t IEffectCLAP::kPosixFdSupport{
    [](const clap_plugin_t* plugin, int fd, clap_posix_fd_flags_t flags) {
      if (IEffectCLAP* p = FromPlugin(plugin)) p->OnHostFd(fd, flags);
    }};

void IEffectCLAP::OnHostTimer(clap_id timerId) {
  if (!mPump.IsOwnTimer(timerId)) return;
  try {
    IdleEditor();
  } catch (...) {
  }
}

void IEffectCLAP::OnHostFd(int fd, clap_posix_fd_flags_t flags) {
  try {
    if (mPump.TakeDescriptorCall(fd, flags)) IdleEditor();
  } catch (...) {
  }
}

} // namespace lumen
