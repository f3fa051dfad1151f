#pragma once

#include "IEditorDelegate.h"

namespace lumen {

// The editor delegate for a graphical editor: creates, opens, lays out and closes the drawing
// surface and forwards values into it.
class ICanvasEditorDelegate : public IEditorDelegate {
public:
  explicit ICanvasEditorDelegate(int nParams);
  ~ICanvasEditorDelegate() override;
};

} // namespace lumen
