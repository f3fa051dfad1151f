#pragma once

#include "IKeyEvent.h"

#include <functional>

namespace lumen::canvas {

class IControl;

// The editor's drawing surface. It owns the editor's controls, knows the editor's logical size and
// draw scale, and opens and closes the platform window the editor lives in.
//
// This header declares the operations the editor delegate relies on; the control list, frame
// cycle, drawing and input dispatch are the surface's own business and are declared with it. The
// delegate creates a surface through the plug-in's editor factory, owns it while the editor is
// open and destroys it on close. Everything here runs on the host's main (editor) thread.
class ICanvas {
public:
  virtual ~ICanvas() = default;

  // Logical size (units of the editor's design) and the draw scale from logical units to pixels.
  virtual int Width() const = 0;
  virtual int Height() const = 0;
  virtual float DrawScale() const = 0;

  // Takes a new logical size and draw scale, each clamped to the delegate's limits.
  virtual void ResizeSurface(int width, int height, float scale) = 0;
  // Takes the display's scale factor and resizes the window to match.
  virtual void ApplyScreenScale(float scale) = 0;

  // Creates the editor window inside the host's parent window; returns its handle, or null.
  virtual void* OpenEditorWindow(void* parent) = 0;
  virtual void CloseEditorWindow() = 0;

  // The pointer's position in logical units.
  virtual void GetMousePosition(float& x, float& y) const = 0;

  // Key input at a position in logical units; true when a control or the key handler took it.
  virtual bool OnKeyDown(float x, float y, const IKeyEvent& key) = 0;
  virtual bool OnKeyUp(float x, float y, const IKeyEvent& key) = 0;

  // Calls fn for every control the surface holds, in control order.
  virtual void ForEachControl(const std::function<void(IControl&)>& fn) = 0;
  // The control registered under a tag, or null.
  virtual IControl* ControlWithTag(int tag) = 0;
};

} // namespace lumen::canvas
