#pragma once

// A drawing surface and controls that only record what the editor delegate asks of them.

#include "IControl.h"
#include "graphics/TestCanvas.h"

#include <map>
#include <memory>
#include <string>
#include <utility>
#include <vector>

namespace lumen::test {

class FakeControl : public canvas::IControl {
public:
  explicit FakeControl(const std::vector<int>& paramLinks, bool wantsMidi = false)
      : IControl(canvas::IRectF(), paramLinks), mWantsMidi(wantsMidi) {}

  void Draw(canvas::ICanvas&) override {}
  void ReceiveValue(double value, int valueIndex) override { received.emplace_back(valueIndex, value); }
  void OnMessageFromDelegate(int messageTag, int, const void*) override { messages.push_back(messageTag); }
  bool WantsMidi() const override { return mWantsMidi; }
  void OnMidi(const IMidiMessage& message) override { midi.push_back(message.status); }

  std::vector<std::pair<int, double>> received; // (link, value)
  std::vector<int> messages;
  std::vector<int> midi;

private:
  bool mWantsMidi;
};

// A surface with no delegate of its own whose delegate-facing operations only record.
class FakeCanvas : public TestCanvas {
public:
  FakeCanvas(int width, int height, float scale) : TestCanvas(nullptr, width, height, scale), mWidth(width), mHeight(height), mScale(scale) {}

  int Width() const override { return mWidth; }
  int Height() const override { return mHeight; }
  float DrawScale() const override { return mScale; }
  void ResizeSurface(int width, int height, float scale) override {
    ++resizes;
    mWidth = width;
    mHeight = height;
    mScale = scale;
  }
  void ApplyScreenScale(float scale) override { screenScale = scale; }
  void* OpenEditorWindow(void* parent) override {
    openedIn = parent;
    windowOpen = true;
    return &windowHandle;
  }
  void CloseEditorWindow() override {
    ++closes;
    windowOpen = false;
    if (onClose) onClose();
  }
  float ExpectedScreenScale() const override { return expectedScreenScale; }
  void OnHostIdle() override { ++idles; }
  bool OnKeyDown(float x, float y, const IKeyEvent& key) override { return Key("down", x, y, key); }
  bool OnKeyUp(float x, float y, const IKeyEvent& key) override { return Key("up", x, y, key); }
  void ForEachControl(const std::function<void(canvas::IControl&)>& fn) override {
    for (auto& control : controls) fn(*control);
  }
  canvas::IControl* ControlWithTag(int tag) override {
    const auto it = tags.find(tag);
    return it == tags.end() ? nullptr : it->second;
  }

  FakeControl& Add(const std::vector<int>& links, bool wantsMidi = false, int tag = -1) {
    controls.push_back(std::make_unique<FakeControl>(links, wantsMidi));
    if (tag >= 0) tags[tag] = controls.back().get();
    return *controls.back();
  }

  std::vector<std::unique_ptr<FakeControl>> controls;
  std::map<int, canvas::IControl*> tags;
  int resizes = 0;
  int closes = 0;
  int idles = 0;
  float expectedScreenScale = 1.0f;
  float screenScale = 0.0f;
  void* openedIn = nullptr;
  bool keyResult = true;
  std::string lastKey; // "down x y char"
  std::function<void()> onClose;

private:
  bool Key(const char* kind, float x, float y, const IKeyEvent& key) {
    lastKey = std::string(kind) + " " + std::to_string(static_cast<int>(x)) + " " +
              std::to_string(static_cast<int>(y)) + " " + key.text;
    return keyResult;
  }

  int mWidth;
  int mHeight;
  float mScale;
};

} // namespace lumen::test
