#pragma once

// Doubles for the graphics core: a drawing backend that records every drawing call as data, and a
// platform layer that records cursor, clipboard, menu, text-entry and font requests. TestCanvas
// stacks them the way the real editor class stacks its backend and platform layer.

#include "ICanvas.h"

#include <cmath>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <vector>

namespace lumen::test {

using namespace lumen::canvas;

// One recorded call: what was done, where, with which bitmap and frame offset, at which angle, under
// which clip and path transform.
struct DrawOp {
  std::string op;
  IRectF rect;
  std::string bitmap;
  int srcX = 0;
  int srcY = 0;
  float angle = 0.0f; // rotation of the path transform, degrees
  IRectF clip;
  IMatrix transform;
  IColorARGB color;
  float weight = 1.0f;
  std::vector<float> args;
};

// A backend picture of a given pixel size made for a scale.
class TestBitmap : public APIBitmap {
public:
  TestBitmap(int w, int h, float scale = 1.0f, float drawScale = 1.0f) : APIBitmap(1, w, h, scale, drawScale) {}
};

class RecordingBackend : public ICanvas {
public:
  using ICanvas::ICanvas;

  std::vector<DrawOp> ops;
  IRectF currentClip;
  IMatrix currentTransform;
  int frames = 0;
  // Pixel sizes of the pictures FetchBitmap can find, by name; fetches are counted.
  std::map<std::string, std::pair<int, int>> pictures;
  std::vector<std::string> fetches;
  std::map<std::string, std::unique_ptr<TestBitmap>> bitmapCache;
  std::vector<std::string> layerBinds;
  bool acceptFonts = true;
  std::vector<std::string> registeredFonts;
  float charWidth = 0.5f; // text measures charWidth x size per character, size high

  // Only the operations whose name is op.
  std::vector<DrawOp> Ops(const std::string& op) const {
    std::vector<DrawOp> out;
    for (const DrawOp& d : ops) {
      if (d.op == op) out.push_back(d);
    }
    return out;
  }

  void StartFrame() override {
    ICanvas::StartFrame();
    Record("StartFrame");
  }
  void OnViewCreated(void*) override {}
  void OnViewClosing() override {}
  void FinishFrame() override {
    ++frames;
    Record("FinishFrame");
  }
  void PaintBitmap(const IBitmapHandle& bitmap, const IRectF& dest, int srcX, int srcY, const IBlendMode* blend) override {
    DrawOp& d = Record("PaintBitmap", dest, blend);
    d.bitmap = bitmap.ResourceName();
    d.srcX = srcX;
    d.srcY = srcY;
  }
  IColorARGB ReadPixel(float, float) override { return kColorBlack; }
  void* DrawContext() override { return nullptr; }
  const char* BackendName() const override { return "Recording"; }
  bool SupportsBitmapExtension(const char*) const override { return true; }
  void FastDropShadow(const IRectF&, const IRectF& outer, float, float, float, const IBlendMode* blend) override {
    Record("FastDropShadow", outer, blend);
  }
  void ReadLayerPixels(IDrawLayer&, std::vector<uint8_t>& buffer) override { buffer.clear(); }
  void ApplyLayerShadow(IDrawLayer&, const std::vector<uint8_t>&, const IShadowSpec&) override {}
  void RebindLayerTarget() override {
    const IDrawLayer* top = TopLayer();
    layerBinds.push_back(top ? "layer" : "main");
  }
  void ClearPath() override { Record("ClearPath"); }
  void ClosePath() override { Record("ClosePath"); }
  void AddArc(float cx, float cy, float r, float a1, float a2, int) override { Record("AddArc").args = {cx, cy, r, a1, a2}; }
  void MoveTo(float x, float y) override { Record("MoveTo").args = {x, y}; }
  void LineTo(float x, float y) override { Record("LineTo").args = {x, y}; }
  void SetSubpathWinding(bool) override {}
  void CubicTo(float, float, float, float, float x2, float y2) override { Record("CubicTo").args = {x2, y2}; }
  void QuadTo(float, float, float x2, float y2) override { Record("QuadTo").args = {x2, y2}; }
  void StrokePath(const IPaintPattern& pattern, float thickness, const IStrokeStyle&, const IBlendMode* blend) override {
    DrawOp& d = Record("StrokePath", {}, blend);
    d.color = pattern.stops[0].color;
    d.args = {thickness};
  }
  void FillPath(const IPaintPattern& pattern, const IFillStyle&, const IBlendMode* blend) override {
    Record("FillPath", {}, blend).color = pattern.stops[0].color;
  }
  void SetPathTransform(const IMatrix& matrix) override { currentTransform = matrix; }
  void SetClip(const IRectF& rect) override {
    currentClip = rect;
    Record("SetClip", rect);
  }

  IBitmapHandle FetchBitmap(const char* name, int nFrames = 1, bool horizontal = false, int targetScale = 0) override {
    if (targetScale == 0) targetScale = static_cast<int>(std::ceil(ScreenScale()));
    fetches.push_back(std::string(name) + "@" + std::to_string(targetScale));
    const auto it = pictures.find(name);
    if (it == pictures.end()) return {};
    auto& cached = bitmapCache[name];
    if (!cached) cached = std::make_unique<TestBitmap>(it->second.first, it->second.second);
    return IBitmapHandle(cached.get(), nFrames, horizontal, name);
  }
  APIBitmap* CreateBitmapFromData(const char* name, const void*, int, int scale) override {
    auto& cached = bitmapCache[name];
    if (!cached) cached = std::make_unique<TestBitmap>(10 * scale, 10 * scale, static_cast<float>(scale));
    return cached.get();
  }
  std::unique_ptr<APIBitmap> CreateBitmapFromLocation(const char*, int scale, ResourceLocation, const char*) override {
    return std::make_unique<TestBitmap>(10, 10, static_cast<float>(scale));
  }
  std::unique_ptr<APIBitmap> CreateLayerBitmap(int w, int h, float scale, float drawScale, bool) override {
    return std::make_unique<TestBitmap>(w, h, scale, drawScale);
  }
  bool RegisterFont(const char* fontId, const PlatformFont&) override {
    if (acceptFonts) registeredFonts.push_back(fontId);
    return acceptFonts;
  }
  int AlphaChannelIndex() const override { return 3; }
  float MeasureTextRun(const ITextStyle& style, const char* text, IRectF& bounds) override {
    const float w = charWidth * style.size * static_cast<float>(std::string(text).size());
    bounds = IRectF(bounds.L, bounds.T, bounds.L + w, bounds.T + style.size);
    return w;
  }
  void DrawTextRun(const ITextStyle& style, const char* text, const IRectF& bounds, const IBlendMode* blend) override {
    DrawOp& d = Record("DrawText", bounds, blend);
    d.bitmap = text;
    d.color = style.color;
  }

private:
  DrawOp& Record(const std::string& op, const IRectF& rect = {}, const IBlendMode* blend = nullptr) {
    DrawOp d;
    d.op = op;
    d.rect = rect;
    d.clip = currentClip;
    d.transform = currentTransform;
    d.angle = static_cast<float>(std::atan2(currentTransform.yx, currentTransform.xx) * 180.0 / IMatrix::kPi);
    d.weight = blend ? blend->weight : 1.0f;
    ops.push_back(d);
    return ops.back();
  }
};

class TestFont : public PlatformFont {
public:
  TestFont() : PlatformFont(false) {}
};

class TestCanvas : public RecordingBackend {
public:
  explicit TestCanvas(ICanvasEditorDelegate* delegate, int width = 1630, int height = 1010, float drawScale = 0.5f)
      : RecordingBackend(delegate, width, height, 60, drawScale) {}
  ~TestCanvas() override {
    if (releaseOnDestruction) ReleaseBeforeDestruction();
  }

  // A real platform layer releases in its destructor; tests can leave it to the core.
  bool releaseOnDestruction = true;

  // Cursor
  std::vector<std::string> cursorCalls; // "hide lock" / "show lock"
  int systemCursorHidden = 0;            // ShowCursor counter as a system would keep it
  // Clipboard
  std::string clipboard;
  bool clipboardHasText = true;
  // Menus: the item to choose (-1: none) and what was shown
  int menuChoice = -1;
  std::vector<std::vector<std::string>> menusShown;
  std::vector<int> menuChecked; // index of the checked item of the last menu, -1 none
  // Text entry requests
  std::vector<std::string> textEdits;
  // Fonts the platform can load, and what it cached
  std::set<std::string> loadableFonts;
  std::vector<std::string> cachedFonts;
  // Window requests
  std::vector<bool> platformResizes;
  int drawTargetResizes = 0;
  double now = 0.0;
  std::vector<std::pair<float, float>> pointerMoves;
  float mouseX = 0.0f;
  float mouseY = 0.0f;
  int windowHandle = 0;
  bool windowOpen = false;

  double NowMilliseconds() const override { return now; }

  void GetMousePosition(float& x, float& y) const override {
    x = mouseX;
    y = mouseY;
  }
  void HidePointer(bool hide, bool lock) override {
    cursorCalls.push_back(std::string(hide ? "hide" : "show") + (lock ? " lock" : ""));
    systemCursorHidden += hide ? 1 : -1;
  }
  void MovePointer(float x, float y) override { pointerMoves.emplace_back(x, y); }
  void AbortTextEntry() override {}
  void* OpenEditorWindow(void*) override {
    windowOpen = true;
    return &windowHandle;
  }
  void CloseEditorWindow() override { windowOpen = false; }
  void* WindowHandle() const override { return windowOpen ? const_cast<int*>(&windowHandle) : nullptr; }
  bool ReadClipboardText(std::string& text) override {
    text = clipboardHasText ? clipboard : std::string();
    return clipboardHasText;
  }
  bool WriteClipboardText(const std::string& text) override {
    clipboard = text;
    return !text.empty();
  }
  int ShowAlert(const char*, const char*, int, std::function<void(int)>) override { return 0; }
  void PickFile(std::string& fileName, std::string&, int, const char*) override { fileName.clear(); }
  void PickDirectory(std::string& directory) override { directory.clear(); }
  bool PickColor(IColorARGB&, const char*, std::function<void(const IColorARGB&)>) override { return false; }
  bool OpenWebAddress(const char*, const char*, const char*, const char*) override { return false; }
  std::unique_ptr<PlatformFont> LoadSystemFont(const char*, const char*, int) override { return nullptr; }
  std::unique_ptr<PlatformFont> LoadFontFromMemory(const char*, const void* data, int size) override {
    return data && size > 0 ? std::make_unique<TestFont>() : nullptr;
  }
  std::unique_ptr<PlatformFont> LoadFontFromResource(const char*, const char* name) override {
    return loadableFonts.count(name) ? std::make_unique<TestFont>() : nullptr;
  }
  void CacheSystemFont(const char* fontId, PlatformFont&) override { cachedFonts.push_back(fontId); }
  void OpenPlatformTextEdit(int paramIdx, const ITextStyle&, const IRectF&, int maxLength, const char* text) override {
    textEdits.push_back(std::to_string(paramIdx) + " " + std::to_string(maxLength) + " " + text);
  }
  // Whether menus are the surface's drawn control (as on Linux) rather than the native double below.
  bool drawnMenus = false;
  bool DrawsMenus() const override { return drawnMenus; }
  IPopupMenu* OpenPlatformMenu(IPopupMenu& menu, const IRectF&) override {
    std::vector<std::string> items;
    int checked = -1;
    for (int i = 0; i < menu.NItems(); ++i) {
      items.push_back(menu.GetItem(i)->text);
      if (menu.GetItem(i)->Checked()) checked = i;
    }
    menusShown.push_back(items);
    menuChecked.push_back(checked);
    if (menuChoice < 0 || menuChoice >= menu.NItems()) return nullptr;
    menu.SetChosenItemIdx(menuChoice);
    return &menu;
  }
  void ResizePlatformWindow(bool parentHasResized) override { platformResizes.push_back(parentHasResized); }
  void ResizeDrawTarget() override { ++drawTargetResizes; }
};

} // namespace lumen::test
