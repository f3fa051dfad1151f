#pragma once

// Drawing records that only the backend interprets; the core builds and passes them through.

#include "ICanvasTypes.h"

#include <array>
#include <memory>

namespace lumen::canvas {

class APIBitmap;

// A solid colour or a gradient.
struct IPaintPattern {
  enum Type : int { Solid = 0, Linear = 1, Radial = 2 };
  struct Stop {
    IColorARGB color;
    float offset = 0.0f;
  };
  static constexpr int kMaxStops = 16;

  int type = Solid;
  int extend = 0;
  std::array<Stop, kMaxStops> stops{};
  int nStops = 0;
  IMatrix transform;

  IPaintPattern() = default;
  // A solid pattern of one colour.
  IPaintPattern(const IColorARGB& color) : nStops(1) { stops[0] = {color, 0.0f}; } // NOLINT: implicit on purpose
  void AddStop(const IColorARGB& color, float offset) {
    if (nStops < kMaxStops) stops[static_cast<size_t>(nStops++)] = {color, offset};
  }
};

struct IStrokeStyle {
  enum Cap : int { CapButt = 0, CapRound = 1, CapSquare = 2 };
  enum Join : int { JoinMiter = 0, JoinRound = 1, JoinBevel = 2 };
  static constexpr int kMaxDashes = 16;
  float miterLimit = 10.0f;
  bool preserve = false;
  int cap = CapButt;
  int join = JoinMiter;
  std::array<float, kMaxDashes> dashes{};
  int nDashes = 0;
  float dashOffset = 0.0f;
};

struct IFillStyle {
  enum Rule : int { Winding = 0, EvenOdd = 1 };
  int rule = Winding;
  bool preserve = false;
};

struct IShadowSpec {
  IPaintPattern pattern;
  float blurSize = 0.0f;
  float xOffset = 0.0f;
  float yOffset = 0.0f;
  float opacity = 1.0f;
  bool drawForeground = true;
};

// An offscreen layer: its bitmap (owned) and the area of the editor it covers.
struct IDrawLayer {
  IDrawLayer(std::unique_ptr<APIBitmap> b, const IRectF& r);
  ~IDrawLayer();
  IDrawLayer(const IDrawLayer&) = delete;
  IDrawLayer& operator=(const IDrawLayer&) = delete;

  std::unique_ptr<APIBitmap> bitmap;
  IRectF bounds;
};

} // namespace lumen::canvas
