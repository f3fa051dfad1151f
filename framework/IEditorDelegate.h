#pragma once

#include "IKeyEvent.h"
#include "IMidiMessage.h"
#include "IParam.h"
#include "IStateBuffer.h"
#include "ParamSource.h"

#include <memory>
#include <vector>

namespace lumen {

// The root of the plug-in object: owns the parameter list and the editor size, and defines every
// notification that passes between the processing side and the editor. The layers above fill in
// the editor (ICanvasEditorDelegate), the state (IEffectBase) and the host traffic
// (IEffectAPIBase).
//
// Everything here runs on the host's main (editor) thread. Values from other threads reach the
// editor only through the host-API base's queues. Operations that look a parameter up ignore an
// index outside the parameter list.
class IEditorDelegate {
public:
  static constexpr int kDefaultMinSize = 10;
  static constexpr int kDefaultMaxSize = 100000;

  // Creates nParams default parameters (none for a negative count); the plug-in initialises them.
  explicit IEditorDelegate(int nParams);
  virtual ~IEditorDelegate();
  IEditorDelegate(const IEditorDelegate&) = delete;
  IEditorDelegate& operator=(const IEditorDelegate&) = delete;

  // Opens the editor in the host's parent window; returns the window handle, or null when there is
  // no editor. This base has none: it only reports the values as if an editor had opened.
  virtual void* OpenEditor(void* parent);
  virtual void CloseEditor();
  // Reserved for bindings that announce a finished editor close; nothing calls it here.
  virtual void OnEditorCloseHook();
  // After the editor window opened: sends every parameter's value to the editor.
  virtual void OnEditorOpened();
  virtual void OnEditorClosed();

  // Where every parameter change from any source ends up on the processing side; sampleOffset is
  // -1 for changes outside a block. OnParamChange traces and then calls OnParamChangeHook.
  virtual void OnParamChangeHook(int paramIndex);
  virtual void OnParamChange(int paramIndex, ParamSource source, int sampleOffset);
  // A parameter's new value has reached the editor side.
  virtual void OnParamChangeInEditor(int paramIndex, ParamSource source);
  // For each parameter in order: OnParamChange(i, source, -1), then OnParamChangeInEditor(i, source).
  virtual void NotifyAllParams(ParamSource source);

  virtual void OnMidiInEditor(const IMidiMessage& message);
  virtual void OnSysExInEditor(const ISysExMessage& message);
  // A message for the plug-in; controlTag is -1 when it did not come from a control.
  virtual bool OnMessage(int messageTag, int controlTag, int dataSize, const void* data);
  // After a state or preset was restored: sends every parameter's normalised value to the editor.
  virtual void OnStateRestored();

  // Keys the host passes on while its window has focus; true when the editor used the key.
  virtual bool OnHostKeyDown(const IKeyEvent& key);
  virtual bool OnHostKeyUp(const IKeyEvent& key);

  // Into the editor.
  virtual void DeliverControlValue(int controlTag, double normalized);
  virtual void DeliverControlMessage(int controlTag, int messageTag, int dataSize, const void* data);
  virtual void DeliverEditorMessage(int messageTag, int dataSize, const void* data);
  virtual void DeliverMidi(const IMidiMessage& message);
  virtual void DeliverSysEx(const ISysExMessage& message);
  virtual void DeliverParamValue(int paramIndex, double value, bool isNormalized);

  // From the editor.
  virtual void AnnounceAllParamsToHost();
  virtual void BeginParamGestureFromEditor(int paramIndex) = 0;
  // Sets the parameter from a normalised value, then OnParamChangeInEditor(index, UI).
  virtual void SetParamFromEditor(int paramIndex, double normalized);
  virtual void EndParamGestureFromEditor(int paramIndex) = 0;
  // The editor asks for a new window size in pixels; true when it may have it.
  virtual bool EditorResizeRequest(int width, int height, bool needsPlatformResize);
  virtual void SendMidiFromEditor(const IMidiMessage& message);
  virtual void SendSysExFromEditor(const ISysExMessage& message);
  virtual void SendMessageFromEditor(int messageTag, int controlTag, int dataSize, const void* data);
  // Hand MIDI and SysEx from the editor on to the audio thread.
  virtual void DeferMidi(const IMidiMessage& message);
  virtual void DeferSysEx(const ISysExMessage& message);

  // Editor state: width, height (32-bit each) and draw scale (32-bit float). This base keeps none.
  virtual bool SerializeEditorState(IStateBuffer& buffer) const;
  virtual int UnserializeEditorState(const IStateBuffer& buffer, int pos);
  virtual void ApplyScreenScale(float scale);

  int NParams() const { return static_cast<int>(mParams.size()); }
  // Null for an index outside the list.
  IParam* GetParam(int index);
  const IParam* GetParam(int index) const;

  int EditorWidth() const { return mEditorWidth; }
  int EditorHeight() const { return mEditorHeight; }
  int MinEditorWidth() const { return mMinWidth; }
  int MaxEditorWidth() const { return mMaxWidth; }
  int MinEditorHeight() const { return mMinHeight; }
  int MaxEditorHeight() const { return mMaxHeight; }

protected:
  void SetEditorSize(int width, int height);
  void SetEditorSizeLimits(int minWidth, int maxWidth, int minHeight, int maxHeight);

private:
  void SendAllParamValuesToEditor();

  std::vector<std::unique_ptr<IParam>> mParams;
  int mEditorWidth = 0;
  int mEditorHeight = 0;
  int mMinWidth = kDefaultMinSize;
  int mMaxWidth = kDefaultMaxSize;
  int mMinHeight = kDefaultMinSize;
  int mMaxHeight = kDefaultMaxSize;
};

} // namespace lumen
