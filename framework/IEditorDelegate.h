#pragma once

#include "IParam.h"

#include <memory>
#include <vector>

namespace lumen {

// The root of the plug-in object: owns the parameter list and the editor size, and carries the
// notifications that pass between the processing side and the editor.
class IEditorDelegate {
public:
  explicit IEditorDelegate(int nParams);
  virtual ~IEditorDelegate();
  IEditorDelegate(const IEditorDelegate&) = delete;
  IEditorDelegate& operator=(const IEditorDelegate&) = delete;

  int NParams() const { return static_cast<int>(mParams.size()); }
  // Null for an index outside the list.
  IParam* GetParam(int index);
  const IParam* GetParam(int index) const;

  // Called after a parameter's value was changed from outside the editor.
  virtual void OnParamChange(int paramIndex);

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
  std::vector<std::unique_ptr<IParam>> mParams;
  int mEditorWidth = 0;
  int mEditorHeight = 0;
  int mMinWidth = 10;
  int mMaxWidth = 100000;
  int mMinHeight = 10;
  int mMaxHeight = 100000;
};

} // namespace lumen
