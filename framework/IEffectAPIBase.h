#pragma once

#include "EditorSession.h"
#include "HostId.h"
#include "IEffectBase.h"
#include "IEffectSettings.h"
#include "IMidiMessage.h"
#include "IMultiProducerRingQueue.h"
#include "IRingQueue.h"
#include "ParamUpdate.h"
#include "PluginApi.h"
#include "SysExRecord.h"
#include "Timer.h"

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <thread>
#include <vector>

namespace lumen {

// Sits between the plug-in base and a concrete host binding: the plug-in's identity, the host's
// identity, the idle timer, and the traffic between host, processor and editor. The binding fills
// in the operations that talk to the host (gestures, automation, window size).
//
// Threads and queues. Each queue has one consumer and drops new items when full; the parameter
// queue takes any number of producers (hosts set values from several threads), the others one:
//   parameter updates (512)     host-side setters            -> idle timer (editor)
//   MIDI to the processor (32)  editor                       -> audio thread
//   MIDI to the editor (32)     host event delivery          -> idle timer (editor)
//   SysEx to the host (4)       editor                       -> audio thread, then the host
//   SysEx to the editor (4)     the processing side          -> idle timer (editor)
// The idle timer ticks every 20 ms on the host's main thread: OnTimer delivers what the queues
// hold to the editor (when the plug-in has one), then calls OnIdle. On Linux the open editor's ticks
// fire it, so there it rests while no editor is open (see OpenEditor for what that means).
class IEffectAPIBase : public IEffectBase {
public:
  static constexpr size_t kMaxIdentityText = 128;
  static constexpr uint32_t kIdleTimerPeriodMs = 20;
  static constexpr size_t kParamQueueSize = 512;
  static constexpr size_t kMidiQueueSize = 32;
  static constexpr size_t kSysExQueueSize = 4;

  explicit IEffectAPIBase(const IEffectSettings& settings, PluginApi api);
  ~IEffectAPIBase() override;

  // True when every parameter's value equals the matching entry of values (count of them) within
  // 1e-5, compared as 32-bit floats; false when the counts differ.
  virtual bool ParamValuesMatch(const double* values, int count) const;
  // Capabilities this framework's plug-ins do not have.
  virtual bool SupportsSidechain() const;
  virtual bool SupportsSurround() const;
  // After SetHost identified the host.
  virtual void OnHostKnown();
  // Appends the indices of the parameters whose group is groupName.
  virtual void ParamIndicesInGroup(const char* groupName, std::vector<int>& out) const;
  // Whether extra buses may be added; none can, so only a request for none is granted.
  virtual bool AcceptsExtraBuses(int inputBuses, int outputBuses) const;
  // Reproducible processing, as every binding offers it (the VST 2.4 vendor call, the CLAP and VST3
  // extensions of our own): a seed makes every later block draw its random values from that seed;
  // none returns to the operating system's source. Called on the host's main thread while audio may
  // run, so the plug-in hands the value over without a lock. Returns whether the plug-in has a
  // fixed-seed mode; the default has none (false, and the host is told no).
  virtual bool OnFixedSeed(std::optional<uint32_t> seed);
  // Reserved for bindings that report a host's transport state; nothing calls it here.
  virtual void OnHostTransportHook();
  // The name of a MIDI note for hosts that show one: none here (empty, false).
  virtual bool MidiNoteName(int note, std::string& out) const;
  // Called on every tick of the idle timer.
  virtual void OnIdle();
  // The current MIDI program (bank, program, channel): none here, all 0, result 0.
  virtual int CurrentMidiProgram(int& bank, int& program, int& channel) const;

  // How a host speaks a value: in the parameter's own units, or normalised to 0..1.
  enum class HostValue { Plain, Normalized };
  // A parameter value from the host, on whatever thread the host sets it from: the audio thread at
  // sampleOffset inside the block being processed, or -1 outside a block. Refused (false, nothing
  // changed) for an unknown index or a value that is not a number; otherwise limited as
  // ParamFacts says, stored, queued for the editor and reported to the plug-in with source Host.
  // Takes no lock and allocates nothing.
  bool SetParamFromHost(int paramIndex, double value, HostValue kind, int sampleOffset = -1);

  // Queues a value for the editor (converted to a real value when normalised); dropped when the
  // queue is full. Called on whatever thread the host sets parameters from.
  virtual void SendParamValueToEditor(int paramIndex, double value, bool isNormalized);
  // Lets the plug-in adjust to the host once it is known; the binding fills it in.
  virtual void AdaptToHost();
  // Asks the host for a new editor window size; false unless the binding can.
  virtual bool ResizeEditorWindow(int width, int height);
  // Host automation; the binding forwards these to the host.
  virtual void BeginParamGesture(int paramIndex);
  virtual void EndParamGesture(int paramIndex);
  virtual void AutomateParam(int paramIndex, double normalized);

  // From the editor (see IEditorDelegate). The gestures and values also go to the editor session,
  // which keeps them as undo steps.
  void AnnounceAllParamsToHost() override;
  void BeginParamGestureFromEditor(int paramIndex) override;
  // Sets the parameter, tells the host, reports the change with source UI, then the delegate's own
  // handling (OnParamChangeInEditor).
  void SetParamFromEditor(int paramIndex, double normalized) override;
  void EndParamGestureFromEditor(int paramIndex) override;
  // Without a platform resize (the window has the size already): remembers the size, true;
  // otherwise whatever ResizeEditorWindow answers.
  bool EditorResizeRequest(int width, int height, bool needsPlatformResize) override;
  void SendMidiFromEditor(const IMidiMessage& message) override;
  void SendSysExFromEditor(const ISysExMessage& message) override;
  void SendMessageFromEditor(int messageTag, int controlTag, int dataSize, const void* data) override;
  // Queue for the audio thread; dropped when full. A SysEx message longer than
  // SysExRecord::kMaxData bytes keeps its first kMaxData bytes.
  void DeferMidi(const IMidiMessage& message) override;
  void DeferSysEx(const ISysExMessage& message) override;

  // Opens the editor; the idle timer first moves to the calling thread when it was made on another
  // one, because a timer fires on the thread that made it and the editor lives on this one.
  //
  // What the queues to the editor still hold is dropped first. Where the editor's ticks fire the
  // idle timer (Linux), the timer rests while no editor is open, and a queue that filled up then kept
  // its oldest items: delivered after the editor has learnt every current value on opening, they
  // would show old values. Where the timer runs on its own (Windows) they are a tick old at most.
  void* OpenEditor(void* parent) override;

  // Besides the delegate's handling, the editor session names the preset the restored settings equal.
  void OnStateRestored() override;
  // The presets, A/B and undo history of the editor (user-interface thread only).
  EditorSession& Session() { return mSession; }
  const EditorSession& Session() const { return mSession; }

  // The idle timer's tick; see the class comment.
  void OnTimer();

  // Identifies the host from its product string and packed version, then AdaptToHost and
  // OnHostKnown.
  void SetHost(const char* productString, int32_t version);
  HostId Host() const { return mHost; }
  int32_t HostVersion() const { return mHostVersion; }
  // "v%d.%d.%d" of a packed version: major in bits 16 and up, minor in 8..15, revision in 0..7.
  static std::string VersionText(int32_t packedVersion);

  // The processing side's ends of the queues (one producer or consumer each).
  bool QueueMidiForEditor(const IMidiMessage& message) { return mMidiToEditor.Push(message); }
  bool QueueSysExForEditor(const ISysExMessage& message);
  bool PopMidiFromEditor(IMidiMessage& message) { return mMidiFromEditor.Pop(message); }
  bool PopSysExFromEditor(SysExRecord& record) { return mSysExFromEditor.Pop(record); }

  const std::string& PluginName() const { return mPluginName; }
  const std::string& ProductName() const { return mProductName; }
  const std::string& MakerName() const { return mMakerName; }
  const std::string& Identifier() const { return mIdentifier; }
  int32_t UniqueId() const { return mUniqueId; }
  int32_t MakerId() const { return mMakerId; }
  int32_t Version() const { return mVersion; }
  bool HasEditor() const { return mHasEditor; }
  PluginApi Api() const { return mApi; }
  const char* ApiName() const { return lumen::ApiName(mApi); }
  const std::string& TraceStamp() const { return mTraceStamp; }

protected:
  // Starts the 20 ms idle timer; the binding calls it once its instance is complete.
  void StartIdleTimer();
  // Scratch for display texts handed to the host.
  std::string& ParamDisplayText() { return mParamDisplayText; }

private:
  // Empties the queues whose consumer is the editor (on the editor's thread).
  void DiscardEditorQueues();

  std::string mPluginName;
  std::string mProductName;
  std::string mMakerName;
  int32_t mUniqueId = 0;
  int32_t mMakerId = 0;
  int32_t mVersion = 0;
  bool mHasEditor = false;
  [[maybe_unused]] bool mEditorFlag = false; // carried for hosts' sake; nothing reads it
  std::string mIdentifier;
  HostId mHost = HostId::Unidentified;
  int32_t mHostVersion = 0;
  PluginApi mApi = PluginApi::VST2;
  std::string mParamDisplayText;
  std::string mTraceStamp;

  IMultiProducerRingQueue<ParamUpdate, kParamQueueSize> mParamsToEditor; // hosts set values from several threads
  IRingQueue<IMidiMessage, kMidiQueueSize> mMidiFromEditor;
  IRingQueue<IMidiMessage, kMidiQueueSize> mMidiToEditor;
  IRingQueue<SysExRecord, kSysExQueueSize> mSysExFromEditor;
  IRingQueue<SysExRecord, kSysExQueueSize> mSysExToEditor;
  // Where OnTimer copies a SysEx record before handing the editor a view of it.
  SysExRecord mSysExScratch;
  EditorSession mSession{*this};
  // Declared last, so it is stopped and destroyed before the queues it drains.
  std::unique_ptr<Timer> mTimer;
  std::thread::id mTimerThread;
};

} // namespace lumen
