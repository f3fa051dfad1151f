#pragma once

// An editor delegate that logs what the editor sends it, with parameters shaped like the plug-in's
// (a two-state switch, a four-choice selector, a percentage and a 0..1 knob), and a fixture that
// opens a TestCanvas on it.

#include "ICanvasEditorDelegate.h"
#include "IControl.h"
#include "TestCanvas.h"

#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

namespace lumen::test {

class TestDelegate : public ICanvasEditorDelegate {
public:
  enum : int { kBypass = 0, kReact = 1, kOversampling = 2, kDelta = 3, kInputGain = 4, kWet = 5, kTame = 6, kOutputGain = 7, kBias = 8 };

  TestDelegate() : ICanvasEditorDelegate(9) {
    for (const int p : {kBypass, kReact, kDelta}) {
      GetParam(p)->Init("Switch" + std::to_string(p), 0.0, 0.0, 1.0, 1.0);
      GetParam(p)->SetType(IParam::ParamType::Bool);
      GetParam(p)->SetFlags(IParam::Stepped);
    }
    IParam& os = *GetParam(kOversampling);
    os.Init("Oversampling", 0.0, 0.0, 3.0, 1.0);
    os.SetType(IParam::ParamType::Enum);
    os.SetFlags(IParam::Stepped);
    os.AddDisplayText(0, "1x");
    os.AddDisplayText(1, "2x");
    os.AddDisplayText(2, "4x");
    os.AddDisplayText(3, "8x");
    GetParam(kInputGain)->Init("Input Gain", 32.0, 0.0, 200.0, 0.01, "%");
    GetParam(kWet)->Init("Wet", 50.0, 0.0, 100.0, 0.01, "%");
    GetParam(kTame)->Init("Tame", 0.5, 0.0, 1.0, 0.001);
    GetParam(kOutputGain)->Init("Output Gain", 100.0, 0.0, 120.0, 0.01, "%");
    GetParam(kBias)->Init("Bias", 0.5, 0.0, 1.0, 0.001);
    for (const int p : {kInputGain, kWet, kTame, kOutputGain, kBias}) GetParam(p)->SetType(IParam::ParamType::Double);
    SetEditorSizeLimits(400, 1630, 250, 1010);
  }

  using ICanvasEditorDelegate::SetEditorSizeLimits;
  void BeginParamGestureFromEditor(int paramIndex) override { log.push_back("begin " + std::to_string(paramIndex)); }
  void EndParamGestureFromEditor(int paramIndex) override { log.push_back("end " + std::to_string(paramIndex)); }
  void SetParamFromEditor(int paramIndex, double normalized) override {
    ICanvasEditorDelegate::SetParamFromEditor(paramIndex, normalized);
    sent.emplace_back(paramIndex, normalized);
    log.push_back("set " + std::to_string(paramIndex));
  }
  bool EditorResizeRequest(int width, int height, bool) override {
    resizeRequests.emplace_back(width, height);
    return true;
  }
  void LayoutEditor(canvas::ICanvas&) override { ++layouts; }

  // Opens begin-edits minus end-edits per parameter; all zero when every gesture was closed.
  int OpenGestures() const {
    int open = 0;
    for (const std::string& line : log) {
      if (line.rfind("begin ", 0) == 0) ++open;
      if (line.rfind("end ", 0) == 0) --open;
    }
    return open;
  }
  // Every value sent was finite and in 0 ... 1.
  bool AllSentValuesSound() const {
    for (const auto& [p, v] : sent) {
      if (!std::isfinite(v) || v < 0.0 || v > 1.0) return false;
    }
    return true;
  }

  std::vector<std::string> log;
  std::vector<std::pair<int, double>> sent;
  std::vector<std::pair<int, int>> resizeRequests;
  int layouts = 0;
};

// A control that draws a filled rectangle and logs the events it receives.
class LoggingControl : public canvas::IControl {
public:
  explicit LoggingControl(const canvas::IRectF& r, int paramIdx = -1, std::vector<std::string>* sharedLog = nullptr)
      : IControl(r, paramIdx), mLog(sharedLog ? sharedLog : &events) {}
  LoggingControl(const canvas::IRectF& r, const std::vector<int>& params) : IControl(r, params), mLog(&events) {}

  void Draw(canvas::ICanvas& g) override { g.FillRect(canvas::kColorBlack, mRect); }
  void OnMouseDown(float x, float y, const canvas::IMouseState& m) override {
    mLog->push_back("down " + Name());
    IControl::OnMouseDown(x, y, m);
  }
  void OnMouseUp(float, float, const canvas::IMouseState&) override { mLog->push_back("up " + Name()); }
  void OnMouseDrag(float, float, float, float, const canvas::IMouseState&) override { mLog->push_back("drag " + Name()); }
  void OnMouseWheel(float, float, const canvas::IMouseState&, float d) override {
    mLog->push_back("wheel " + Name() + " " + std::to_string(static_cast<int>(d)));
  }
  void OnMouseOver(float x, float y, const canvas::IMouseState& m) override {
    IControl::OnMouseOver(x, y, m);
    mLog->push_back("over " + Name());
  }
  void OnMouseOut() override {
    IControl::OnMouseOut();
    mLog->push_back("out " + Name());
  }
  void OnSetup() override { mLog->push_back("setup " + Name()); }
  void OnBoundsChanged() override { mLog->push_back("bounds " + Name()); }
  void OnScaleChanged() override { mLog->push_back("scale " + Name()); }
  void OnAdded() override { mLog->push_back("added " + Name()); }
  bool OnKeyDown(float, float, const IKeyEvent&) override {
    mLog->push_back("key " + Name());
    return takesKeys;
  }

  std::string name = "c";
  bool takesKeys = false;
  std::vector<std::string> events;

private:
  std::string Name() const { return name; }
  std::vector<std::string>* mLog;
};

inline canvas::IMouseState Left() {
  canvas::IMouseState m;
  m.left = true;
  return m;
}
inline canvas::IMouseState Right() {
  canvas::IMouseState m;
  m.right = true;
  return m;
}
inline canvas::IMouseEventList Press(float x, float y, canvas::IMouseState m = Left()) {
  return {canvas::IMouseEvent{x, y, 0.0f, 0.0f, m}};
}
inline canvas::IMouseEventList Move(float x, float y, float dX, float dY, canvas::IMouseState m = Left()) {
  return {canvas::IMouseEvent{x, y, dX, dY, m}};
}

struct GraphicsFixture : ::testing::Test {
  TestDelegate delegate;
  TestCanvas ui{&delegate};
};

} // namespace lumen::test
