#pragma once

// The value types every part of the editor's drawing and input shares. All geometry is in the
// logical units of the editor's design; the draw scale maps them to pixels.

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <vector>

namespace lumen::canvas {

// A rectangle in logical units. A rectangle whose four fields are all 0 is empty.
struct IRectF {
  float L = 0.0f;
  float T = 0.0f;
  float R = 0.0f;
  float B = 0.0f;

  constexpr IRectF() = default;
  constexpr IRectF(float l, float t, float r, float b) : L(l), T(t), R(r), B(b) {}

  float W() const { return R - L; }
  float H() const { return B - T; }
  float MW() const { return 0.5f * (L + R); }
  float MH() const { return 0.5f * (T + B); }
  bool Empty() const { return L == 0.0f && T == 0.0f && R == 0.0f && B == 0.0f; }
  // True when the rectangle covers no area (no width or no height).
  bool HasNoArea() const { return !(R > L) || !(B > T); }

  // Half-open containment: left and top edges inside, right and bottom outside.
  bool Contains(float x, float y) const { return x >= L && x < R && y >= T && y < B; }
  bool Contains(const IRectF& r) const { return r.L >= L && r.T >= T && r.R <= R && r.B <= B; }
  bool Intersects(const IRectF& r) const { return L < r.R && r.L < R && T < r.B && r.T < B; }

  // The overlap of two rectangles; all zero when they do not overlap.
  IRectF Intersect(const IRectF& r) const {
    const IRectF i(std::max(L, r.L), std::max(T, r.T), std::min(R, r.R), std::min(B, r.B));
    return i.HasNoArea() ? IRectF() : i;
  }
  // The smallest rectangle holding both; an empty rectangle adds nothing.
  IRectF Union(const IRectF& r) const {
    if (Empty()) return r;
    if (r.Empty()) return *this;
    return {std::min(L, r.L), std::min(T, r.T), std::max(R, r.R), std::max(B, r.B)};
  }
  IRectF Grown(float d) const { return {L - d, T - d, R + d, B + d}; }
  IRectF Moved(float dx, float dy) const { return {L + dx, T + dy, R + dx, B + dy}; }
  // Outward to whole pixels at scale s: floor for left and top, ceil for right and bottom. A scale
  // that is not positive and finite leaves the rectangle as it is.
  IRectF PixelAligned(float s) const {
    if (!(s > 0.0f) || !std::isfinite(s)) return *this;
    return {std::floor(L * s) / s, std::floor(T * s) / s, std::ceil(R * s) / s, std::ceil(B * s) / s};
  }
  // A rectangle of the given size centred on this one's centre.
  IRectF CentredInside(float w, float h) const {
    const float l = MW() - 0.5f * w;
    const float t = MH() - 0.5f * h;
    return {l, t, l + w, t + h};
  }

  bool operator==(const IRectF&) const = default;
};

using IRectFList = std::vector<IRectF>;

// A colour as alpha, red, green, blue, each 0 ... 255.
struct IColorARGB {
  int A = 255;
  int R = 0;
  int G = 0;
  int B = 0;
  bool operator==(const IColorARGB&) const = default;
};

inline constexpr IColorARGB kColorBlack{255, 0, 0, 0};
inline constexpr IColorARGB kColorWhite{255, 255, 255, 255};
inline constexpr IColorARGB kColorTranslucentBlack{10, 0, 0, 0};
inline constexpr IColorARGB kColorRed{255, 255, 0, 0};
inline constexpr IColorARGB kColorTransparent{0, 0, 0, 0};

// How a control's drawing combines with what lies beneath it.
struct IBlendMode {
  enum Method : int {
    SourceOver = 0,
    SourceIn = 1,
    SourceOut = 2,
    SourceAtop = 3,
    DestOver = 4,
    DestIn = 5,
    DestOut = 6,
    DestAtop = 7,
    Add = 8,
    XOr = 9
  };
  int method = SourceOver;
  float weight = 1.0f; // opacity, 1 = opaque
  bool operator==(const IBlendMode&) const = default;
};

// Weight a disabled control draws with.
inline constexpr float kDisabledBlendWeight = 0.25f;

// How a line of text is drawn.
struct ITextStyle {
  static constexpr int kFontNameSize = 64; // including the terminator
  enum Align : int { Near = 0, Centre = 1, Far = 2 };
  enum VAlign : int { Top = 0, Middle = 1, Bottom = 2 };

  char font[kFontNameSize] = "Roboto-Regular";
  float size = 14.0f;
  IColorARGB color = kColorBlack;
  IColorARGB entryBackground = kColorWhite;
  IColorARGB entryForeground = kColorBlack;
  float angle = 0.0f; // degrees
  int align = Centre;
  int valign = Middle;

  // Copies a font name, cut to what fits.
  void SetFont(const char* name) {
    std::memset(font, 0, sizeof(font));
    if (name) std::strncpy(font, name, kFontNameSize - 1);
  }
};

// Buttons and modifier keys with a pointer event. The mouse is touch identifier 0.
struct IMouseState {
  bool left = false;
  bool right = false;
  bool shift = false;
  bool control = false;
  bool alt = false;
  intptr_t touchId = 0;
  float touchRadius = 0.0f;
};

// One pointer's event: position, movement since its previous event and state.
struct IMouseEvent {
  float x = 0.0f;
  float y = 0.0f;
  float dX = 0.0f;
  float dY = 0.0f;
  IMouseState ms;
};
using IMouseEventList = std::vector<IMouseEvent>;

// A 2-D affine transform: x' = xx*x + xy*y + tx, y' = yx*x + yy*y + ty.
struct IMatrix {
  double xx = 1.0;
  double yx = 0.0;
  double xy = 0.0;
  double yy = 1.0;
  double tx = 0.0;
  double ty = 0.0;

  static constexpr double kPi = 3.14159265358979323846;

  // this = this * other (other applies first to a point).
  IMatrix& Transform(const IMatrix& m) {
    const IMatrix p = *this;
    xx = p.xx * m.xx + p.xy * m.yx;
    yx = p.yx * m.xx + p.yy * m.yx;
    xy = p.xx * m.xy + p.xy * m.yy;
    yy = p.yx * m.xy + p.yy * m.yy;
    tx = p.xx * m.tx + p.xy * m.ty + p.tx;
    ty = p.yx * m.tx + p.yy * m.ty + p.ty;
    return *this;
  }
  IMatrix& Translate(double x, double y) { return Transform({1, 0, 0, 1, x, y}); }
  IMatrix& Scale(double x, double y) { return Transform({x, 0, 0, y, 0, 0}); }
  IMatrix& Rotate(double degrees) {
    const double a = degrees * kPi / 180.0;
    const double c = std::cos(a);
    const double s = std::sin(a);
    return Transform({c, s, -s, c, 0, 0});
  }
  void TransformPoint(double& x, double& y) const {
    const double px = x;
    x = xx * px + xy * y + tx;
    y = yx * px + yy * y + ty;
  }
  // The inverse; identity when the matrix cannot be inverted.
  IMatrix Invert() const {
    const double d = xx * yy - xy * yx;
    if (d == 0.0 || !std::isfinite(d)) return {};
    IMatrix r;
    r.xx = yy / d;
    r.yx = -yx / d;
    r.xy = -xy / d;
    r.yy = xx / d;
    r.tx = -(r.xx * tx + r.xy * ty);
    r.ty = -(r.yx * tx + r.yy * ty);
    return r;
  }
  bool operator==(const IMatrix&) const = default;
};

// Where a resource search found a name.
enum class ResourceLocation : int { NotFound = 0, AbsolutePath = 1, ModuleResource = 2, PreloadedTexture = 3 };

// How the corner grip changes the editor: scale the design, or change the logical size.
enum class ResizeMode : int { Scale = 0, Size = 1 };

// Cursor shapes the platform layer knows (unknown values show the arrow).
enum CursorKind : int {
  kCursorArrow = 0,
  kCursorIBeam = 1,
  kCursorWait = 2,
  kCursorCross = 3,
  kCursorUpArrow = 4,
  kCursorSizeNWSE = 5,
  kCursorSizeNESW = 6,
  kCursorSizeWE = 7,
  kCursorSizeNS = 8,
  kCursorSizeAll = 9,
  kCursorNo = 10,
  kCursorHand = 11,
  kCursorAppStarting = 12,
  kCursorHelp = 13
};

// A touch gesture as the platform reports it.
struct IGestureInfo {
  int type = 0;
  float x = 0.0f;
  float y = 0.0f;
  float scale = 1.0f;
  float velocity = 0.0f;
  float angle = 0.0f;
};

} // namespace lumen::canvas
