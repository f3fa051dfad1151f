#pragma once

// A drawing surface and controls that only record what the editor delegate asks of them.

#include "ICanvas.h"
#include "IControl.h"

#include <map>
#include <memory>
#include <string>
#include <utility>
#include <vector>

namespace lumen::test {

class FakeControl : public canvas::IControl {
public:
  explicit FakeControl(std::vector<int> paramLinks, bool wantsMidi = false)
      : mLinks(std::move(paramLinks)), mWantsMidi(wantsMidi) {}

  int NValues() const override { return static_cast<int>(mLinks.size()); }
  int ParamIdx(int valueIndex) const override { return mLinks.at(static_cast<size_t>(valueIndex)); }
  void ReceiveValue(double value, int valueIndex) override { received.emplace_back(valueIndex, value); }
  void OnMessageFromDelegate(int messageTag, int, const void*) override { messages.push_back(messageTag); }
  bool WantsMidi() const override { return mWantsMidi; }
  void OnMidi(const IMidiMessage& message) override { midi.push_back(message.status); }

  std::vector<std::pair<int, double>> received; // (link, value)
  std::vector<int> messages;
  std::vector<int> midi;

private:
  std::vector<int> mLinks;
  bool mWantsMidi;
};

class FakeCanvas : public canvas::ICanvas {
public:
  FakeCanvas(int width, int height, float scale) : mWidth(width), mHeight(height), mScale(scale) {}

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
    return &windowHandle;
  }
  void CloseEditorWindow() override {
    ++closes;
    if (onClose) onClose();
  }
  void GetMousePosition(float& x, float& y) const override {
    x = mouseX;
    y = mouseY;
  }
  bool OnKeyDown(float x, float y, const IKeyEvent& key) override { return Key("down", x, y, key); }
  bool OnKeyUp(float x, float y, const IKeyEvent& key) override { return Key("up", x, y, key); }
  void ForEachControl(const std::function<void(canvas::IControl&)>& fn) override {
    for (auto& control : controls) fn(*control);
  }
  canvas::IControl* ControlWithTag(int tag) override {
    const auto it = tags.find(tag);
    return it == tags.end() ? nullptr : it->second;
  }

  FakeControl& Add(std::vector<int> links, bool wantsMidi = false, int tag = -1) {
    controls.push_back(std::make_unique<FakeControl>(std::move(links), wantsMidi));
    if (tag >= 0) tags[tag] = controls.back().get();
    return *controls.back();
  }

  std::vector<std::unique_ptr<FakeControl>> controls;
  std::map<int, canvas::IControl*> tags;
  int resizes = 0;
  int closes = 0;
  float screenScale = 0.0f;
  void* openedIn = nullptr;
  int windowHandle = 0;
  float mouseX = 0.0f;
  float mouseY = 0.0f;
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
