#pragma once

// An offscreen editor for drawing tests: a delegate, controls that draw what a test tells them,
// pictures made on the spot and an embedded-resource table to find them in.

#include "ICanvasEditorDelegate.h"
#include "ICanvasOffscreen.h"
#include "IControl.h"
#include "PngEncoder.h"

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace lumen::test {

using namespace lumen::canvas;

class TestEditorDelegate : public ICanvasEditorDelegate {
public:
  TestEditorDelegate() : ICanvasEditorDelegate(1) {}
  void BeginParamGestureFromEditor(int) override {}
  void EndParamGestureFromEditor(int) override {}
};

// A control whose drawing is a function of the test.
class DrawingControl : public IControl {
public:
  using DrawFunction = std::function<void(ICanvas&, DrawingControl&)>;
  DrawingControl(const IRectF& bounds, DrawFunction draw) : IControl(bounds), mDraw(std::move(draw)) {}
  void Draw(ICanvas& g) override {
    ++draws;
    mDraw(g, *this);
  }
  void SetDraw(DrawFunction draw) { mDraw = std::move(draw); }
  int draws = 0;

private:
  DrawFunction mDraw;
};

inline DrawingControl* AddFilledRect(ICanvas& ui, const IRectF& r, IColorARGB color)
{
  auto* c = new DrawingControl(r, [color](ICanvas& g, DrawingControl& self) { g.FillRect(color, self.GetRect()); });
  ui.AddControl(c);
  return c;
}

// RGBA pixels of a picture whose rows are given colours, band by band.
struct TestPicture {
  int width = 0;
  int height = 0;
  std::vector<uint8_t> rgba;

  TestPicture(int w, int h, IColorARGB fill) : width(w), height(h), rgba(static_cast<size_t>(w) * h * 4) {
    Fill(0, 0, w, h, fill);
  }
  void Fill(int x0, int y0, int x1, int y1, IColorARGB c) {
    for (int y = y0; y < y1; ++y)
      for (int x = x0; x < x1; ++x) {
        uint8_t* p = &rgba[(static_cast<size_t>(y) * width + x) * 4];
        p[0] = static_cast<uint8_t>(c.R);
        p[1] = static_cast<uint8_t>(c.G);
        p[2] = static_cast<uint8_t>(c.B);
        p[3] = static_cast<uint8_t>(c.A);
      }
  }
  std::vector<uint8_t> Png() const { return EncodePng(width, height, rgba.data()); }
};

// Embedded files of a test, kept alive with their table.
class TestResources {
public:
  void Add(std::string name, std::string type, std::vector<uint8_t> bytes) {
    mNames.push_back(std::make_unique<std::string>(std::move(name)));
    mTypes.push_back(std::make_unique<std::string>(std::move(type)));
    mData.push_back(std::make_unique<std::vector<uint8_t>>(std::move(bytes)));
    mEntries.push_back({mNames.back()->c_str(), mTypes.back()->c_str(), mData.back()->data(), mData.back()->size()});
    mTable = IResourceTable(mEntries);
  }
  const IResourceTable* Table() const { return &mTable; }

private:
  std::vector<std::unique_ptr<std::string>> mNames, mTypes;
  std::vector<std::unique_ptr<std::vector<uint8_t>>> mData;
  std::vector<IEmbeddedResource> mEntries;
  IResourceTable mTable;
};

// A surface of width x height units at the draw scale, opened offscreen.
struct OffscreenEditor {
  TestEditorDelegate delegate;
  std::unique_ptr<ICanvasOffscreen> ui;

  explicit OffscreenEditor(int width = 200, int height = 100, float scale = 1.0f)
      : ui(std::make_unique<ICanvasOffscreen>(&delegate, width, height, 60, scale)) {}
  bool Open() { return ui->OpenEditorWindow(nullptr) != nullptr; }
};

inline bool Near(const IPixelImage::Pixel& p, IColorARGB c, int tolerance = 3) {
  return std::abs(p.r - c.R) <= tolerance && std::abs(p.g - c.G) <= tolerance && std::abs(p.b - c.B) <= tolerance &&
         std::abs(p.a - c.A) <= tolerance;
}

inline std::string Describe(const IPixelImage::Pixel& p) {
  // Appended piece by piece: GCC 12 at -O3 misreads a literal + temporary string as overlapping.
  std::string text = "(";
  for (int v : {int(p.r), int(p.g), int(p.b), int(p.a)}) {
    if (text.size() > 1) text += ", ";
    text += std::to_string(v);
  }
  text += ')';
  return text;
}

// Writes a render to /tmp for a person to look at when KOLMARI_KEEP_RENDERS is set.
inline void KeepRender(const IPixelImage& image, const std::string& name) {
  if (std::getenv("KOLMARI_KEEP_RENDERS") != nullptr) image.WritePng("/tmp/kolmari-" + name + ".png");
}

} // namespace lumen::test
