#include "ICanvasNanoVG.h"

#include "IFontInfo.h"
#include "NanoVGGL.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>

namespace lumen::canvas {

namespace {

constexpr float kPi = 3.1415927f;

// Font files decoded once per process, shared by every editor's NanoVG context, which only
// borrows the bytes. It lives as long as any backend does; the last one to go empties it.
struct FontDataCache {
  struct Entry {
    std::vector<uint8_t> bytes;
    int faceIndex = 0;
  };
  std::mutex lock;
  int instances = 0;
  std::map<std::string, std::unique_ptr<Entry>> entries;
};

FontDataCache& Fonts()
{
  // Never destroyed: a host may unload editors after static destruction has begun.
  static auto* cache = new FontDataCache;
  return *cache;
}

// Fonts are cached at scale 1 under the identifier with its scale appended.
std::string FontKey(const char* fontId)
{
  char suffix[32];
  std::snprintf(suffix, sizeof(suffix), "-%.1fx", 1.0);
  return std::string(fontId) + suffix;
}

int AddFontToContext(NVGcontext* vg, const char* fontId, FontDataCache::Entry& entry)
{
  return nvgCreateFontMemAtIndex(vg, fontId, entry.bytes.data(), static_cast<int>(entry.bytes.size()), 0,
                                 entry.faceIndex);
}

float Weight(const IBlendMode* blend)
{
  return blend != nullptr ? blend->weight : 1.0f;
}

NVGcolor ToNVGColor(const IColorARGB& c, const IBlendMode* blend)
{
  const float alpha = std::clamp(static_cast<float>(c.A) * Weight(blend) / 255.0f, 0.0f, 1.0f);
  return nvgRGBAf(static_cast<float>(c.R) / 255.0f, static_cast<float>(c.G) / 255.0f, static_cast<float>(c.B) / 255.0f,
                  alpha);
}

// A JPEG has no alpha channel: decoded, every pixel has full alpha.
bool IsJpeg(const uint8_t* bytes, std::size_t size)
{
  return bytes != nullptr && size >= 3 && bytes[0] == 0xFF && bytes[1] == 0xD8 && bytes[2] == 0xFF;
}

bool FileIsJpeg(const char* path)
{
  uint8_t head[3] = {0, 0, 0};
  FILE* file = std::fopen(path, "rb");
  if (file == nullptr) return false;
  const std::size_t n = std::fread(head, 1, sizeof(head), file);
  std::fclose(file);
  return IsJpeg(head, n);
}

std::string FontName(const ITextStyle& style)
{
  return std::string(style.font, strnlen(style.font, sizeof(style.font)));
}

} // namespace

// ---- Bitmap ------------------------------------------------------------------------------------------

ICanvasNanoVG::Bitmap::Bitmap(NVGcontext* context, int image, float scale, bool shared)
    : mContext(context), mShared(shared)
{
  mHandle = image;
  mScale = scale;
  mDrawScale = 1.0f;
  int w = 0, h = 0;
  if (context != nullptr && image > 0) nvgImageSize(context, image, &w, &h);
  mWidth = w;
  mHeight = h;
}

ICanvasNanoVG::Bitmap::Bitmap(ICanvasNanoVG* owner, NVGcontext* context, NVGLUframebuffer* fb, int width, int height,
                              float scale, float drawScale)
    : mOwner(owner), mContext(context), mFramebuffer(fb)
{
  mHandle = fb != nullptr ? fb->image : 0;
  mWidth = fb != nullptr ? width : 0;
  mHeight = fb != nullptr ? height : 0;
  mScale = scale;
  mDrawScale = drawScale;
  if (mOwner != nullptr) mOwner->mLayerBitmaps.insert(this);
}

ICanvasNanoVG::Bitmap::~Bitmap()
{
  if (mOwner != nullptr) mOwner->mLayerBitmaps.erase(this);
  if (mFramebuffer != nullptr) {
    if (mOwner != nullptr) mOwner->ReleaseFramebuffer(mFramebuffer);
    else std::free(mFramebuffer); // its context is gone, and its OpenGL objects with it
  } else if (!mShared && mContext != nullptr && mHandle > 0) {
    nvgDeleteImage(mContext, mHandle);
    if (mUprightFB != 0) glDeleteFramebuffers(1, &mUprightFB);
    if (mUprightColor != 0) glDeleteRenderbuffers(1, &mUprightColor);
  }
}

void ICanvasNanoVG::Bitmap::Detach()
{
  if (mFramebuffer != nullptr) nvgluDeleteFramebuffer(mFramebuffer);
  mFramebuffer = nullptr;
  mOwner = nullptr;
  mContext = nullptr;
  mHandle = 0;
  mWidth = 0;
  mHeight = 0;
}

void ICanvasNanoVG::Bitmap::MeasureCoverage()
{
  mCoverage.clear();
  mCoverageColumns = mCoverageRows = 0;
  if (mContext == nullptr || mHandle <= 0 || mWidth <= 0 || mHeight <= 0 || mOpaque) return;
  const GLuint texture = nvglImageHandleGL2(mContext, mHandle);
  if (texture == 0) return;
  std::vector<uint8_t> rgba(static_cast<std::size_t>(mWidth) * static_cast<std::size_t>(mHeight) * 4);
  // NanoVG remembers which texture it bound last: put that binding back after reading.
  GLint previous = 0;
  glGetIntegerv(GL_TEXTURE_BINDING_2D, &previous);
  glBindTexture(GL_TEXTURE_2D, texture);
  glPixelStorei(GL_PACK_ALIGNMENT, 4);
  glGetTexImage(GL_TEXTURE_2D, 0, GL_RGBA, GL_UNSIGNED_BYTE, rgba.data());
  glBindTexture(GL_TEXTURE_2D, static_cast<GLuint>(previous));
  if (glGetError() != GL_NO_ERROR) return; // unknown coverage: the picture is drawn whole
  const int columns = (mWidth + kCoverageTile - 1) / kCoverageTile;
  const int rows = (mHeight + kCoverageTile - 1) / kCoverageTile;
  std::vector<uint8_t> coverage(static_cast<std::size_t>(columns) * static_cast<std::size_t>(rows), 0);
  for (int y = 0; y < mHeight; ++y) {
    const uint8_t* row = &rgba[static_cast<std::size_t>(y) * static_cast<std::size_t>(mWidth) * 4];
    uint8_t* flags = &coverage[static_cast<std::size_t>(y / kCoverageTile) * static_cast<std::size_t>(columns)];
    for (int x = 0; x < mWidth; ++x) {
      if (row[x * 4 + 3] != 0) flags[x / kCoverageTile] = 1;
    }
  }
  mCoverage = std::move(coverage);
  mCoverageColumns = columns;
  mCoverageRows = rows;
}

bool ICanvasNanoVG::Bitmap::CutToCoverage(IRectF& fill, float originX, float originY, float texelsPerUnitX,
                                          float texelsPerUnitY, float margin) const
{
  if (mCoverage.empty() || !(texelsPerUnitX > 0.0f) || !(texelsPerUnitY > 0.0f) || !(margin >= 0.0f)) return true;
  // The texels under the fill, then the covered tiles among them and within the margin around
  // them: the filter and the anti-aliased edge reach that far outside the fill.
  const float u0 = (fill.L - originX) * texelsPerUnitX, u1 = (fill.R - originX) * texelsPerUnitX;
  const float v0 = (fill.T - originY) * texelsPerUnitY, v1 = (fill.B - originY) * texelsPerUnitY;
  if (!std::isfinite(u0) || !std::isfinite(u1) || !std::isfinite(v0) || !std::isfinite(v1) || !std::isfinite(margin)) {
    return true;
  }
  const auto tile = [](float t, int count) {
    return std::clamp(static_cast<int>(std::floor(t / static_cast<float>(kCoverageTile))), 0, count - 1);
  };
  const int c0 = tile(u0 - margin, mCoverageColumns), c1 = tile(u1 + margin, mCoverageColumns);
  const int r0 = tile(v0 - margin, mCoverageRows), r1 = tile(v1 + margin, mCoverageRows);
  int left = mCoverageColumns, right = -1, top = mCoverageRows, bottom = -1;
  for (int r = r0; r <= r1; ++r) {
    const uint8_t* row = &mCoverage[static_cast<std::size_t>(r) * static_cast<std::size_t>(mCoverageColumns)];
    for (int c = c0; c <= c1; ++c) {
      if (row[c] == 0) continue;
      left = std::min(left, c);
      right = std::max(right, c);
      top = std::min(top, r);
      bottom = std::max(bottom, r);
    }
  }
  if (right < 0) return false; // every texel it could sample is transparent
  // A covered tile on the picture's edge keeps that side uncut: beyond the edge the sampler
  // repeats the edge texels.
  const float tL = left == 0 ? u0 : static_cast<float>(left * kCoverageTile) - margin;
  const float tR = right == mCoverageColumns - 1 ? u1 : static_cast<float>((right + 1) * kCoverageTile) + margin;
  const float tT = top == 0 ? v0 : static_cast<float>(top * kCoverageTile) - margin;
  const float tB = bottom == mCoverageRows - 1 ? v1 : static_cast<float>((bottom + 1) * kCoverageTile) + margin;
  const IRectF cut(std::max(fill.L, originX + tL / texelsPerUnitX), std::max(fill.T, originY + tT / texelsPerUnitY),
                   std::min(fill.R, originX + tR / texelsPerUnitX), std::min(fill.B, originY + tB / texelsPerUnitY));
  if (cut.HasNoArea()) return false;
  fill = cut;
  return true;
}

// ---- Construction --------------------------------------------------------------------------------------

ICanvasNanoVG::ICanvasNanoVG(ICanvasEditorDelegate* delegate, int width, int height, int fps, float drawScale)
    : ICanvas(delegate, width, height, fps, drawScale)
{
  FontDataCache& fonts = Fonts();
  std::lock_guard<std::mutex> guard(fonts.lock);
  ++fonts.instances;
}

ICanvasNanoVG::~ICanvasNanoVG()
{
  {
    FontDataCache& fonts = Fonts();
    std::lock_guard<std::mutex> guard(fonts.lock);
    if (--fonts.instances == 0) fonts.entries.clear();
    FlushPendingFramebuffers();
  }
  if (mVG != nullptr) {
    // The platform layer did not close the view: its OpenGL context may not be current (or may be
    // gone), so nothing here may call OpenGL. The OpenGL objects are abandoned with the context.
    for (auto& [key, bitmap] : mBitmapCache) {
      if (auto* b = dynamic_cast<Bitmap*>(bitmap.get())) b->mShared = true;
    }
  }
  for (Bitmap* layer : std::vector<Bitmap*>(mLayerBitmaps.begin(), mLayerBitmaps.end())) {
    if (layer->mFramebuffer != nullptr) std::free(layer->mFramebuffer);
    layer->mFramebuffer = nullptr;
    layer->mOwner = nullptr;
    layer->mContext = nullptr;
  }
  mLayerBitmaps.clear();
  std::lock_guard<std::mutex> guard(mBitmapCacheLock);
  mBitmapCache.clear();
}

// ---- View and frame ------------------------------------------------------------------------------------

void ICanvasNanoVG::OnViewCreated(void* /*platformContext*/)
{
  if (mVG != nullptr) return;
  mVG = nvgCreateGL2(NVG_ANTIALIAS);
  if (mVG != nullptr) RegisterFontsAgain();
}

void ICanvasNanoVG::OnViewClosing()
{
  std::lock_guard<std::mutex> guard(mBitmapCacheLock);
  mBitmapCache.clear();
  if (mVG == nullptr) return;
  FlushPendingFramebuffers();
  for (Bitmap* layer : std::vector<Bitmap*>(mLayerBitmaps.begin(), mLayerBitmaps.end())) layer->Detach();
  mLayerBitmaps.clear();
  if (mMainFB != nullptr) nvgluDeleteFramebuffer(mMainFB);
  mMainFB = nullptr;
  if (mCopyReadFB != 0) glDeleteFramebuffers(1, &mCopyReadFB);
  mCopyReadFB = 0;
  nvgDeleteGL2(mVG);
  mVG = nullptr;
  mInDraw = false;
  mFrameOpen = false;
}

int ICanvasNanoVG::WindowPixelWidth() const
{
  return static_cast<int>(static_cast<float>(static_cast<int>(static_cast<float>(Width()) * DrawScale())) *
                          ScreenScale());
}

int ICanvasNanoVG::WindowPixelHeight() const
{
  return static_cast<int>(static_cast<float>(static_cast<int>(static_cast<float>(Height()) * DrawScale())) *
                          ScreenScale());
}

float ICanvasNanoVG::WindowWidth() const
{
  return static_cast<float>(static_cast<int>(static_cast<float>(Width()) * DrawScale()));
}

float ICanvasNanoVG::WindowHeight() const
{
  return static_cast<float>(static_cast<int>(static_cast<float>(Height()) * DrawScale()));
}

void ICanvasNanoVG::ResizeDrawTarget()
{
  if (mMainFB != nullptr) nvgluDeleteFramebuffer(mMainFB);
  mMainFB = nullptr;
  if (mVG == nullptr) return;
  const int w = WindowPixelWidth();
  const int h = WindowPixelHeight();
  if (w <= 0 || h <= 0) return;
  mMainFB = nvgluCreateFramebuffer(mVG, w, h, 0);
  if (mMainFB == nullptr) return;
  // A new texture holds undefined pixels; start from transparent so undrawn areas are defined.
  GLint previous = 0;
  glGetIntegerv(GL_FRAMEBUFFER_BINDING, &previous);
  nvgluBindFramebuffer(mMainFB);
  glClearColor(0, 0, 0, 0);
  glClear(GL_COLOR_BUFFER_BIT | GL_STENCIL_BUFFER_BIT);
  glBindFramebuffer(GL_FRAMEBUFFER, static_cast<GLuint>(previous));
}

void ICanvasNanoVG::BindWindowFramebuffer()
{
  glBindFramebuffer(GL_FRAMEBUFFER, WindowFramebuffer());
}

void ICanvasNanoVG::StartFrame()
{
  mInDraw = true;
  ICanvas::StartFrame(); // frame times for a performance display
  mFrameOpen = false;
  if (mVG == nullptr) return;
  if (mMainFB == nullptr) ResizeDrawTarget(); // a paint that comes before the first resize
  if (mMainFB == nullptr) return;
  // The window needs no clearing here: FinishFrame covers all of it with the main framebuffer.
  BeginMainFrame();
}

void ICanvasNanoVG::BeginMainFrame()
{
  glViewport(0, 0, WindowPixelWidth(), WindowPixelHeight());
  nvgluBindFramebuffer(mMainFB);
  nvgBeginFrame(mVG, WindowWidth(), WindowHeight(), ScreenScale());
  mFrameOpen = true;
  mHasClip = false;
}

std::vector<ICanvasNanoVG::WindowPixels> ICanvasNanoVG::WindowPixelsOf(const IRectFList& regions) const
{
  std::vector<WindowPixels> parts;
  const float s = TotalScale();
  const int pw = WindowPixelWidth();
  const int ph = WindowPixelHeight();
  auto add = [&](const IRectF& r) {
    if (r.HasNoArea() || !(s > 0.0f)) return;
    const int l = std::max(0, static_cast<int>(std::floor(r.L * s)));
    const int t = std::max(0, static_cast<int>(std::floor(r.T * s)));
    const int rr = std::min(pw, static_cast<int>(std::ceil(r.R * s)));
    const int b = std::min(ph, static_cast<int>(std::ceil(r.B * s)));
    if (rr > l && b > t) parts.push_back({l, ph - b, rr - l, b - t});
  };
  if (SingleRegionDrawing()) {
    IRectF all;
    for (const IRectF& r : regions) all = all.Union(r);
    add(all);
  } else {
    for (const IRectF& r : regions) add(r);
  }
  return parts;
}

void ICanvasNanoVG::FinishFrame()
{
  mLastCopyPartial = false;
  if (mVG != nullptr && mMainFB != nullptr && (mFrameOpen || mInDraw)) {
    if (mFrameOpen) nvgEndFrame(mVG);
    mFrameOpen = false;
    const int pw = WindowPixelWidth();
    const int ph = WindowPixelHeight();
    BindWindowFramebuffer();
    glViewport(0, 0, pw, ph);
    // OpenGL refuses to blit into a multisampled framebuffer (a window may have one).
    GLint multisampled = 0;
    if (glBlitFramebuffer != nullptr) glGetIntegerv(GL_SAMPLE_BUFFERS, &multisampled);
    if (TranslateX() == 0.0f && TranslateY() == 0.0f && glBlitFramebuffer != nullptr && multisampled == 0) {
      // A straight copy: the renderer copies memory instead of shading every pixel of the window
      // again, and the window needs no clearing since the copy covers all of it.
      glBindFramebuffer(GL_READ_FRAMEBUFFER, mMainFB->fbo);
      glDisable(GL_SCISSOR_TEST);
      if (mWindowCopyParts.empty()) {
        glBlitFramebuffer(0, 0, pw, ph, 0, 0, pw, ph, GL_COLOR_BUFFER_BIT, GL_NEAREST);
      } else {
        // The window still shows everything else from earlier frames: a drag moves a knob or two,
        // and copying only those is what makes its frames cheap.
        for (const WindowPixels& p : mWindowCopyParts) {
          glBlitFramebuffer(p.x, p.y, p.x + p.w, p.y + p.h, p.x, p.y, p.x + p.w, p.y + p.h, GL_COLOR_BUFFER_BIT,
                            GL_NEAREST);
        }
        mLastCopyPartial = true;
      }
      BindWindowFramebuffer();
    } else {
      PaintMainFramebufferIntoWindow();
    }
  }
  mFrameOpen = false;
  mInDraw = false;
  FlushPendingFramebuffers();
}

void ICanvasNanoVG::PaintMainFramebufferIntoWindow()
{
  // For a window moved by a translation, or OpenGL without framebuffer blits: clear what the
  // picture leaves uncovered, then draw the main framebuffer's texture over it.
  glClearColor(0, 0, 0, 0);
  glClear(GL_COLOR_BUFFER_BIT | GL_STENCIL_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
  const float w = WindowWidth();
  const float h = WindowHeight();
  nvgBeginFrame(mVG, w, h, ScreenScale());
  const NVGpaint paint = nvgImagePattern(mVG, 0, 0, w, h, 0, mMainFB->image, 1.0f);
  nvgSave(mVG);
  nvgResetTransform(mVG);
  nvgTranslate(mVG, TranslateX(), TranslateY());
  nvgBeginPath(mVG);
  nvgRect(mVG, 0, 0, w, h);
  nvgFillPaint(mVG, paint);
  nvgFill(mVG);
  nvgRestore(mVG);
  nvgEndFrame(mVG);
}

void ICanvasNanoVG::RebindLayerTarget()
{
  if (mVG == nullptr) return;
  if (mFrameOpen) nvgEndFrame(mVG);
  mFrameOpen = false;
  const IDrawLayer* top = TopLayer();
  if (top == nullptr) {
    if (mInDraw && mMainFB != nullptr) {
      BeginMainFrame();
      RestoreDrawState();
    } else {
      BindWindowFramebuffer();
      glViewport(0, 0, WindowPixelWidth(), WindowPixelHeight());
    }
    return;
  }
  auto* bitmap = dynamic_cast<Bitmap*>(top->bitmap.get());
  if (bitmap == nullptr || bitmap->Framebuffer() == nullptr) return; // an empty layer takes no drawing
  const float backingScale = DrawScale() * ScreenScale();
  glViewport(0, 0, static_cast<int>(top->bounds.W() * backingScale), static_cast<int>(top->bounds.H() * backingScale));
  nvgluBindFramebuffer(bitmap->Framebuffer());
  nvgBeginFrame(mVG, top->bounds.W() * DrawScale(), top->bounds.H() * DrawScale(), ScreenScale());
  mFrameOpen = true;
  mHasClip = false;
  RestoreDrawState();
}

void ICanvasNanoVG::RestoreDrawState()
{
  // A new NanoVG frame starts from an identity transform and no scissor. Put back the surface's
  // transform and clip (the region's, or the whole layer's), so drawing goes on where it was.
  ClipTo(IRectF());
}

void ICanvasNanoVG::ReleaseFramebuffer(NVGLUframebuffer* fb)
{
  if (fb == nullptr) return;
  if (mInDraw) {
    std::lock_guard<std::mutex> guard(mFramebufferLock);
    mPendingFramebuffers.push_back(fb);
  } else {
    nvgluDeleteFramebuffer(fb);
  }
}

void ICanvasNanoVG::FlushPendingFramebuffers()
{
  std::lock_guard<std::mutex> guard(mFramebufferLock);
  while (!mPendingFramebuffers.empty()) {
    NVGLUframebuffer* fb = mPendingFramebuffers.back();
    mPendingFramebuffers.pop_back();
    nvgluDeleteFramebuffer(fb);
  }
}

// ---- Blending and paints -----------------------------------------------------------------------------

void ICanvasNanoVG::ApplyBlend(const IBlendMode* blend)
{
  if (blend == nullptr) {
    nvgGlobalCompositeOperation(mVG, NVG_SOURCE_OVER);
    return;
  }
  switch (blend->method) {
  case IBlendMode::SourceOver:
  case IBlendMode::SourceIn:
  case IBlendMode::SourceOut:
  case IBlendMode::SourceAtop:
  case IBlendMode::DestOver:
  case IBlendMode::DestIn:
  case IBlendMode::DestOut:
  case IBlendMode::DestAtop:
    // The first eight composite operations are numbered alike on both sides.
    nvgGlobalCompositeOperation(mVG, blend->method);
    break;
  case IBlendMode::Add:
    nvgGlobalCompositeBlendFunc(mVG, NVG_SRC_ALPHA, NVG_DST_ALPHA);
    break;
  case IBlendMode::XOr:
    nvgGlobalCompositeOperation(mVG, NVG_XOR);
    break;
  default:
    break; // unknown modes leave the composite state as it is
  }
}

void ICanvasNanoVG::ResetBlend()
{
  nvgGlobalCompositeOperation(mVG, NVG_SOURCE_OVER);
}

namespace {

// A gradient uses its first and last stops only; the pattern's transform maps drawing to pattern
// space, so its inverse places the gradient.
NVGpaint PatternPaint(NVGcontext* vg, const IPaintPattern& pattern, const IBlendMode* blend)
{
  const int last = std::clamp(pattern.nStops - 1, 0, IPaintPattern::kMaxStops - 1);
  const NVGcolor inner = ToNVGColor(pattern.stops[0].color, blend);
  const NVGcolor outer = ToNVGColor(pattern.stops[static_cast<std::size_t>(last)].color, blend);
  const IMatrix inverse = pattern.transform.Invert();
  double sx = 0.0, sy = 0.0;
  inverse.TransformPoint(sx, sy);
  if (pattern.type == IPaintPattern::Radial) {
    return nvgRadialGradient(vg, static_cast<float>(sx), static_cast<float>(sy),
                             static_cast<float>(inverse.xx * pattern.stops[0].offset), static_cast<float>(inverse.xx),
                             inner, outer);
  }
  double ex = 0.0, ey = 1.0;
  inverse.TransformPoint(ex, ey);
  return nvgLinearGradient(vg, static_cast<float>(sx), static_cast<float>(sy), static_cast<float>(ex),
                           static_cast<float>(ey), inner, outer);
}

} // namespace

// ---- Drawing -------------------------------------------------------------------------------------------

void ICanvasNanoVG::FillRectPath(const IRectF& r)
{
  nvgBeginPath(mVG);
  nvgRect(mVG, r.L, r.T, r.W(), r.H());
}

void ICanvasNanoVG::PaintBitmap(const IBitmapHandle& bitmap, const IRectF& dest, int srcX, int srcY,
                                const IBlendMode* blend)
{
  if (!CanDraw()) return;
  const APIBitmap* api = bitmap.GetAPIBitmap();
  // A missing picture (no bitmap) or one that did not decode (image 0) draws nothing; NanoVG would
  // otherwise fill the rectangle with the paint's plain colour.
  if (api == nullptr || api->Handle() <= 0) return;
  const float s = api->Scale() * api->DrawScale();
  if (!(s > 0.0f)) return;
  const auto* own = dynamic_cast<const Bitmap*>(api);
  if (own != nullptr && CopyOpaqueBitmap(*own, dest, srcX, srcY, blend)) return;
  NVGpaint paint = nvgImagePattern(mVG, 0, 0, static_cast<float>(bitmap.W()) * api->Scale(),
                                   static_cast<float>(bitmap.H()) * api->Scale(), 0, api->Handle(), Weight(blend));
  paint.xform[0] = 1.0f / s;
  paint.xform[1] = 0.0f;
  paint.xform[2] = 0.0f;
  paint.xform[3] = 1.0f / s;
  paint.xform[4] = dest.L - static_cast<float>(srcX);
  paint.xform[5] = dest.T - static_cast<float>(srcY);
  IRectF fill = dest;
  if (!ClipToScissor(fill)) return;
  // Transparent parts of the picture change no pixel: leave them out of the fill. The pattern
  // lives in path coordinates, so this holds under any transform.
  if (own != nullptr) {
    const float extentW = static_cast<float>(bitmap.W()) * api->Scale();
    const float extentH = static_cast<float>(bitmap.H()) * api->Scale();
    const float tx = extentW > 0.0f ? s * static_cast<float>(api->Width()) / extentW : 0.0f;
    const float ty = extentH > 0.0f ? s * static_cast<float>(api->Height()) / extentH : 0.0f;
    // Reach of the filter and the anti-aliased edge: a texel, plus two pixels in texels.
    // The transform's least stretch (its smaller singular value) turns pixels into path units.
    const IMatrix& m = mPathMatrix;
    const double sum = m.xx * m.xx + m.xy * m.xy + m.yx * m.yx + m.yy * m.yy;
    const double det = m.xx * m.yy - m.xy * m.yx;
    const double spread = std::sqrt(std::max(0.0, sum * sum - 4.0 * det * det));
    const double pathScale = std::sqrt(std::max(0.0, (sum - spread) / 2.0));
    const double pixelsPerUnit = pathScale * static_cast<double>(DrawScale()) * static_cast<double>(ScreenScale());
    const float margin = pixelsPerUnit > 0.0 ? static_cast<float>(1.0 + 2.0 * std::max(tx, ty) / pixelsPerUnit) : -1.0f;
    if (!own->CutToCoverage(fill, paint.xform[4], paint.xform[5], tx, ty, margin)) return;
  }
  FillRectPath(fill);
  nvgFillPaint(mVG, paint);
  ApplyBlend(blend);
  nvgFill(mVG);
  ResetBlend();
  nvgBeginPath(mVG);
}

bool ICanvasNanoVG::ClipToScissor(IRectF& r) const
{
  // NanoVG's scissor only discards in the fragment shader: a picture drawn whole costs its whole
  // area however small the clip. With an unrotated transform the rectangle is cut to the clip
  // first, so a small dirty region costs a small area (the pattern stays anchored as it was).
  if (!mHasClip) return true;
  const IMatrix& m = mPathMatrix;
  if (m.xy != 0.0 || m.yx != 0.0 || !(m.xx > 0.0) || !(m.yy > 0.0)) return true;
  const IRectF clip(static_cast<float>((mClip.L - m.tx) / m.xx), static_cast<float>((mClip.T - m.ty) / m.yy),
                    static_cast<float>((mClip.R - m.tx) / m.xx), static_cast<float>((mClip.B - m.ty) / m.yy));
  const IRectF cut(std::max(r.L, clip.L), std::max(r.T, clip.T), std::min(r.R, clip.R), std::min(r.B, clip.B));
  if (cut.HasNoArea()) return false;
  r = cut;
  return true;
}

bool ICanvasNanoVG::CopyOpaqueBitmap(const Bitmap& bitmap, const IRectF& dest, int srcX, int srcY,
                                     const IBlendMode* blend)
{
  // NanoVG's one shader computes every kind of paint for every pixel on a software renderer, so a
  // large picture (the background) costs far more drawn than copied. An opaque picture drawn over
  // the main framebuffer at one texel per pixel, on whole pixels, gives the same pixels copied:
  // source-over of full alpha replaces what is under it.
  if (!bitmap.mOpaque || bitmap.mFramebuffer != nullptr || glBlitFramebuffer == nullptr) return false;
  if (TopLayer() != nullptr || mMainFB == nullptr || !mHasClip) return false;
  if (blend != nullptr && (blend->method != IBlendMode::SourceOver || !(blend->weight >= 1.0f))) return false;
  const IMatrix& m = mPathMatrix;
  if (m.xx != 1.0 || m.yy != 1.0 || m.xy != 0.0 || m.yx != 0.0) return false;
  const double pixels = static_cast<double>(DrawScale()) * static_cast<double>(ScreenScale()); // per logical unit
  const double texels = static_cast<double>(bitmap.Scale()) * static_cast<double>(bitmap.DrawScale());
  if (pixels != texels) return false;

  // Pixel rectangle of the picture's visible part, and where the picture's top-left texel lands.
  IRectF fill = dest;
  if (!ClipToScissor(fill)) return true; // nothing of it is visible
  const double x0 = (m.tx + fill.L) * pixels, x1 = (m.tx + fill.R) * pixels;
  const double y0 = (m.ty + fill.T) * pixels, y1 = (m.ty + fill.B) * pixels;
  const double ox = (m.tx + dest.L - srcX) * pixels, oy = (m.ty + dest.T - srcY) * pixels;
  for (double v : {x0, x1, y0, y1, ox, oy}) {
    if (v != std::floor(v) || std::abs(v) > 1.0e6) return false; // between pixels: NanoVG filters it
  }
  const int w = bitmap.Width(), h = bitmap.Height();
  const int sx0 = static_cast<int>(x0 - ox), sx1 = static_cast<int>(x1 - ox);
  const int sy0 = static_cast<int>(y0 - oy), sy1 = static_cast<int>(y1 - oy);
  if (sx0 < 0 || sy0 < 0 || sx1 > w || sy1 > h) return false; // beyond the edge NanoVG repeats edge texels
  const GLuint texture = nvglImageHandleGL2(mVG, bitmap.Handle());
  if (texture == 0) return false;

  if (mCopyReadFB == 0) glGenFramebuffers(1, &mCopyReadFB);
  if (mCopyReadFB == 0) return false;
  // Whatever NanoVG queued must reach the framebuffer before the copy lands on it.
  if (mFrameOpen) nvgEndFrame(mVG);
  mFrameOpen = false;
  glDisable(GL_SCISSOR_TEST);
  if (bitmap.mUprightFB == 0) {
    // The texture keeps the picture's rows top-down, framebuffers bottom-up. A flipping copy goes
    // through a shader on the software renderer; flipped once here, every later copy is plain.
    glGenRenderbuffers(1, &bitmap.mUprightColor);
    glBindRenderbuffer(GL_RENDERBUFFER, bitmap.mUprightColor);
    glRenderbufferStorage(GL_RENDERBUFFER, GL_RGBA8, w, h);
    glGenFramebuffers(1, &bitmap.mUprightFB);
    glBindFramebuffer(GL_DRAW_FRAMEBUFFER, bitmap.mUprightFB);
    glFramebufferRenderbuffer(GL_DRAW_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_RENDERBUFFER, bitmap.mUprightColor);
    glBindFramebuffer(GL_READ_FRAMEBUFFER, mCopyReadFB);
    glFramebufferTexture2D(GL_READ_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_TEXTURE_2D, texture, 0);
    const bool complete = glCheckFramebufferStatus(GL_READ_FRAMEBUFFER) == GL_FRAMEBUFFER_COMPLETE &&
                          glCheckFramebufferStatus(GL_DRAW_FRAMEBUFFER) == GL_FRAMEBUFFER_COMPLETE;
    if (complete) glBlitFramebuffer(0, h, w, 0, 0, 0, w, h, GL_COLOR_BUFFER_BIT, GL_NEAREST);
    glFramebufferTexture2D(GL_READ_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_TEXTURE_2D, 0, 0);
    if (!complete) {
      glDeleteFramebuffers(1, &bitmap.mUprightFB);
      glDeleteRenderbuffers(1, &bitmap.mUprightColor);
      bitmap.mUprightFB = bitmap.mUprightColor = 0;
    }
  }
  const bool copied = bitmap.mUprightFB != 0;
  if (copied) {
    glBindFramebuffer(GL_READ_FRAMEBUFFER, bitmap.mUprightFB);
    glBindFramebuffer(GL_DRAW_FRAMEBUFFER, mMainFB->fbo);
    const int fh = WindowPixelHeight();
    glBlitFramebuffer(sx0, h - sy1, sx1, h - sy0, static_cast<GLint>(x0), fh - static_cast<GLint>(y1),
                      static_cast<GLint>(x1), fh - static_cast<GLint>(y0), GL_COLOR_BUFFER_BIT, GL_NEAREST);
  }

  // A new NanoVG frame on the main framebuffer, with the clip and transform that were in force.
  const IRectF clip = mClip;
  const IMatrix matrix = mPathMatrix;
  BeginMainFrame();
  SetPathTransform(IMatrix());
  SetClip(clip);
  SetPathTransform(matrix);
  if (!copied) return false; // drawn the usual way, in the frame just begun
  nvgBeginPath(mVG);
  return true;
}

void ICanvasNanoVG::DrawDottedLine(const IColorARGB& color, float x1, float y1, float x2, float y2,
                                   const IBlendMode* blend, float thickness, float dashLength)
{
  if (!CanDraw() || !(dashLength > 0.0f) || !std::isfinite(dashLength)) return;
  const float dx = x2 - x1;
  const float dy = y2 - y1;
  const float n = std::round(std::sqrt(dx * dx + dy * dy) / dashLength);
  if (!std::isfinite(n)) return;
  ClearPath();
  MoveTo(x1, y1);
  for (float i = 1.0f; i < n; i += 2.0f) {
    LineTo(x1 + dx * i / n, y1 + dy * i / n);
    MoveTo(x1 + dx * (i + 1.0f) / n, y1 + dy * (i + 1.0f) / n);
  }
  StrokePath(IPaintPattern(color), thickness, IStrokeStyle{}, blend);
}

void ICanvasNanoVG::DrawDottedRect(const IColorARGB& color, const IRectF& bounds, const IBlendMode* blend,
                                   float thickness, float dashLength)
{
  if (!CanDraw() || !(dashLength > 0.0f) || !std::isfinite(dashLength)) return;
  ClearPath();
  // Along each edge from its start, dash and gap of dashLength each, the last cut at the edge's end.
  const auto edge = [&](float x0, float y0, float x1, float y1) {
    const float length = std::hypot(x1 - x0, y1 - y0);
    if (!(length > 0.0f) || !std::isfinite(length)) return;
    const float ux = (x1 - x0) / length;
    const float uy = (y1 - y0) / length;
    const float dashes = std::ceil(length / (2.0f * dashLength));
    MoveTo(x0, y0);
    for (float k = 0.0f; k < dashes; k += 1.0f) {
      const float on = std::min(2.0f * k * dashLength + dashLength, length);
      const float off = std::min(2.0f * (k + 1.0f) * dashLength, length);
      LineTo(x0 + ux * on, y0 + uy * on);
      MoveTo(x0 + ux * off, y0 + uy * off);
    }
  };
  edge(bounds.L, bounds.T, bounds.R, bounds.T);
  edge(bounds.R, bounds.T, bounds.R, bounds.B);
  edge(bounds.R, bounds.B, bounds.L, bounds.B);
  edge(bounds.L, bounds.B, bounds.L, bounds.T);
  StrokePath(IPaintPattern(color), thickness, IStrokeStyle{}, blend);
}

IColorARGB ICanvasNanoVG::ReadPixel(float /*x*/, float /*y*/)
{
  return kColorBlack;
}

bool ICanvasNanoVG::SupportsBitmapExtension(const char* extension) const
{
  if (extension == nullptr) return false;
  std::string lower(extension, strnlen(extension, 31));
  std::transform(lower.begin(), lower.end(), lower.begin(),
                 [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  return lower.find("png") != std::string::npos || lower.find("jpg") != std::string::npos ||
         lower.find("jpeg") != std::string::npos;
}

void ICanvasNanoVG::FastDropShadow(const IRectF& inner, const IRectF& outer, float drop, float roundness, float blur,
                                   const IBlendMode* blend)
{
  if (!CanDraw()) return;
  const float feather = blur < 1.0f ? 1.0f : blur;
  const NVGpaint paint =
      nvgBoxGradient(mVG, inner.L + drop, inner.T + drop, inner.W(), inner.H(), roundness, feather,
                     nvgRGBAf(0, 0, 0, std::clamp(128.0f / 255.0f * Weight(blend), 0.0f, 1.0f)), nvgRGBAf(0, 0, 0, 0));
  FillRectPath(outer);
  nvgFillPaint(mVG, paint);
  nvgGlobalCompositeOperation(mVG, NVG_SOURCE_OVER);
  nvgFill(mVG);
  nvgBeginPath(mVG);
}

// ---- Layers ---------------------------------------------------------------------------------------------

std::unique_ptr<APIBitmap> ICanvasNanoVG::CreateLayerBitmap(int width, int height, float scale, float drawScale,
                                                            bool /*cacheable*/)
{
  if (mVG == nullptr || width <= 0 || height <= 0) {
    return std::make_unique<Bitmap>(this, mVG, nullptr, 0, 0, scale, drawScale);
  }
  const bool wasOpen = mFrameOpen;
  if (wasOpen) nvgEndFrame(mVG);
  mFrameOpen = false;
  NVGLUframebuffer* fb = nvgluCreateFramebuffer(mVG, width, height, 0);
  if (fb != nullptr) {
    nvgluBindFramebuffer(fb);
    glViewport(0, 0, width, height);
    glClearColor(0, 0, 0, 0);
    glClear(GL_COLOR_BUFFER_BIT | GL_STENCIL_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    nvgBeginFrame(mVG, static_cast<float>(width), static_cast<float>(height), 1.0f);
    nvgEndFrame(mVG);
  }
  auto bitmap = std::make_unique<Bitmap>(this, mVG, fb, width, height, scale, drawScale);
  if (wasOpen) RebindLayerTarget(); // back to whatever was being drawn into
  else BindWindowFramebuffer();
  return bitmap;
}

void ICanvasNanoVG::ReadLayerPixels(IDrawLayer& layer, std::vector<uint8_t>& buffer)
{
  const APIBitmap* api = layer.bitmap.get();
  const auto* bitmap = dynamic_cast<const Bitmap*>(api);
  if (mVG == nullptr || bitmap == nullptr || bitmap->Framebuffer() == nullptr) return;
  const std::size_t size = static_cast<std::size_t>(api->Width()) * static_cast<std::size_t>(api->Height()) * 4;
  buffer.resize(size);
  if (buffer.size() < size || size == 0) return;
  // The caller keeps owning the layer: it is pushed only to be read.
  PushLayer(&layer);
  glReadPixels(0, 0, api->Width(), api->Height(), GL_RGBA, GL_UNSIGNED_BYTE, buffer.data());
  PopLayer();
}

void ICanvasNanoVG::ApplyLayerShadow(IDrawLayer& layer, const std::vector<uint8_t>& mask, const IShadowSpec& shadow)
{
  const APIBitmap* api = layer.bitmap.get();
  const auto* bitmap = dynamic_cast<const Bitmap*>(api);
  if (mVG == nullptr || bitmap == nullptr || bitmap->Framebuffer() == nullptr) return;
  const int w = api->Width();
  const int h = api->Height();
  if (mask.size() < static_cast<std::size_t>(w) * static_cast<std::size_t>(h) * 4) return;
  const IRectF& bounds = layer.bounds;

  if (!shadow.drawForeground) {
    // Erase the layer's content; only the shadow remains.
    PushLayer(&layer);
    if (mFrameOpen) {
      nvgGlobalCompositeBlendFunc(mVG, NVG_ZERO, NVG_ZERO);
      FillRectPath(bounds);
      nvgFillColor(mVG, nvgRGBAf(0, 0, 0, 0));
      nvgFill(mVG);
      ResetBlend();
    }
    PopLayer();
  }

  // The mask's rows run bottom-up, as ReadLayerPixels reads them from OpenGL (and as the layer's
  // own image stores them): flip it like the layer, or the shadow would come out upside down.
  Bitmap maskBitmap(mVG, nvgCreateImageRGBA(mVG, w, h, NVG_IMAGE_FLIPY, mask.data()), api->Scale(), false);
  maskBitmap.SetDrawScale(api->DrawScale());
  IDrawLayer shadowLayer(CreateLayerBitmap(w, h, api->Scale(), api->DrawScale()), bounds);
  const IBitmapHandle maskHandle(&maskBitmap, 1, false, "");
  const IBitmapHandle shadowHandle(shadowLayer.bitmap.get(), 1, false, "");

  // The mask tinted with the shadow's pattern, in a layer of its own; the caller's layer is pushed
  // under it and never owned here.
  PathTransformSave();
  PushLayer(&layer);
  PushLayer(&shadowLayer);
  PaintBitmap(maskHandle, bounds, 0, 0, nullptr);
  if (mFrameOpen) FillRectPath(bounds);
  // The pattern moves against the offset (the tinted mask moves with it below); the transform
  // comes back before the layer is drawn into again.
  PathTransformSave();
  PathTransformTranslate(-shadow.xOffset, -shadow.yOffset);
  const IBlendMode sourceIn{IBlendMode::SourceIn, 1.0f};
  FillPath(shadow.pattern, IFillStyle{}, &sourceIn);
  PathTransformRestore();
  PopLayer();
  // ... then drawn behind the layer's content, offset and at the shadow's opacity.
  const IBlendMode behind{IBlendMode::DestOver, std::clamp(shadow.opacity, 0.0f, 1.0f)};
  PaintBitmap(shadowHandle, bounds.Moved(shadow.xOffset, shadow.yOffset), 0, 0, &behind);
  PopLayer();
  PathTransformRestore();
}

// ---- Paths ------------------------------------------------------------------------------------------------

void ICanvasNanoVG::ClearPath()
{
  if (mVG != nullptr) nvgBeginPath(mVG);
}

void ICanvasNanoVG::ClosePath()
{
  if (mVG != nullptr) nvgClosePath(mVG);
}

void ICanvasNanoVG::AddArc(float cx, float cy, float r, float a1, float a2, int winding)
{
  if (mVG == nullptr) return;
  // Degrees with 0 at twelve o'clock; NanoVG counts radians from three o'clock.
  nvgArc(mVG, cx, cy, r, (a1 - 90.0f) * kPi / 180.0f, (a2 - 90.0f) * kPi / 180.0f, winding == 0 ? NVG_CW : NVG_CCW);
}

void ICanvasNanoVG::MoveTo(float x, float y)
{
  if (mVG != nullptr) nvgMoveTo(mVG, x, y);
}

void ICanvasNanoVG::LineTo(float x, float y)
{
  if (mVG != nullptr) nvgLineTo(mVG, x, y);
}

void ICanvasNanoVG::SetSubpathWinding(bool clockwise)
{
  if (mVG != nullptr) nvgPathWinding(mVG, clockwise ? NVG_CW : NVG_CCW);
}

void ICanvasNanoVG::CubicTo(float c1x, float c1y, float c2x, float c2y, float x2, float y2)
{
  if (mVG != nullptr) nvgBezierTo(mVG, c1x, c1y, c2x, c2y, x2, y2);
}

void ICanvasNanoVG::QuadTo(float cx, float cy, float x2, float y2)
{
  if (mVG != nullptr) nvgQuadTo(mVG, cx, cy, x2, y2);
}

void ICanvasNanoVG::StrokePath(const IPaintPattern& pattern, float thickness, const IStrokeStyle& style,
                               const IBlendMode* blend)
{
  if (!CanDraw()) return;
  switch (style.cap) {
  case IStrokeStyle::CapRound: nvgLineCap(mVG, NVG_ROUND); break;
  case IStrokeStyle::CapSquare: nvgLineCap(mVG, NVG_SQUARE); break;
  default: nvgLineCap(mVG, NVG_BUTT); break;
  }
  switch (style.join) {
  case IStrokeStyle::JoinRound: nvgLineJoin(mVG, NVG_ROUND); break;
  case IStrokeStyle::JoinBevel: nvgLineJoin(mVG, NVG_BEVEL); break;
  default: nvgLineJoin(mVG, NVG_MITER); break;
  }
  nvgMiterLimit(mVG, style.miterLimit);
  nvgStrokeWidth(mVG, thickness);
  if (pattern.type == IPaintPattern::Solid) nvgStrokeColor(mVG, ToNVGColor(pattern.stops[0].color, blend));
  else nvgStrokePaint(mVG, PatternPaint(mVG, pattern, blend));
  nvgPathWinding(mVG, NVG_CCW);
  ApplyBlend(blend);
  nvgStroke(mVG);
  ResetBlend();
  if (!style.preserve) nvgBeginPath(mVG);
}

void ICanvasNanoVG::FillPath(const IPaintPattern& pattern, const IFillStyle& style, const IBlendMode* blend)
{
  if (!CanDraw()) return;
  if (style.rule == IFillStyle::Winding) nvgPathWinding(mVG, NVG_CCW);
  else if (style.rule == IFillStyle::EvenOdd) nvgPathWinding(mVG, NVG_CW);
  if (pattern.type == IPaintPattern::Solid) nvgFillColor(mVG, ToNVGColor(pattern.stops[0].color, blend));
  else nvgFillPaint(mVG, PatternPaint(mVG, pattern, blend));
  ApplyBlend(blend);
  nvgFill(mVG);
  ResetBlend();
  if (!style.preserve) nvgBeginPath(mVG);
}

void ICanvasNanoVG::SetPathTransform(const IMatrix& m)
{
  mPathMatrix = m;
  if (mVG == nullptr) return;
  nvgResetTransform(mVG);
  nvgScale(mVG, DrawScale(), DrawScale());
  if (const IDrawLayer* top = TopLayer()) nvgTranslate(mVG, -top->bounds.L, -top->bounds.T);
  nvgTransform(mVG, static_cast<float>(m.xx), static_cast<float>(m.yx), static_cast<float>(m.xy),
               static_cast<float>(m.yy), static_cast<float>(m.tx), static_cast<float>(m.ty));
}

void ICanvasNanoVG::SetClip(const IRectF& r)
{
  if (mVG == nullptr) return;
  nvgScissor(mVG, r.L, r.T, r.W(), r.H());
  // Kept only when set under the identity path transform, as the surface sets its clips.
  mHasClip = mPathMatrix == IMatrix();
  mClip = r;
}

// ---- Bitmaps ----------------------------------------------------------------------------------------------

IBitmapHandle ICanvasNanoVG::FetchBitmap(const char* name, int frames, bool framesHorizontal, int targetScale)
{
  if (name == nullptr || *name == '\0') return {};
  if (targetScale == 0) targetScale = static_cast<int>(std::ceil(ScreenScale()));
  if (targetScale < 1) targetScale = 1;

  std::lock_guard<std::mutex> guard(mBitmapCacheLock);
  if (auto it = mBitmapCache.find({name, targetScale}); it != mBitmapCache.end()) {
    return IBitmapHandle(it->second.get(), frames, framesHorizontal, name);
  }
  const char* dot = std::strrchr(name, '.');
  const std::string extension = dot != nullptr ? dot + 1 : name;
  std::string path;
  int foundScale = 0;
  const ResourceLocation location = FindScaledImage(name, extension.c_str(), path, targetScale, foundScale);
  if (location == ResourceLocation::NotFound || !SupportsBitmapExtension(extension.c_str())) return {};
  // The picture may already be cached under the scale it was found at (a lower one than asked
  // for): hand that out instead of decoding it again into a key that is taken.
  if (auto it = mBitmapCache.find({name, foundScale}); it != mBitmapCache.end()) {
    return IBitmapHandle(it->second.get(), frames, framesHorizontal, name);
  }
  std::unique_ptr<APIBitmap> bitmap = CreateBitmapFromLocation(path.c_str(), foundScale, location, extension.c_str());
  APIBitmap* raw = bitmap.get();
  mBitmapCache[{name, foundScale}] = std::move(bitmap);
  return IBitmapHandle(raw, frames, framesHorizontal, name);
}

std::unique_ptr<APIBitmap> ICanvasNanoVG::CreateBitmapFromLocation(const char* pathOrResourceName, int scale,
                                                                   ResourceLocation location, const char* extension)
{
  int image = 0;
  bool opaque = false;
  if (mVG != nullptr && pathOrResourceName != nullptr) {
    if (location == ResourceLocation::ModuleResource) {
      const std::span<const uint8_t> bytes = LoadResourceBytes(pathOrResourceName, extension);
      if (!bytes.empty()) {
        MakeGLContextCurrent();
        image = nvgCreateImageMem(mVG, 0, bytes.data(), static_cast<int>(bytes.size()));
        ReleaseGLContext();
        opaque = IsJpeg(bytes.data(), bytes.size());
      }
    } else if (location == ResourceLocation::AbsolutePath) {
      MakeGLContextCurrent();
      image = nvgCreateImage(mVG, pathOrResourceName, 0);
      ReleaseGLContext();
      opaque = FileIsJpeg(pathOrResourceName);
    }
  }
  auto bitmap = std::make_unique<Bitmap>(mVG, image, static_cast<float>(scale),
                                         location == ResourceLocation::PreloadedTexture);
  bitmap->mOpaque = image > 0 && opaque;
  if (image > 0) {
    MakeGLContextCurrent();
    bitmap->MeasureCoverage();
    ReleaseGLContext();
  }
  return bitmap;
}

APIBitmap* ICanvasNanoVG::CreateBitmapFromData(const char* name, const void* data, int dataSize, int scale)
{
  const std::string key = name != nullptr ? name : "";
  std::lock_guard<std::mutex> guard(mBitmapCacheLock);
  if (auto it = mBitmapCache.find({key, scale}); it != mBitmapCache.end()) return it->second.get();
  int image = 0;
  if (mVG != nullptr && data != nullptr && dataSize > 0) {
    MakeGLContextCurrent();
    image = nvgCreateImageMem(mVG, 0, static_cast<const unsigned char*>(data), dataSize);
    ReleaseGLContext();
  }
  auto bitmap = std::make_unique<Bitmap>(mVG, image, static_cast<float>(scale), false);
  bitmap->mOpaque = image > 0 && IsJpeg(static_cast<const uint8_t*>(data), static_cast<std::size_t>(dataSize));
  if (image > 0) {
    MakeGLContextCurrent();
    bitmap->MeasureCoverage();
    ReleaseGLContext();
  }
  APIBitmap* raw = bitmap.get();
  mBitmapCache[{key, scale}] = std::move(bitmap);
  return raw;
}

int ICanvasNanoVG::BitmapCacheSize() const
{
  std::lock_guard<std::mutex> guard(mBitmapCacheLock);
  return static_cast<int>(mBitmapCache.size());
}

// ---- Fonts and text -----------------------------------------------------------------------------------------

bool ICanvasNanoVG::RegisterFont(const char* fontId, const PlatformFont& font)
{
  if (fontId == nullptr || *fontId == '\0') return false;
  FontDataCache& fonts = Fonts();
  std::lock_guard<std::mutex> guard(fonts.lock);
  const std::string key = FontKey(fontId);
  const auto remember = [&] {
    if (std::find(mFonts.begin(), mFonts.end(), fontId) == mFonts.end()) mFonts.emplace_back(fontId);
  };

  if (auto it = fonts.entries.find(key); it != fonts.entries.end()) {
    if (mVG != nullptr && AddFontToContext(mVG, fontId, *it->second) < 0) return false;
    remember();
    return true;
  }

  IFontData data = font.FontData();
  if (!data.IsValid() || !IFontInfo::Parse(data.bytes, data.faceIndex).valid) return false;
  auto entry = std::make_unique<FontDataCache::Entry>();
  entry->bytes = std::move(data.bytes);
  entry->faceIndex = data.faceIndex;
  if (mVG != nullptr && AddFontToContext(mVG, fontId, *entry) < 0) return false;
  fonts.entries[key] = std::move(entry);
  remember();
  return true;
}

void ICanvasNanoVG::RegisterFontsAgain()
{
  FontDataCache& fonts = Fonts();
  std::lock_guard<std::mutex> guard(fonts.lock);
  for (const std::string& id : mFonts) {
    if (auto it = fonts.entries.find(FontKey(id.c_str())); it != fonts.entries.end()) {
      AddFontToContext(mVG, id.c_str(), *it->second);
    }
  }
}

int ICanvasNanoVG::FontCacheEntries()
{
  FontDataCache& fonts = Fonts();
  std::lock_guard<std::mutex> guard(fonts.lock);
  return static_cast<int>(fonts.entries.size());
}

int ICanvasNanoVG::FontCacheInstances()
{
  FontDataCache& fonts = Fonts();
  std::lock_guard<std::mutex> guard(fonts.lock);
  return fonts.instances;
}

void ICanvasNanoVG::PrepareText(const ITextStyle& style, const char* text, IRectF& bounds, float& x, float& y)
{
  nvgFontBlur(mVG, 0);
  nvgFontSize(mVG, style.size);
  nvgFontFaceId(mVG, nvgFindFont(mVG, FontName(style).c_str()));
  int align = 0;
  switch (style.align) {
  case ITextStyle::Near: align |= NVG_ALIGN_LEFT; x = bounds.L; break;
  case ITextStyle::Far: align |= NVG_ALIGN_RIGHT; x = bounds.R; break;
  default: align |= NVG_ALIGN_CENTER; x = bounds.MW(); break;
  }
  switch (style.valign) {
  case ITextStyle::Top: align |= NVG_ALIGN_TOP; y = bounds.T; break;
  case ITextStyle::Bottom: align |= NVG_ALIGN_BOTTOM; y = bounds.B; break;
  default: align |= NVG_ALIGN_MIDDLE; y = bounds.MH(); break;
  }
  nvgTextAlign(mVG, align);
  float b[4] = {0, 0, 0, 0}; // stays zero for a font NanoVG does not know
  nvgTextBounds(mVG, x, y, text, nullptr, b);
  bounds = IRectF(b[0], b[1], b[2], b[3]);
}

float ICanvasNanoVG::MeasureTextRun(const ITextStyle& style, const char* text, IRectF& bounds)
{
  if (mVG == nullptr || text == nullptr) {
    bounds = IRectF();
    return 0.0f;
  }
  const IRectF target = bounds;
  float x = 0.0f, y = 0.0f;
  PrepareText(style, text, bounds, x, y);
  float dx = 0.0f, dy = 0.0f;
  CalculateTextRotation(style, target, bounds, dx, dy);
  bounds = bounds.Moved(dx, dy);
  return bounds.W();
}

void ICanvasNanoVG::DrawTextRun(const ITextStyle& style, const char* text, const IRectF& bounds,
                                const IBlendMode* blend)
{
  if (!CanDraw() || text == nullptr) return;
  IRectF measured = bounds;
  float x = 0.0f, y = 0.0f;
  PrepareText(style, text, measured, x, y);
  PathTransformSave();
  if (style.angle != 0.0f) {
    float dx = 0.0f, dy = 0.0f;
    CalculateTextRotation(style, bounds, measured, dx, dy);
    PathTransformTranslate(dx, dy);
    PathTransformRotate(style.angle);
  }
  nvgFillColor(mVG, ToNVGColor(style.color, blend));
  ApplyBlend(blend);
  nvgText(mVG, x, y, text, nullptr);
  ResetBlend();
  PathTransformRestore();
}

namespace {

// A font from bytes: its data and the face chosen for it.
class MemoryFont : public PlatformFont {
public:
  explicit MemoryFont(IFontData data) : PlatformFont(false), mData(std::move(data)) {}
  IFontData FontData() const override { return mData; }

private:
  IFontData mData;
};

// The face of a font file to use: the first one that names its style; -1 when none is usable.
int ChooseFace(const std::vector<uint8_t>& bytes) {
  for (int face = 0; face < 256; ++face) {
    const IFontInfo info = IFontInfo::Parse(bytes, face);
    if (!info.valid) return -1;
    if (!info.style.empty()) return face;
  }
  return -1;
}

} // namespace

std::unique_ptr<PlatformFont> ICanvasNanoVG::LoadFontFromMemory(const char* /*fontId*/, const void* data,
                                                                int dataSize) {
  if (data == nullptr || dataSize <= 0) return nullptr;
  IFontData font;
  const auto* bytes = static_cast<const uint8_t*>(data);
  font.bytes.assign(bytes, bytes + dataSize);
  font.faceIndex = ChooseFace(font.bytes);
  if (font.faceIndex < 0) return nullptr;
  const IFontInfo info = IFontInfo::Parse(font.bytes, font.faceIndex);
  font.family = info.family;
  font.style = info.style;
  return std::make_unique<MemoryFont>(std::move(font));
}

std::unique_ptr<PlatformFont> ICanvasNanoVG::LoadFontFromResource(const char* fontId,
                                                                  const char* fileNameOrResourceName) {
  if (fileNameOrResourceName == nullptr) return nullptr;
  std::string path;
  switch (FindResourceLocation(fileNameOrResourceName, "ttf", path)) {
  case ResourceLocation::ModuleResource: {
    const std::span<const uint8_t> bytes = LoadResourceBytes(path.c_str(), "ttf");
    if (bytes.empty()) return nullptr;
    return LoadFontFromMemory(fontId, bytes.data(), static_cast<int>(bytes.size()));
  }
  case ResourceLocation::AbsolutePath: {
    std::ifstream file(path, std::ios::binary);
    std::vector<uint8_t> bytes((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
    if (bytes.empty() || (!file.good() && !file.eof())) return nullptr;
    return LoadFontFromMemory(fontId, bytes.data(), static_cast<int>(bytes.size()));
  }
  default:
    return nullptr;
  }
}

} // namespace lumen::canvas
