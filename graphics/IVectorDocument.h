#pragma once

#include "ICanvasTypes.h"

#include <cstddef>
#include <memory>
#include <string_view>
#include <vector>

namespace lumen::canvas {

// A parsed vector picture: its size and its shapes as filled and stroked polygons. The parser
// understands the plain shape elements of SVG (rect, circle, ellipse, line, polyline, polygon) with
// solid fill and stroke colours; anything else in the document is skipped. A text that is no SVG
// document gives no document at all.
class IVectorDocument {
public:
  struct Shape {
    std::vector<float> points; // x0, y0, x1, y1, ...
    bool closed = true;
    bool hasFill = true;
    IColorARGB fill = kColorBlack;
    bool hasStroke = false;
    IColorARGB stroke = kColorBlack;
    float strokeWidth = 1.0f;
  };

  // Null when the text holds no <svg> element with a positive size.
  static std::unique_ptr<IVectorDocument> Parse(std::string_view text, float dpi = 96.0f);

  float Width() const { return mWidth; }
  float Height() const { return mHeight; }
  const std::vector<Shape>& Shapes() const { return mShapes; }

private:
  float mWidth = 0.0f;
  float mHeight = 0.0f;
  std::vector<Shape> mShapes;
};

} // namespace lumen::canvas
