#include "IEditorDelegate.h"

namespace lumen {

IEditorDelegate::IEditorDelegate(int nParams) {
  for (int i = 0; i < nParams; ++i) mParams.push_back(std::make_unique<IParam>());
}

IEditorDelegate::~IEditorDelegate() = default;

IParam* IEditorDelegate::GetParam(int index) {
  if (index < 0 || index >= NParams()) return nullptr;
  return mParams[static_cast<size_t>(index)].get();
}

const IParam* IEditorDelegate::GetParam(int index) const {
  if (index < 0 || index >= NParams()) return nullptr;
  return mParams[static_cast<size_t>(index)].get();
}

void IEditorDelegate::OnParamChange(int) {}

void IEditorDelegate::SetEditorSize(int width, int height) {
  mEditorWidth = width;
  mEditorHeight = height;
}

void IEditorDelegate::SetEditorSizeLimits(int minWidth, int maxWidth, int minHeight, int maxHeight) {
  mMinWidth = minWidth;
  mMaxWidth = maxWidth;
  mMinHeight = minHeight;
  mMaxHeight = maxHeight;
}

} // namespace lumen
