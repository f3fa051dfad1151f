#pragma once

#include "IEditorDelegate.h"

#include <functional>
#include <memory>

namespace lumen {

class IEditorPump;

namespace canvas {
class ICanvas;
}

// The editor delegate for a graphical editor: creates the drawing surface through the plug-in's
// editor factory, opens and closes it, lays it out through the plug-in's layout function, and
// forwards values, messages, MIDI and keys into it.
//
// The surface exists only between OpenEditor and CloseEditor. Its size and draw scale are
// remembered on close, and a surface made by a later OpenEditor comes back at them.
class ICanvasEditorDelegate : public IEditorDelegate {
public:
  using EditorFactory = std::function<std::unique_ptr<canvas::ICanvas>()>;
  using LayoutFunction = std::function<void(canvas::ICanvas&)>;

  explicit ICanvasEditorDelegate(int nParams);
  ~ICanvasEditorDelegate() override;

  // Makes a surface if there is none (at the remembered size and scale when all three are known)
  // and opens its window in parent; returns the window handle, or null without a surface.
  void* OpenEditor(void* parent) override;
  // Remembers the surface's size and scale, closes its window and destroys it. A close requested
  // while one is in progress (for example from the window's teardown) does nothing.
  void CloseEditor() override;

  // The editor's key handling at the current pointer position; false without an editor.
  bool OnHostKeyDown(const IKeyEvent& key) override;
  bool OnHostKeyUp(const IKeyEvent& key) override;

  // The control with that tag receives the value as its value 0.
  void DeliverControlValue(int controlTag, double normalized) override;
  // The control with that tag receives the message.
  void DeliverControlMessage(int controlTag, int messageTag, int dataSize, const void* data) override;
  // Each control that wants MIDI receives it, in control order; then OnMidiInEditor.
  void DeliverMidi(const IMidiMessage& message) override;
  // Every control value linked to the parameter receives the value (normalised first if needed);
  // link k of a control receives it as value k. Then, editor or not, OnParamChangeInEditor with
  // source EditorDelegate.
  void DeliverParamValue(int paramIndex, double value, bool isNormalized) override;

  // Width, height and draw scale of the open editor, or the remembered ones; true when the buffer
  // is not empty afterwards.
  bool SerializeEditorState(IStateBuffer& buffer) const override;
  // Reads width, height and scale; a missing value reads as 0 and the result is then -1. Without an
  // editor they become the remembered values; an open editor is resized to them when all three are
  // non-zero.
  int UnserializeEditorState(const IStateBuffer& buffer, int pos) override;
  // The host's word on the screen's scale (its content scale): applied to the open editor, and
  // kept for every editor opened later and for the size it plans, since hosts may tell it before
  // the editor exists. A factor that is no positive number is ignored.
  void ApplyScreenScale(float scale) override;
  // The host's scale as last told, or 0 while it has told none.
  float HostScreenScale() const { return mHostScale; }

  // The host's idle call on its user-interface thread, handed to the open editor (if any). Every tick
  // and every descriptor readiness of the binding's pump comes here too.
  void IdleEditor();
  // The host's timer and descriptor watch, for an editor that has no message loop of its own; null
  // (the default) where the binding has no such services to offer. Asked on the user-interface
  // thread, when the editor's window opens and closes.
  virtual IEditorPump* EditorPump() { return nullptr; }
  // The window size in pixels the editor opens (or is open) at: its logical size at its draw scale
  // and the screen's scale. Before the first open that needs a surface from the factory, made and
  // dropped again here; false without a factory.
  bool PlannedEditorSize(int& width, int& height);

  // The window size in pixels to tell a host that asks: the open editor's own, or before a window
  // is open the size it will open at (hosts size their window from it, and some never listen to a
  // later resize). Remembered as the editor size; false when there is no size to tell.
  bool EditorSizeForHost(int& width, int& height);
  // A host proposes a window size in pixels (the user drags its frame): the largest size of the
  // editor's shape (its largest size's aspect ratio) that fits, within its size limits at the
  // screen's scale. Whichever side the host moved, the smaller fitting size wins (a side of zero
  // or less gives the smallest size). False, with nothing changed, without usable limits.
  bool FitEditorSize(int& width, int& height) const;

  // A new surface from the editor factory; null when no factory is set.
  virtual std::unique_ptr<canvas::ICanvas> MakeEditorSurface();
  // Runs the layout function on the surface, if one is set.
  virtual void LayoutEditor(canvas::ICanvas& surface);

  void SetEditorFactory(EditorFactory factory) { mEditorFactory = std::move(factory); }
  void SetLayoutFunction(LayoutFunction layout) { mLayoutFunction = std::move(layout); }

  // The open editor, or null.
  canvas::ICanvas* Editor() const { return mEditor.get(); }
  int RememberedWidth() const { return mRememberedWidth; }
  int RememberedHeight() const { return mRememberedHeight; }
  float RememberedScale() const { return mRememberedScale; }

private:
  EditorFactory mEditorFactory;
  LayoutFunction mLayoutFunction;
  // Declared after the callables so that it is destroyed before them.
  std::unique_ptr<canvas::ICanvas> mEditor;
  int mRememberedWidth = 0;
  int mRememberedHeight = 0;
  float mRememberedScale = 0.0f;
  float mHostScale = 0.0f;
  bool mClosing = false;
};

} // namespace lumen
