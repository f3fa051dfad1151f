#include "ICanvasEditorDelegate.h"

namespace lumen {

ICanvasEditorDelegate::ICanvasEditorDelegate(int nParams) : IEditorDelegate(nParams) {}

ICanvasEditorDelegate::~ICanvasEditorDelegate() = default;

} // namespace lumen
