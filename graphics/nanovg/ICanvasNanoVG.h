#pragma once

#include "ICanvas.h"

#include <map>
#include <memory>
#include <mutex>
#include <set>
#include <string>
#include <utility>
#include <vector>

struct NVGcontext;
struct NVGLUframebuffer;

namespace lumen::canvas {

// The editor's drawing backend: the surface's drawing, path, text, bitmap and layer operations
// on NanoVG with its OpenGL 2 renderer. A platform layer derives from it, owns the OpenGL context
// and the window, and makes the context current around everything below that touches OpenGL.
//
// Every frame is drawn into the main framebuffer, a persistent offscreen copy of the window: only
// the regions the core redraws change in it, and FinishFrame copies it onto the window (the
// framebuffer WindowFramebuffer() names): the whole of it, or, where the platform keeps the window's
// pixels between frames and asks for it (LimitWindowCopy), only the parts the frame changed.
//
// Threads: everything runs on the editor's user-interface thread with the OpenGL context current.
// The per-editor bitmap cache and the deferred framebuffer deletions have locks of their own; the
// font-data cache is process-wide (fonts are decoded once per process and registered by name into
// every editor's NanoVG context) and locked.
//
// Failure: without a NanoVG context (OpenGL 2 missing, loader failed) or a main framebuffer, frames
// draw nothing and bitmaps come back empty; nothing here dereferences what failed to exist.
//
// The platform layer calls OnViewClosing, with its OpenGL context current, before that context
// goes and before this object is destroyed; a backend destroyed with its view still open cannot
// know which context is current and abandons its OpenGL objects rather than touch another's.
class ICanvasNanoVG : public ICanvas {
public:
  // A NanoVG image (a decoded picture) or a layer (a framebuffer whose image is drawn like one).
  class Bitmap : public APIBitmap {
  public:
    // Wraps an existing image; its size is asked of the context (0 x 0 for an unknown handle).
    // A shared image belongs to someone else and is not deleted with the bitmap.
    Bitmap(NVGcontext* context, int image, float scale, bool shared);
    // A layer: owns fb (may be null: an empty bitmap) and hands it to owner's deferred deletion.
    Bitmap(ICanvasNanoVG* owner, NVGcontext* context, NVGLUframebuffer* fb, int width, int height, float scale,
           float drawScale);
    ~Bitmap() override;

    NVGLUframebuffer* Framebuffer() const { return mFramebuffer; }
    NVGcontext* Context() const { return mContext; }
    bool IsShared() const { return mShared; }
    void SetDrawScale(float drawScale) { mDrawScale = drawScale; }

  private:
    friend class ICanvasNanoVG;
    // The context is going away: free the OpenGL objects now and become an empty bitmap.
    void Detach();
    // Reads the picture back (its context current) and notes which tiles hold any visible pixel.
    void MeasureCoverage();
    // Cuts fill (path coordinates, where texel u lands at originX + u / texelsPerUnit) to the
    // part whose pixels the picture can change, margin (texels) being how far outside the fill
    // drawing samples; false when it changes none.
    bool CutToCoverage(IRectF& fill, float originX, float originY, float texelsPerUnitX, float texelsPerUnitY,
                       float margin) const;

    ICanvasNanoVG* mOwner = nullptr;
    NVGcontext* mContext = nullptr;
    NVGLUframebuffer* mFramebuffer = nullptr;
    bool mShared = false;
    bool mOpaque = false; // every pixel has full alpha (a JPEG): it may be copied instead of blended
    // An opaque picture's rows bottom-up, as framebuffers hold them, made at its first copy.
    mutable unsigned mUprightFB = 0;
    mutable unsigned mUprightColor = 0;
    // One flag per kCoverageTile x kCoverageTile texels: any alpha above zero. Empty: unknown.
    static constexpr int kCoverageTile = 16;
    std::vector<uint8_t> mCoverage;
    int mCoverageColumns = 0;
    int mCoverageRows = 0;
  };

  ICanvasNanoVG(ICanvasEditorDelegate* delegate, int width, int height, int fps, float drawScale);
  ~ICanvasNanoVG() override;

  // ---- Frame and view --------------------------------------------------------------------------------

  void StartFrame() override;
  // Creates the NanoVG context (OpenGL 2 renderer, anti-aliased) in the current OpenGL context and
  // registers again every font this surface had registered. HasDrawContext() tells whether it worked.
  void OnViewCreated(void* platformContext) override;
  // Frees the bitmaps, the main framebuffer and the NanoVG context (OpenGL context current).
  void OnViewClosing() override;
  void FinishFrame() override;
  // Recreates the main framebuffer at the window's pixel size.
  void ResizeDrawTarget() override;

  bool HasDrawContext() const { return mVG != nullptr; }
  bool HasMainFramebuffer() const { return mMainFB != nullptr; }
  bool InDraw() const { return mInDraw; }
  // Window size in pixels: int(int(logical size x draw scale) x screen scale).
  int WindowPixelWidth() const;
  int WindowPixelHeight() const;

  // ---- Drawing ---------------------------------------------------------------------------------------

  void PaintBitmap(const IBitmapHandle& bitmap, const IRectF& dest, int srcX, int srcY,
                   const IBlendMode* blend = nullptr) override;
  void DrawDottedLine(const IColorARGB& color, float x1, float y1, float x2, float y2, const IBlendMode* blend = nullptr,
                      float thickness = 1.f, float dashLength = 2.f) override;
  void DrawDottedRect(const IColorARGB& color, const IRectF& bounds, const IBlendMode* blend = nullptr,
                      float thickness = 1.f, float dashLength = 2.f) override;
  // Always opaque black: the backend does not read the window back.
  IColorARGB ReadPixel(float x, float y) override;
  void* DrawContext() override { return mVG; }
  const char* BackendName() const override { return "NanoVG | GL2"; }
  // png, jpg and jpeg in any letter case (and anything containing them).
  bool SupportsBitmapExtension(const char* extension) const override;
  void FastDropShadow(const IRectF& inner, const IRectF& outer, float drop, float roundness, float blur,
                      const IBlendMode* blend = nullptr) override;

  // The layer's pixels as OpenGL reads them: RGBA, premultiplied, rows bottom-up. The caller keeps
  // owning the layer; it is only pushed to be read.
  void ReadLayerPixels(IDrawLayer& layer, std::vector<uint8_t>& buffer) override;
  // mask: pixels of the layer's size in the form ReadLayerPixels gives; a shorter mask does nothing.
  void ApplyLayerShadow(IDrawLayer& layer, const std::vector<uint8_t>& mask, const IShadowSpec& shadow) override;
  void RebindLayerTarget() override;

  void ClearPath() override;
  void ClosePath() override;
  void AddArc(float cx, float cy, float r, float a1, float a2, int winding = 0) override;
  void MoveTo(float x, float y) override;
  void LineTo(float x, float y) override;
  void SetSubpathWinding(bool clockwise) override;
  void CubicTo(float c1x, float c1y, float c2x, float c2y, float x2, float y2) override;
  void QuadTo(float cx, float cy, float x2, float y2) override;
  void StrokePath(const IPaintPattern& pattern, float thickness, const IStrokeStyle& style = {},
                  const IBlendMode* blend = nullptr) override;
  void FillPath(const IPaintPattern& pattern, const IFillStyle& style = {}, const IBlendMode* blend = nullptr) override;
  void SetPathTransform(const IMatrix& matrix) override;
  void SetClip(const IRectF& rect) override;

  // ---- Bitmaps and fonts -----------------------------------------------------------------------------

  // Cached per (name, scale found); the handle is empty when the name is found nowhere or its
  // extension is not a picture type. targetScale 0 means the screen scale rounded up.
  IBitmapHandle FetchBitmap(const char* name, int frames = 1, bool framesHorizontal = false,
                            int targetScale = 0) override;
  APIBitmap* CreateBitmapFromData(const char* name, const void* data, int dataSize, int scale) override;
  std::unique_ptr<APIBitmap> CreateBitmapFromLocation(const char* pathOrResourceName, int scale,
                                                      ResourceLocation location, const char* extension) override;
  // An empty bitmap when there is no context or OpenGL refuses the framebuffer.
  std::unique_ptr<APIBitmap> CreateLayerBitmap(int width, int height, float scale, float drawScale,
                                               bool cacheable = false) override;
  // False when the font has no usable data (missing, no head/name/hhea tables) or the font stash
  // rejects it; the font then stays unregistered and the font-data cache unchanged.
  bool RegisterFont(const char* fontId, const PlatformFont& font) override;
  // The font's bytes from the module's resources or a file on disk, handed to the platform's
  // LoadFontFromMemory; null when found nowhere, empty or unreadable.
  std::unique_ptr<PlatformFont> LoadFontFromResource(const char* fontId, const char* fileNameOrResourceName) override;
  // A font from the bytes of a font file (copied), with the first face that names its style; null
  // for no bytes or bytes that hold no usable face. Every window system loads its fonts this way.
  std::unique_ptr<PlatformFont> LoadFontFromMemory(const char* fontId, const void* data, int dataSize) override;
  int AlphaChannelIndex() const override { return 3; }

  float MeasureTextRun(const ITextStyle& style, const char* text, IRectF& bounds) override;
  void DrawTextRun(const ITextStyle& style, const char* text, const IRectF& bounds,
                   const IBlendMode* blend = nullptr) override;

  // ---- Introspection for tests and tools -------------------------------------------------------------

  int BitmapCacheSize() const;
  static int FontCacheEntries();
  static int FontCacheInstances();

protected:
  // The framebuffer that stands for the window (0: the context's default framebuffer).
  virtual unsigned WindowFramebuffer() const { return 0; }
  NVGLUframebuffer* MainFramebuffer() const { return mMainFB; }

  // Part of the window in pixels, upwards as OpenGL counts (x, y: the bottom-left corner).
  struct WindowPixels {
    int x = 0, y = 0, w = 0, h = 0;
    bool operator==(const WindowPixels&) const = default;
  };
  // The window's pixels that drawing the regions (logical units) can change: each region widened to
  // whole pixels as DrawRegions aligns it (their union when the core draws one region), cut to the
  // window; empty regions are left out.
  std::vector<WindowPixels> WindowPixelsOf(const IRectFList& regions) const;
  // The next frames copy only these parts of the main framebuffer onto the window; an empty list
  // (the default) copies all of it. Only for a window whose framebuffer keeps its pixels.
  void LimitWindowCopy(std::vector<WindowPixels> parts) { mWindowCopyParts = std::move(parts); }
  // Whether the last FinishFrame copied only the parts (else the whole window is new).
  bool LastCopyWasPartial() const { return mLastCopyPartial; }
  // Deletes a framebuffer now, or at the end of the frame when one is being drawn.
  void ReleaseFramebuffer(NVGLUframebuffer* fb);

private:
  using CacheKey = std::pair<std::string, int>;

  // True inside a frame that has a context and a target to draw into.
  // True while NanoVG has a frame open on a target (the main framebuffer or a layer).
  bool CanDraw() const { return mVG != nullptr && mFrameOpen; }
  float WindowWidth() const;  // int(width x draw scale)
  float WindowHeight() const;
  void BeginMainFrame();
  void RestoreDrawState();
  void BindWindowFramebuffer();
  void FlushPendingFramebuffers();
  void ApplyBlend(const IBlendMode* blend);
  void ResetBlend();
  void PrepareText(const ITextStyle& style, const char* text, IRectF& bounds, float& x, float& y);
  void RegisterFontsAgain();
  void FillRectPath(const IRectF& r);
  // Cuts r (path coordinates) to the clip; false when nothing of it remains.
  bool ClipToScissor(IRectF& r) const;
  void PaintMainFramebufferIntoWindow();
  bool CopyOpaqueBitmap(const Bitmap& bitmap, const IRectF& dest, int srcX, int srcY, const IBlendMode* blend);

  bool mInDraw = false;    // between StartFrame and FinishFrame
  bool mFrameOpen = false; // nvgBeginFrame called on the bound target and not yet ended
  bool mHasClip = false;   // mClip holds the scissor, in logical units of the target
  IRectF mClip;
  IMatrix mPathMatrix;     // the path transform in force
  unsigned mCopyReadFB = 0; // framebuffer that reads pictures' textures for CopyOpaqueBitmap

  std::mutex mFramebufferLock;
  std::vector<NVGLUframebuffer*> mPendingFramebuffers; // last in, first out

  mutable std::mutex mBitmapCacheLock;
  std::map<CacheKey, std::unique_ptr<APIBitmap>> mBitmapCache;

  // Layer bitmaps alive in this surface; their framebuffers must go before the context does.
  std::set<Bitmap*> mLayerBitmaps;
  // Fonts registered through this surface, added again to every new NanoVG context.
  std::vector<std::string> mFonts;

  NVGcontext* mVG = nullptr;
  NVGLUframebuffer* mMainFB = nullptr;
  std::vector<WindowPixels> mWindowCopyParts; // empty: FinishFrame copies the whole window
  bool mLastCopyPartial = false;
};

} // namespace lumen::canvas
