#pragma once

#include "ICanvasTypes.h"
#include "IKeyEvent.h"
#include "IMidiMessage.h"

#include <functional>
#include <map>
#include <string>
#include <vector>

namespace lumen {
class ICanvasEditorDelegate;
class IParam;
} // namespace lumen

namespace lumen::canvas {

class ICanvas;
class IPopupMenu;

// Something the editor shows and the user touches. A control has a drawing rectangle and a
// hit-test (target) rectangle, one or more normalised values each linked to a parameter index (-1
// for none), a text style, a blend, visibility and enablement flags, an optional action called
// after every user-triggered change and an optional per-frame animation.
//
// The surface owns a control from attachment on: it sets the delegate and itself, then calls
// OnSetup, OnBoundsChanged and OnScaleChanged (and OnAdded for listed controls). Everything runs on
// the editor's user-interface thread. Values are kept in 0 ... 1 by MarkDirty; a parameter only
// ever receives finite values in 0 ... 1 from a control.
class IControl {
public:
  using ActionFunction = std::function<void(IControl*)>;
  using AnimationFunction = std::function<void(IControl*)>;
  using GestureFunction = std::function<void(IControl*, const IGestureInfo&)>;

  struct Value {
    int paramIdx = -1;
    double value = 0.0;
  };

  explicit IControl(const IRectF& bounds, int paramIdx = -1, ActionFunction action = nullptr);
  // A control with one value per parameter index given.
  IControl(const IRectF& bounds, const std::vector<int>& paramIndices, ActionFunction action = nullptr);
  virtual ~IControl();
  IControl(const IControl&) = delete;
  IControl& operator=(const IControl&) = delete;

  // ---- Events (positions in logical units) -----------------------------------------------------------

  // Default: with the right button, prompt for a value (when prompts are enabled).
  virtual void OnMouseDown(float x, float y, const IMouseState& mod);
  virtual void OnMouseUp(float x, float y, const IMouseState& mod);
  virtual void OnMouseDrag(float x, float y, float dX, float dY, const IMouseState& mod);
  // Default: reset the value under the point (all values when it is ambiguous) to its default.
  virtual void OnMouseDoubleClick(float x, float y, const IMouseState& mod);
  // d in whole wheel notches.
  virtual void OnMouseWheel(float x, float y, const IMouseState& mod, float d);
  virtual bool OnKeyDown(float x, float y, const IKeyEvent& key);
  virtual bool OnKeyUp(float x, float y, const IKeyEvent& key);
  virtual void OnMouseOver(float x, float y, const IMouseState& mod);
  virtual void OnMouseOut();
  virtual void OnFileDrop(const char* path);
  virtual void OnScaleChanged();
  virtual void OnBoundsChanged();
  virtual void OnSetup();
  virtual void OnAdded();
  virtual bool HandleGesture(const IGestureInfo& info);
  // Fills the surface's context menu on a right-click over a parameter control. Default, for a value
  // control: "Type a value…", "Reset to default (…)" and, for a parameter of a few whole states,
  // a submenu naming them.
  virtual void BuildContextMenu(IPopupMenu& menu);
  // A choice from a parameter menu: the chosen item's index becomes the value.
  virtual void OnMenuChoice(IPopupMenu* menu, int valueIndex);
  virtual void OnTextEdited(const char* text, int valueIndex);
  // A choice from the context menu: the menu or submenu it was made in and the item's index there
  // (null and -1 when the menu closed without one).
  virtual void OnContextChoice(IPopupMenu* menu, int itemIndex);

  // Moves value 0 by steps small (or coarse) steps and sends it on, as the arrow keys and Page Up/Down
  // do: a small step is a hundredth of the range, a coarse one a tenth, never less than the
  // parameter's own step. False for a control without a parameter.
  virtual bool StepValue(int steps, bool coarse);

  // ---- Drawing -----------------------------------------------------------------------------------------

  virtual void Draw(ICanvas& g) = 0;
  virtual void DrawHighlightMark(ICanvas& g);

  // ---- Values ------------------------------------------------------------------------------------------

  // Links value valueIndex to a parameter; false (and nothing changes) for a value the control does
  // not have.
  virtual bool BindParam(int paramIdx, int valueIndex = 0);
  // The value under a point: 0 with one value, -1 when it is ambiguous.
  virtual int ValueIndexAt(float x, float y) const;
  // A value from outside the editor (host, siblings); ignored while the control is being dragged.
  virtual void ReceiveValue(double value, int valueIndex = 0);
  // A value the user chose (menu, text entry): stored and sent to the parameter.
  virtual void ApplyUserValue(double value, int valueIndex = 0);
  virtual void ResetToDefault(int valueIndex);
  // Stores a value as it is: no clamping, no notification.
  virtual void SetValue(double value, int valueIndex = 0);
  virtual void SetTextStyle(const ITextStyle& style);
  virtual void SetOrigin(float x, float y);
  virtual void SetExtent(float w, float h);
  virtual void SetHidden(bool hidden);
  virtual void SetDisabled(bool disabled);
  virtual bool HitTest(float x, float y) const;
  // Clamps the value(s) to 0 ... 1 and marks the control for redrawing; with triggerAction the
  // value(s) go to their parameters and sibling controls and the action runs.
  virtual void MarkDirty(bool triggerAction, int valueIndex = -1);
  virtual void MarkClean();
  // Runs the animation (true while one is set), else whether the control is dirty.
  virtual bool NeedsRedraw();
  // Sets a value from a pointer position inside bounds (direction 0 vertical, 1 horizontal).
  virtual void SetValueFromPosition(float x, float y, int direction, const IRectF& bounds, int valueIndex = -1,
                                    double minimum = 0.0, double maximum = 1.0);
  // Ends the animation, redraws, then calls the animation-end action.
  virtual void FinishAnimation();

  // Messages and MIDI the plug-in addresses to controls; ignored unless a control handles them.
  virtual void OnMessageFromDelegate(int /*messageTag*/, int /*dataSize*/, const void* /*data*/) {}
  virtual bool WantsMidi() const { return false; }
  virtual void OnMidi(const IMidiMessage& /*message*/) {}

  // ---- Accessors -----------------------------------------------------------------------------------------

  int NValues() const { return static_cast<int>(mValues.size()); }
  // The parameter index of value valueIndex, or -1 (also for a value the control does not have).
  int ParamIdx(int valueIndex = 0) const {
    return valueIndex >= 0 && valueIndex < NValues() ? mValues[static_cast<size_t>(valueIndex)].paramIdx : -1;
  }
  // The value, or 0 for a value the control does not have.
  double GetValue(int valueIndex = 0) const {
    return valueIndex >= 0 && valueIndex < NValues() ? mValues[static_cast<size_t>(valueIndex)].value : 0.0;
  }
  // The parameter of a value, or null (no parameter, or an index the delegate does not know).
  const IParam* GetParam(int valueIndex = 0) const;
  // The first value linked to paramIdx, or -1.
  int FirstValueBoundTo(int paramIdx) const;

  const IRectF& GetRect() const { return mRect; }
  const IRectF& GetTargetRect() const { return mTargetRect; }
  // Both rectangles; clears mouse-is-over and calls OnBoundsChanged.
  void SetRect(const IRectF& rect);
  void SetTargetRect(const IRectF& rect) { mTargetRect = rect; }
  const std::string& GetGroup() const { return mGroup; }
  void SetGroup(std::string group) { mGroup = std::move(group); }
  const ITextStyle& GetTextStyle() const { return mStyle; }
  const IBlendMode& GetBlend() const { return mBlend; }
  void SetBlend(const IBlendMode& blend) { mBlend = blend; }
  int GetTextEntryLength() const { return mTextEntryLength; }
  void SetTextEntryLength(int length) { mTextEntryLength = length; }
  bool IsDirty() const { return mDirty; }
  bool IsHidden() const { return mHidden; }
  bool IsDisabled() const { return mDisabled; }
  bool PromptDisabled() const { return mPromptDisabled; }
  void DisablePrompt(bool disable) { mPromptDisabled = disable; }
  bool DoubleClickAsClick() const { return mDblAsSingleClick; }
  void SetDoubleClickAsClick(bool asClick) { mDblAsSingleClick = asClick; }
  bool MouseOverWhenDisabled() const { return mMouseOverWhenDisabled; }
  void SetMouseOverWhenDisabled(bool allow) { mMouseOverWhenDisabled = allow; }
  bool MouseEventsWhenDisabled() const { return mMouseEventsWhenDisabled; }
  void SetMouseEventsWhenDisabled(bool allow) { mMouseEventsWhenDisabled = allow; }
  bool IgnoreMouse() const { return mIgnoreMouse; }
  void SetIgnoreMouse(bool ignore) { mIgnoreMouse = ignore; }
  bool WantsMultiTouch() const { return mWantsMultiTouch; }
  void SetWantsMultiTouch(bool wants) { mWantsMultiTouch = wants; }
  // Knobs and switches are value controls: a right-click offers their value menu (type a value,
  // reset to the default), the arrow keys and Page Up/Down step them under the pointer, and the
  // value readout shows them (unless switched off for one).
  bool IsValueControl() const { return mValueControl; }
  void SetValueControl(bool on) { mValueControl = on; }
  bool ShowsReadout() const { return mValueControl && mShowsReadout; }
  void SetShowsReadout(bool show) { mShowsReadout = show; }
  bool ShowParamLabel() const { return mShowParamLabel; }
  void SetShowParamLabel(bool show) { mShowParamLabel = show; }
  bool GetMouseIsOver() const { return mMouseIsOver; }
  const std::string& GetTooltip() const { return mTooltip; }
  void SetTooltip(std::string tooltip) { mTooltip = std::move(tooltip); }
  const IColorARGB& HighlightColor() const { return mHighlightColor; }
  void SetHighlight(bool on, const IColorARGB& color = kColorRed) {
    mHighlightOn = on;
    mHighlightColor = color;
  }
  bool HighlightOn() const { return mHighlightOn; }

  ICanvasEditorDelegate* GetDelegate() const { return mDelegate; }
  ICanvas* GetUI() const { return mUI; }
  // Set by the surface on attachment.
  void SetDelegate(ICanvasEditorDelegate* delegate) { mDelegate = delegate; }
  void SetUI(ICanvas* ui) { mUI = ui; }

  void SetActionFunction(ActionFunction action) { mAction = std::move(action); }
  const ActionFunction& GetActionFunction() const { return mAction; }
  void SetAnimationEndActionFunction(ActionFunction action) { mAnimationEndAction = std::move(action); }

  // Starts an animation of duration milliseconds: fn runs once per frame until FinishAnimation.
  void SetAnimation(AnimationFunction fn, int duration);
  void SetAnimation(AnimationFunction fn) { mAnimation = std::move(fn); }
  const AnimationFunction& GetAnimationFunction() const { return mAnimation; }
  // (now - start) / duration; 0 without an animation or with no duration.
  double GetAnimationProgress() const;
  int AnimationDuration() const { return mAnimationDuration; }

  void AttachGestureRecognizer(int type, GestureFunction fn);
  int LastGesture() const { return mLastGesture; }

protected:
  // Clears mouse-is-over; true when it was set.
  bool ClearMouseIsOver();
  void SetMouseIsOver(bool over) { mMouseIsOver = over; }
  // A value as stored (callers check the index).
  Value& ValueAt(int valueIndex) { return mValues[static_cast<size_t>(valueIndex)]; }
  bool HasValue(int valueIndex) const { return valueIndex >= 0 && valueIndex < NValues(); }

  IRectF mRect;
  IRectF mTargetRect;
  std::string mGroup;
  ITextStyle mStyle;
  IBlendMode mBlend;
  int mTextEntryLength = 7;
  bool mDirty = true;
  bool mHidden = false;
  bool mDisabled = false;
  bool mPromptDisabled = true;
  bool mDblAsSingleClick = false;
  bool mMouseOverWhenDisabled = false;
  bool mMouseEventsWhenDisabled = false;
  bool mIgnoreMouse = false;
  bool mWantsMultiTouch = false;
  bool mShowParamLabel = false;
  bool mValueControl = false;
  bool mShowsReadout = true;
  bool mMouseIsOver = false;
  std::string mTooltip;
  IColorARGB mHighlightColor = kColorRed;
  bool mHighlightOn = false;
  // The submenu of states BuildContextMenu made last: compared with, never read.
  const IPopupMenu* mStatesMenu = nullptr;
  ICanvasEditorDelegate* mDelegate = nullptr;
  ICanvas* mUI = nullptr;
  ActionFunction mAction;
  ActionFunction mAnimationEndAction;
  AnimationFunction mAnimation;
  double mAnimationStart = 0.0;
  int mAnimationDuration = 0;
  std::vector<Value> mValues;
  std::map<int, GestureFunction> mGestureFunctions;
  int mLastGesture = 0;
};

} // namespace lumen::canvas
