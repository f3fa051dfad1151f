#pragma once

#include "IControl.h"

#include <string>

namespace lumen::canvas {

// The small plate that shows a control's parameter name and value ("Output Gain 80.00 %") next to
// it: after the pointer has rested on the control for a moment, at once while the control is
// pressed, dragged, wheeled or stepped by keys, and when the host changes the value while the
// pointer rests on it. It follows the value live, and fades a second after the release or the
// pointer leaving. The surface keeps it apart from the control list (as a bubble control), drawn
// above every control and never hit, and drives it from its input dispatch and its display ticks,
// so every platform shows it the same way.
//
// The plate sits below the control (beside or above it when there is no room below), so it never
// covers a knob's pointer; it stays inside the editor, and its size is in logical units, so it
// scales with the editor. User-interface thread only; times are the surface's milliseconds.
class IValueReadoutControl : public IControl {
public:
  static constexpr double kHoverDelayMs = 400.0;
  static constexpr double kLingerMs = 1000.0;
  static constexpr double kFadeMs = 250.0;
  static constexpr float kGap = 6.0f;       // between the control and the plate
  static constexpr float kPaddingX = 14.0f; // around the text
  static constexpr float kMargin = 2.0f;    // from the editor's edges

  explicit IValueReadoutControl(const ITextStyle& style);

  // The pointer now rests on control (null: on nothing that shows a readout).
  void Hover(IControl* control, double now);
  // The user changes control now (press, drag, wheel, keys): the plate shows at once.
  void Engage(IControl* control, double now);
  // The user's change ended; the plate stays while the pointer rests on the control, else fades.
  void Release(double now);
  // Shown at once and kept, without any timing (for still pictures).
  void ShowFor(IControl* control);
  // The control is going away: the plate forgets it.
  void Forget(const IControl* control);
  // One display tick: shows, follows the value, fades; marks itself dirty only when that changes
  // what it shows.
  void Tick(double now);

  void Draw(ICanvas& g) override;
  // After a frame is collected the control covers the plate alone again (or nothing when hidden).
  void MarkClean() override;

  bool Showing() const { return mVisible; }
  float Opacity() const { return mOpacity; }
  const std::string& Text() const { return mText; }
  const IRectF& Plate() const { return mPlate; }
  const IControl* Target() const { return mTarget; }

private:
  std::string CurrentText() const;
  void Show(double now);
  // Places the plate for the current text and marks the area it leaves and the one it takes.
  void Place();
  void Hide();

  IControl* mTarget = nullptr;
  bool mHovered = false;
  bool mEngaged = false;
  bool mPinned = false;
  bool mVisible = false;
  double mHoverSince = 0.0;
  double mLastActive = 0.0;
  float mOpacity = 0.0f;
  std::string mText;
  std::string mTextAtHover; // what the value read when the pointer arrived
  IRectF mPlate;
};

} // namespace lumen::canvas
