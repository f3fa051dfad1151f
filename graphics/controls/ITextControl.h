#pragma once

#include "IControl.h"

#include <string>

namespace lumen::canvas {

// A line of text on a background colour. With size-to-text the control takes exactly the measured
// size of its text, centred where its rectangle was. It ignores the mouse.
class ITextControl : public IControl {
public:
  static constexpr int kMaxFormattedLength = 4096;

  ITextControl(const IRectF& bounds, const char* text, const ITextStyle& style = {},
               const IColorARGB& background = kColorTransparent, bool sizeToText = false);

  virtual void SetLabel(const char* text);
  // printf-style; the result is cut to maxLength characters.
  virtual void FormatLabel(int maxLength, const char* format, ...);
  virtual void ClearLabel() { SetLabel(""); }

  void OnSetup() override;
  void Draw(ICanvas& g) override;

  const std::string& GetLabel() const { return mText; }
  const IColorARGB& GetBackground() const { return mBackground; }

protected:
  void SizeToText();

  std::string mText;
  IColorARGB mBackground;
  bool mSizeToText;
};

} // namespace lumen::canvas
