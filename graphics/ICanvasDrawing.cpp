// The surface's drawing built from the backend's path operations: pictures placed by transforms,
// shapes, the path-transform stack, clipping, layers and rotated text.
#include "ICanvas.h"

#include <algorithm>
#include <cmath>

namespace lumen::canvas {

namespace {

bool Finite(float v) { return std::isfinite(v); }

} // namespace

IDrawLayer::IDrawLayer(std::unique_ptr<APIBitmap> b, const IRectF& r) : bitmap(std::move(b)), bounds(r) {}
IDrawLayer::~IDrawLayer() = default;

// ---- Pictures ------------------------------------------------------------------------------------------

void ICanvas::PaintSVG(const IVectorDocument& document, const IRectF& bounds, const IBlendMode* blend) {
  if (!(document.Width() > 0.0f) || !(document.Height() > 0.0f)) return;
  const float scale = std::min(bounds.W() / document.Width(), bounds.H() / document.Height());
  if (!Finite(scale) || !(scale > 0.0f)) return;
  PathTransformSave();
  PathTransformTranslate(bounds.L, bounds.T);
  PathTransformScale(scale);
  for (const IVectorDocument::Shape& shape : document.Shapes()) {
    if (shape.points.size() < 4) continue;
    ClearPath();
    MoveTo(shape.points[0], shape.points[1]);
    for (size_t i = 2; i + 1 < shape.points.size(); i += 2) LineTo(shape.points[i], shape.points[i + 1]);
    if (shape.closed) ClosePath();
    if (shape.hasFill) {
      IFillStyle fill;
      fill.preserve = shape.hasStroke;
      FillPath(shape.fill, fill, blend);
    }
    if (shape.hasStroke) StrokePath(shape.stroke, shape.strokeWidth, {}, blend);
  }
  PathTransformRestore();
}

void ICanvas::PaintRotatedSVG(const IVectorDocument& document, float cx, float cy, float width, float height,
                              float angle, const IBlendMode* blend) {
  PathTransformSave();
  PathTransformTranslate(cx, cy);
  PathTransformRotate(angle);
  PaintSVG(document, IRectF(-0.5f * width, -0.5f * height, 0.5f * width, 0.5f * height), blend);
  PathTransformRestore();
}

void ICanvas::PaintFittedBitmap(const IBitmapHandle& bitmap, const IRectF& bounds, const IBlendMode* blend) {
  if (bitmap.W() <= 0 || bitmap.H() <= 0) return;
  PathTransformSave();
  PathTransformTranslate(bounds.L, bounds.T);
  PathTransformScale(bounds.W() / static_cast<float>(bitmap.W()), bounds.H() / static_cast<float>(bitmap.H()));
  PaintBitmap(bitmap, IRectF(0.0f, 0.0f, static_cast<float>(bitmap.W()), static_cast<float>(bitmap.H())), 0, 0, blend);
  PathTransformRestore();
}

void ICanvas::PaintRotatedBitmap(const IBitmapHandle& bitmap, float cx, float cy, float angle, const IBlendMode* blend) {
  // A picture rendered at another draw scale covers proportionally fewer logical units.
  float drawScale = bitmap.DrawScale();
  if (!Finite(drawScale) || !(drawScale > 0.0f)) drawScale = 1.0f;
  const float hw = static_cast<float>(bitmap.W()) / drawScale * 0.5f;
  const float hh = static_cast<float>(bitmap.H()) / drawScale * 0.5f;
  PathTransformSave();
  PathTransformTranslate(cx, cy);
  PathTransformRotate(Finite(angle) ? angle : 0.0f);
  PaintBitmap(bitmap, IRectF(-hw, -hh, hw, hh), 0, 0, blend);
  PathTransformRestore();
}

// ---- Shapes --------------------------------------------------------------------------------------------

namespace {

void PathRect(ICanvas& g, const IRectF& r) {
  g.MoveTo(r.L, r.T);
  g.LineTo(r.R, r.T);
  g.LineTo(r.R, r.B);
  g.LineTo(r.L, r.B);
  g.ClosePath();
}

void PathRoundRect(ICanvas& g, const IRectF& r, float tl, float tr, float br, float bl) {
  if (tl <= 0.0f && tr <= 0.0f && br <= 0.0f && bl <= 0.0f) {
    PathRect(g, r);
    return;
  }
  g.AddArc(r.L + tl, r.T + tl, tl, 270.0f, 360.0f);
  g.AddArc(r.R - tr, r.T + tr, tr, 0.0f, 90.0f);
  g.AddArc(r.R - br, r.B - br, br, 90.0f, 180.0f);
  g.AddArc(r.L + bl, r.B - bl, bl, 180.0f, 270.0f);
  g.ClosePath();
}

void PathPolygon(ICanvas& g, const float* x, const float* y, int n) {
  if (!x || !y || n < 1) return;
  g.MoveTo(x[0], y[0]);
  for (int i = 1; i < n; ++i) g.LineTo(x[i], y[i]);
  g.ClosePath();
}

void PathEllipse(ICanvas& g, float x, float y, float r1, float r2, float angle) {
  g.PathTransformSave();
  g.PathTransformTranslate(x, y);
  g.PathTransformRotate(angle);
  g.PathTransformScale(r1, r2);
  g.AddArc(0.0f, 0.0f, 1.0f, 0.0f, 360.0f);
  g.PathTransformRestore();
}

} // namespace

void ICanvas::DrawPoint(const IColorARGB& color, float x, float y, const IBlendMode* blend, float thickness) {
  FillRect(color, IRectF(x, y, x + thickness, y + thickness), blend);
}

void ICanvas::DrawLine(const IColorARGB& color, float x1, float y1, float x2, float y2, const IBlendMode* blend,
                       float thickness) {
  ClearPath();
  MoveTo(x1, y1);
  LineTo(x2, y2);
  StrokePath(color, thickness, {}, blend);
}

void ICanvas::DrawDottedLine(const IColorARGB& color, float x1, float y1, float x2, float y2, const IBlendMode* blend,
                             float thickness, float dashLength) {
  if (!(dashLength > 0.0f)) return;
  const float dx = x2 - x1;
  const float dy = y2 - y1;
  const float n = std::round(std::sqrt(dx * dx + dy * dy) / dashLength);
  if (!Finite(n) || n > 1e6f) return;
  ClearPath();
  MoveTo(x1, y1);
  for (float i = 1.0f; i < n; i += 2.0f) {
    LineTo(x1 + dx * i / n, y1 + dy * i / n);
    MoveTo(x1 + dx * (i + 1.0f) / n, y1 + dy * (i + 1.0f) / n);
  }
  StrokePath(color, thickness, {}, blend);
}

void ICanvas::DrawTriangle(const IColorARGB& color, float x1, float y1, float x2, float y2, float x3, float y3,
                           const IBlendMode* blend, float thickness) {
  const float x[] = {x1, x2, x3};
  const float y[] = {y1, y2, y3};
  DrawConvexPolygon(color, x, y, 3, blend, thickness);
}

void ICanvas::DrawRect(const IColorARGB& color, const IRectF& bounds, const IBlendMode* blend, float thickness) {
  ClearPath();
  PathRect(*this, bounds);
  StrokePath(color, thickness, {}, blend);
}

void ICanvas::DrawRoundRect(const IColorARGB& color, const IRectF& bounds, float cornerRadius, const IBlendMode* blend,
                            float thickness) {
  DrawRoundRect(color, bounds, cornerRadius, cornerRadius, cornerRadius, cornerRadius, blend, thickness);
}

void ICanvas::DrawRoundRect(const IColorARGB& color, const IRectF& bounds, float cRTL, float cRTR, float cRBR,
                            float cRBL, const IBlendMode* blend, float thickness) {
  ClearPath();
  PathRoundRect(*this, bounds, cRTL, cRTR, cRBR, cRBL);
  StrokePath(color, thickness, {}, blend);
}

void ICanvas::DrawArc(const IColorARGB& color, float cx, float cy, float r, float a1, float a2, const IBlendMode* blend,
                      float thickness) {
  ClearPath();
  AddArc(cx, cy, r, a1, a2);
  StrokePath(color, thickness, {}, blend);
}

void ICanvas::DrawCircle(const IColorARGB& color, float cx, float cy, float r, const IBlendMode* blend, float thickness) {
  ClearPath();
  AddArc(cx, cy, r, 0.0f, 360.0f);
  StrokePath(color, thickness, {}, blend);
}

void ICanvas::DrawEllipse(const IColorARGB& color, const IRectF& bounds, const IBlendMode* blend, float thickness) {
  DrawEllipse(color, bounds.MW(), bounds.MH(), 0.5f * bounds.W(), 0.5f * bounds.H(), 0.0f, blend, thickness);
}

void ICanvas::DrawEllipse(const IColorARGB& color, float x, float y, float r1, float r2, float angle,
                          const IBlendMode* blend, float thickness) {
  ClearPath();
  PathEllipse(*this, x, y, r1, r2, angle);
  StrokePath(color, thickness, {}, blend);
}

void ICanvas::DrawConvexPolygon(const IColorARGB& color, const float* x, const float* y, int n, const IBlendMode* blend,
                                float thickness) {
  ClearPath();
  PathPolygon(*this, x, y, n);
  StrokePath(color, thickness, {}, blend);
}

void ICanvas::DrawDottedRect(const IColorARGB& color, const IRectF& bounds, const IBlendMode* blend, float thickness,
                             float dashLength) {
  DrawDottedLine(color, bounds.L, bounds.T, bounds.R, bounds.T, blend, thickness, dashLength);
  DrawDottedLine(color, bounds.R, bounds.T, bounds.R, bounds.B, blend, thickness, dashLength);
  DrawDottedLine(color, bounds.R, bounds.B, bounds.L, bounds.B, blend, thickness, dashLength);
  DrawDottedLine(color, bounds.L, bounds.B, bounds.L, bounds.T, blend, thickness, dashLength);
}

void ICanvas::FillTriangle(const IColorARGB& color, float x1, float y1, float x2, float y2, float x3, float y3,
                           const IBlendMode* blend) {
  const float x[] = {x1, x2, x3};
  const float y[] = {y1, y2, y3};
  FillConvexPolygon(color, x, y, 3, blend);
}

void ICanvas::FillRect(const IColorARGB& color, const IRectF& bounds, const IBlendMode* blend) {
  ClearPath();
  PathRect(*this, bounds);
  FillPath(color, {}, blend);
}

void ICanvas::FillRoundRect(const IColorARGB& color, const IRectF& bounds, float cornerRadius, const IBlendMode* blend) {
  FillRoundRect(color, bounds, cornerRadius, cornerRadius, cornerRadius, cornerRadius, blend);
}

void ICanvas::FillRoundRect(const IColorARGB& color, const IRectF& bounds, float cRTL, float cRTR, float cRBR,
                            float cRBL, const IBlendMode* blend) {
  ClearPath();
  PathRoundRect(*this, bounds, cRTL, cRTR, cRBR, cRBL);
  FillPath(color, {}, blend);
}

void ICanvas::FillCircle(const IColorARGB& color, float cx, float cy, float r, const IBlendMode* blend) {
  ClearPath();
  AddArc(cx, cy, r, 0.0f, 360.0f);
  FillPath(color, {}, blend);
}

void ICanvas::FillEllipse(const IColorARGB& color, const IRectF& bounds, const IBlendMode* blend) {
  FillEllipse(color, bounds.MW(), bounds.MH(), 0.5f * bounds.W(), 0.5f * bounds.H(), 0.0f, blend);
}

void ICanvas::FillEllipse(const IColorARGB& color, float x, float y, float r1, float r2, float angle,
                          const IBlendMode* blend) {
  ClearPath();
  PathEllipse(*this, x, y, r1, r2, angle);
  FillPath(color, {}, blend);
}

void ICanvas::FillArc(const IColorARGB& color, float cx, float cy, float r, float a1, float a2, const IBlendMode* blend) {
  ClearPath();
  MoveTo(cx, cy);
  AddArc(cx, cy, r, a1, a2);
  ClosePath();
  FillPath(color, {}, blend);
}

void ICanvas::FillConvexPolygon(const IColorARGB& color, const float* x, const float* y, int n, const IBlendMode* blend) {
  ClearPath();
  PathPolygon(*this, x, y, n);
  FillPath(color, {}, blend);
}

float ICanvas::MeasureTextBox(const ITextStyle& style, const char* text, IRectF& bounds) {
  if (!text || !*text) return 0.0f;
  return MeasureTextRun(style, text, bounds);
}

void ICanvas::DrawGrid(const IColorARGB& color, const IRectF& bounds, float stepX, float stepY, const IBlendMode* blend,
                       float thickness) {
  // A step that is not positive (or so small that the grid would have no end) draws no lines.
  const auto lines = [](float extent, float step) { return step > 0.0f && Finite(step) && extent / step < 10000.0f; };
  if (lines(bounds.W(), stepX)) {
    for (float x = bounds.L + stepX; x < bounds.R; x += stepX) DrawLine(color, x, bounds.T, x, bounds.B, blend, thickness);
  }
  if (lines(bounds.H(), stepY)) {
    for (float y = bounds.T + stepY; y < bounds.B; y += stepY) DrawLine(color, bounds.L, y, bounds.R, y, blend, thickness);
  }
}

void ICanvas::DrawPlot(const IColorARGB& color, const IRectF& bounds, const float* normYPoints, int n,
                       const float* normXPoints, const IBlendMode* blend, float thickness) {
  if (!normYPoints || n < 2) return;
  ClearPath();
  for (int i = 0; i < n; ++i) {
    const float nx = normXPoints ? normXPoints[i] : static_cast<float>(i) / static_cast<float>(n - 1);
    const float x = bounds.L + bounds.W() * nx;
    const float y = bounds.B - bounds.H() * normYPoints[i];
    if (i == 0) MoveTo(x, y);
    else LineTo(x, y);
  }
  StrokePath(color, thickness, {}, blend);
}

// ---- Path transform and clipping -------------------------------------------------------------------------

void ICanvas::ApplyTransform() { SetPathTransform(mTransform); }

void ICanvas::PathTransformSave() { mTransformStack.push_back(mTransform); }

void ICanvas::PathTransformRestore() {
  if (mTransformStack.empty()) return;
  mTransform = mTransformStack.back();
  mTransformStack.pop_back();
  ApplyTransform();
}

void ICanvas::PathTransformReset(bool clearStack) {
  if (clearStack) mTransformStack.clear();
  mTransform = IMatrix();
  ApplyTransform();
}

void ICanvas::PathTransformTranslate(float x, float y) {
  mTransform.Translate(x, y);
  ApplyTransform();
}

void ICanvas::PathTransformScale(float x, float y) {
  mTransform.Scale(x, y);
  ApplyTransform();
}

void ICanvas::PathTransformRotate(float degrees) {
  mTransform.Rotate(degrees);
  ApplyTransform();
}

void ICanvas::PathTransformMatrix(const IMatrix& matrix) {
  mTransform.Transform(matrix);
  ApplyTransform();
}

void ICanvas::ClipTo(const IRectF& rect) {
  const IRectF base = mLayers.empty() ? mClipRect : mLayers.back().layer->bounds;
  IRectF clip = base;
  if (!rect.Empty()) clip = base.Empty() ? rect : rect.Intersect(base);
  SetPathTransform(IMatrix());
  SetClip(clip);
  ApplyTransform();
}

// ---- Layers ----------------------------------------------------------------------------------------------

void ICanvas::StartLayer(IControl*, const IRectF& bounds, bool cacheable) {
  const float s = TotalScale();
  const IRectF aligned = bounds.PixelAligned(s);
  const int w = static_cast<int>(std::ceil(std::ceil(aligned.W()) * s));
  const int h = static_cast<int>(std::ceil(std::ceil(aligned.H()) * s));
  auto layer = std::make_unique<IDrawLayer>(CreateLayerBitmap(std::max(w, 0), std::max(h, 0), mScreenScale, mDrawScale,
                                                              cacheable),
                                            aligned);
  IDrawLayer* raw = layer.get();
  mLayers.push_back({raw, std::move(layer)});
  RebindLayerTarget();
  mTransform = IMatrix();
  ApplyTransform();
  ClipTo(raw->bounds);
  ClearPath();
}

std::unique_ptr<IDrawLayer> ICanvas::EndLayer() {
  if (mLayers.empty()) return nullptr;
  std::unique_ptr<IDrawLayer> layer = PopLayer();
  mTransform = IMatrix();
  ApplyTransform();
  ClipTo(IRectF());
  ClearPath();
  return layer;
}

void ICanvas::PushLayer(IDrawLayer* layer) {
  if (!layer) return;
  mLayers.push_back({layer, nullptr});
  RebindLayerTarget();
}

std::unique_ptr<IDrawLayer> ICanvas::PopLayer() {
  if (mLayers.empty()) return nullptr;
  std::unique_ptr<IDrawLayer> owned = std::move(mLayers.back().owned);
  mLayers.pop_back();
  RebindLayerTarget();
  return owned;
}

// ---- Rotated text ---------------------------------------------------------------------------------------

void ICanvas::CalculateTextRotation(const ITextStyle& style, const IRectF& target, IRectF& bounds, float& x,
                                    float& y) const {
  if (style.angle == 0.0f || !Finite(style.angle)) return;
  IMatrix m;
  m.Rotate(style.angle);
  const double cx[] = {bounds.L, bounds.R, bounds.R, bounds.L};
  const double cy[] = {bounds.T, bounds.T, bounds.B, bounds.B};
  double l = 0, t = 0, r = 0, b = 0;
  for (int i = 0; i < 4; ++i) {
    double px = cx[i];
    double py = cy[i];
    m.TransformPoint(px, py);
    if (i == 0) {
      l = r = px;
      t = b = py;
    } else {
      l = std::min(l, px);
      r = std::max(r, px);
      t = std::min(t, py);
      b = std::max(b, py);
    }
  }
  bounds = IRectF(static_cast<float>(l), static_cast<float>(t), static_cast<float>(r), static_cast<float>(b));
  switch (style.align) {
  case ITextStyle::Near: x = target.L - bounds.L; break;
  case ITextStyle::Far: x = target.R - bounds.R; break;
  default: x = target.MW() - bounds.MW(); break;
  }
  switch (style.valign) {
  case ITextStyle::Top: y = target.T - bounds.T; break;
  case ITextStyle::Bottom: y = target.B - bounds.B; break;
  default: y = target.MH() - bounds.MH(); break;
  }
}

} // namespace lumen::canvas
