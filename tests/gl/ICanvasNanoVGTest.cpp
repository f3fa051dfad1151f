// The NanoVG backend drawing offscreen: what reaches the pixels for bitmaps, film-strip frames,
// rotation, text and layers, and what happens with bad pictures, bad fonts, short buffers and a
// surface that never got an OpenGL context.

#include "OffscreenEditor.h"

#include <gtest/gtest.h>

#include <cstring>

using namespace lumen::test;

namespace {

constexpr IColorARGB kRed{255, 255, 0, 0};
constexpr IColorARGB kBlue{255, 0, 0, 255};
constexpr IColorARGB kGreen{255, 0, 255, 0};
constexpr IColorARGB kWhite{255, 255, 255, 255};

// Draws the picture's frame `frame` (frames stacked vertically) into the control's rectangle.
DrawingControl* AddFrameOf(ICanvas& ui, const IBitmapHandle& strip, const IRectF& r, int frame)
{
  auto* c = new DrawingControl(r, [strip, frame](ICanvas& g, DrawingControl& self) {
    g.PaintBitmap(strip, self.GetRect(), 0, frame * strip.FrameHeight());
  });
  ui.AddControl(c);
  return c;
}

int DarkPixels(const IPixelImage& image, const IRectF& r)
{
  int n = 0;
  for (int y = static_cast<int>(r.T); y < static_cast<int>(r.B); ++y)
    for (int x = static_cast<int>(r.L); x < static_cast<int>(r.R); ++x)
      if (image.At(x, y).r < 128) ++n;
  return n;
}

} // namespace

TEST(ICanvasNanoVG, OpensWithDrawTargetsOfTheWindowsPixelSize)
{
  OffscreenEditor editor(200, 100, 0.5f);
  ASSERT_TRUE(editor.Open()) << editor.ui->LastError();
  EXPECT_STREQ(editor.ui->BackendName(), "NanoVG | GL2");
  EXPECT_NE(editor.ui->DrawContext(), nullptr);
  AddFilledRect(*editor.ui, IRectF(0, 0, 200, 100), kGreen);
  ASSERT_TRUE(editor.ui->DrawFullFrame());
  const IPixelImage main = editor.ui->ReadMainFramebuffer();
  const IPixelImage window = editor.ui->ReadWindow();
  EXPECT_EQ(main.width, 100);
  EXPECT_EQ(main.height, 50);
  EXPECT_EQ(window.width, 100);
  EXPECT_EQ(window.height, 50);
  // The window shows the main framebuffer, corner to corner.
  for (auto [x, y] : {std::pair{0, 0}, {99, 0}, {0, 49}, {99, 49}, {50, 25}}) {
    EXPECT_TRUE(Near(window.At(x, y), kGreen)) << x << "," << y << " " << Describe(window.At(x, y));
    EXPECT_TRUE(Near(main.At(x, y), kGreen)) << x << "," << y << " " << Describe(main.At(x, y));
  }
}

TEST(ICanvasNanoVG, ASurfaceWithoutOpenGLDrawsNothingAndLoadsNothing)
{
  // Never opened: no OpenGL context, no NanoVG, no framebuffers; as after a failed open.
  OffscreenEditor editor;
  ICanvasOffscreen& ui = *editor.ui;
  AddFilledRect(ui, IRectF(0, 0, 200, 100), kGreen);
  ui.DrawRegions({IRectF(0, 0, 200, 100)});
  EXPECT_FALSE(ui.DrawFullFrame());
  EXPECT_TRUE(ui.ReadMainFramebuffer().Empty());
  EXPECT_FALSE(ui.HasDrawContext());

  TestResources resources;
  resources.Add("pic.png", "PNG", TestPicture(4, 4, kRed).Png());
  ui.SetResourceTable(resources.Table());
  const IBitmapHandle pic = ui.FetchBitmap("pic.png", 1, false, 1);
  ASSERT_NE(pic.GetAPIBitmap(), nullptr);
  EXPECT_EQ(pic.GetAPIBitmap()->Handle(), 0);
  IRectF bounds(0, 0, 100, 20);
  EXPECT_EQ(ui.MeasureTextRun(ITextStyle{}, "text", bounds), 0.0f);
  EXPECT_EQ(ui.CreateLayerBitmap(10, 10, 1, 1)->Handle(), 0);
}

TEST(ICanvasNanoVG, PaintsTheFrameOfAFilmStripThatTheSourceOffsetSelects)
{
  OffscreenEditor editor;
  ASSERT_TRUE(editor.Open()) << editor.ui->LastError();
  TestPicture strip(20, 40, kRed); // frame 0 red, frame 1 blue
  strip.Fill(0, 20, 20, 40, kBlue);
  TestResources resources;
  resources.Add("Strip.png", "PNG", strip.Png());
  editor.ui->SetResourceTable(resources.Table());

  const IBitmapHandle handle = editor.ui->FetchBitmap("strip.PNG", 2, false, 1); // names match in any case
  ASSERT_TRUE(handle.IsValid());
  EXPECT_EQ(handle.W(), 20);
  EXPECT_EQ(handle.H(), 40);
  EXPECT_EQ(handle.FrameHeight(), 20);
  AddFilledRect(*editor.ui, IRectF(0, 0, 200, 100), kWhite);
  AddFrameOf(*editor.ui, handle, IRectF(10, 10, 30, 30), 0);
  AddFrameOf(*editor.ui, handle, IRectF(50, 10, 70, 30), 1);
  ASSERT_TRUE(editor.ui->DrawFullFrame());
  const IPixelImage image = editor.ui->ReadWindow();
  KeepRender(image, "film-strip");

  for (int y : {10, 20, 29}) {
    EXPECT_TRUE(Near(image.At(20, y), kRed)) << y << " " << Describe(image.At(20, y));
    EXPECT_TRUE(Near(image.At(60, y), kBlue)) << y << " " << Describe(image.At(60, y));
  }
  // The destination rectangle clips the strip: nothing of the other frame shows around it.
  EXPECT_TRUE(Near(image.At(20, 32), kWhite)) << Describe(image.At(20, 32));
  EXPECT_TRUE(Near(image.At(60, 8), kWhite)) << Describe(image.At(60, 8));
}

TEST(ICanvasNanoVG, RotatesBitmapsClockwiseAboutTheirCentre)
{
  OffscreenEditor editor;
  ASSERT_TRUE(editor.Open()) << editor.ui->LastError();
  TestPicture marked(20, 20, kWhite);
  marked.Fill(0, 0, 6, 6, kRed); // top-left corner
  TestResources resources;
  resources.Add("marked.png", "PNG", marked.Png());
  editor.ui->SetResourceTable(resources.Table());
  const IBitmapHandle handle = editor.ui->FetchBitmap("marked.png", 1, false, 1);

  AddFilledRect(*editor.ui, IRectF(0, 0, 200, 100), kBlue);
  for (auto [cx, angle] : {std::pair{30.0f, 0.0f}, {80.0f, 90.0f}, {130.0f, 180.0f}}) {
    editor.ui->AddControl(new DrawingControl(IRectF(cx - 15, 35, cx + 15, 65), [=](ICanvas& g, DrawingControl&) {
      g.PaintRotatedBitmap(handle, cx, 50, angle);
    }));
  }
  ASSERT_TRUE(editor.ui->DrawFullFrame());
  const IPixelImage image = editor.ui->ReadWindow();
  KeepRender(image, "rotation");

  EXPECT_TRUE(Near(image.At(23, 43), kRed, 20)) << Describe(image.At(23, 43));   // 0°: top left
  EXPECT_TRUE(Near(image.At(87, 43), kRed, 20)) << Describe(image.At(87, 43));   // 90°: top right
  EXPECT_TRUE(Near(image.At(73, 43), kWhite, 20)) << Describe(image.At(73, 43));
  EXPECT_TRUE(Near(image.At(137, 57), kRed, 20)) << Describe(image.At(137, 57)); // 180°: bottom right
  EXPECT_TRUE(Near(image.At(123, 43), kWhite, 20)) << Describe(image.At(123, 43));
}

// Transparent parts of a picture are left out of its fill. Drawn that way, a picture must give
// the pixels of the whole picture drawn: shifted, stretched past its edge (where the sampler
// repeats the edge texels), rotated, at half scale, and a frame of a strip that is all
// transparent next to one that is not.
TEST(ICanvasNanoVG, PicturesWithTransparentPartsDrawTheSamePixelsAsDrawnWhole)
{
  TestPicture sparse(64, 128, IColorARGB{0, 0, 0, 0}); // frame 0: rows 0-63, frame 1 all transparent
  sparse.Fill(40, 20, 48, 30, kRed);
  sparse.Fill(60, 40, 64, 44, kBlue);                  // on the right edge
  sparse.Fill(0, 62, 20, 64, IColorARGB{128, 0, 255, 0}); // half alpha, on frame 0's last rows
  TestResources resources;
  resources.Add("sparse.png", "PNG", sparse.Png());

  for (float scale : {1.0f, 0.5f}) {
    IPixelImage images[2];
    for (int whole = 0; whole < 2; ++whole) {
      OffscreenEditor editor(200, 200, scale);
      ASSERT_TRUE(editor.Open()) << editor.ui->LastError();
      editor.ui->SetResourceTable(resources.Table());
      const IBitmapHandle cached = editor.ui->FetchBitmap("sparse.png", 2, false, 1);
      ASSERT_TRUE(cached.IsValid());
      // The same image without what its bitmap knows of its transparency: drawn whole.
      auto* api = cached.GetAPIBitmap();
      auto* vg = static_cast<NVGcontext*>(editor.ui->DrawContext());
      ICanvasNanoVG::Bitmap plain(vg, api->Handle(), api->Scale(), true);
      const IBitmapHandle handle = whole != 0 ? IBitmapHandle(&plain, 2, false, "") : cached;
      AddFilledRect(*editor.ui, IRectF(0, 0, 200, 200), kWhite);
      editor.ui->AddControl(new DrawingControl(IRectF(0, 0, 200, 200), [&](ICanvas& g, DrawingControl&) {
        g.PaintBitmap(handle, IRectF(3, 5, 103, 69), 0, 0);        // stretched past the picture's edges
        g.PaintBitmap(handle, IRectF(110, 5, 174, 69), 0, 64);     // the transparent frame
        g.PaintRotatedBitmap(handle, 60, 140, 33.0f);              // the whole strip, turned
        g.PaintRotatedBitmap(handle, 150, 140, -90.0f);
      }));
      ASSERT_TRUE(editor.ui->DrawFullFrame());
      images[whole] = editor.ui->ReadMainFramebuffer();
    }
    ASSERT_EQ(images[0].rgba.size(), images[1].rgba.size());
    int differing = 0, coloured = 0;
    for (int y = 0; y < images[0].height; ++y) {
      for (int x = 0; x < images[0].width; ++x) {
        const IPixelImage::Pixel a = images[0].At(x, y), b = images[1].At(x, y);
        if (std::abs(a.r - b.r) > 1 || std::abs(a.g - b.g) > 1 || std::abs(a.b - b.b) > 1 || std::abs(a.a - b.a) > 1) {
          if (differing++ == 0) {
            ADD_FAILURE() << "first at " << x << "," << y << ": " << Describe(a) << ", drawn whole " << Describe(b);
          }
        }
        if (!Near(b, kWhite, 8)) ++coloured;
      }
    }
    EXPECT_EQ(differing, 0) << "scale " << scale;
    EXPECT_GT(coloured, 100) << "scale " << scale; // the pictures did draw
  }
}

TEST(ICanvasNanoVG, MissingUndecodableAndUnsupportedPicturesDrawNothing)
{
  OffscreenEditor editor;
  ASSERT_TRUE(editor.Open()) << editor.ui->LastError();
  TestResources resources;
  resources.Add("broken.png", "PNG", std::vector<uint8_t>(64, 0x5A));
  resources.Add("anim.gif", "GIF", TestPicture(4, 4, kRed).Png());
  editor.ui->SetResourceTable(resources.Table());

  // Found but not a picture: a 0 x 0 bitmap without an image, cached like any other.
  const IBitmapHandle broken = editor.ui->FetchBitmap("broken.png", 1, false, 1);
  ASSERT_TRUE(broken.IsValid());
  EXPECT_EQ(broken.GetAPIBitmap()->Handle(), 0);
  EXPECT_EQ(broken.GetAPIBitmap()->Width(), 0);
  EXPECT_EQ(broken.GetAPIBitmap()->Height(), 0);
  EXPECT_EQ(editor.ui->BitmapCacheSize(), 1);
  // Found nowhere, or of a type the backend does not decode: an empty handle, nothing cached.
  const IBitmapHandle missing = editor.ui->FetchBitmap("nothere.png", 1, false, 1);
  EXPECT_FALSE(missing.IsValid());
  EXPECT_FALSE(editor.ui->FetchBitmap("anim.gif", 1, false, 1).IsValid());
  EXPECT_EQ(editor.ui->BitmapCacheSize(), 1);

  AddFilledRect(*editor.ui, IRectF(0, 0, 200, 100), kGreen);
  const IRectF spot(20, 20, 60, 60);
  editor.ui->AddControl(new DrawingControl(spot, [&](ICanvas& g, DrawingControl& self) {
    g.PaintBitmap(broken, self.GetRect(), 0, 0);
    g.PaintBitmap(missing, self.GetRect(), 0, 0);
    g.PaintRotatedBitmap(missing, 40, 40, 30);
  }));
  ASSERT_TRUE(editor.ui->DrawFullFrame());
  const IPixelImage image = editor.ui->ReadWindow();
  for (int y = 20; y < 60; y += 5)
    for (int x = 20; x < 60; x += 5) ASSERT_TRUE(Near(image.At(x, y), kGreen)) << x << "," << y;
}

TEST(ICanvasNanoVG, APictureFoundAtALowerScaleIsDecodedOnceAndHandedOutAgain)
{
  OffscreenEditor editor;
  ASSERT_TRUE(editor.Open()) << editor.ui->LastError();
  TestResources resources;
  resources.Add("Nuppi.png", "PNG", TestPicture(8, 8, kRed).Png()); // only the scale-1 picture exists
  editor.ui->SetResourceTable(resources.Table());

  const IBitmapHandle first = editor.ui->FetchBitmap("Nuppi.png", 1, false, 2);
  const IBitmapHandle again = editor.ui->FetchBitmap("Nuppi.png", 1, false, 2);
  const IBitmapHandle atOne = editor.ui->FetchBitmap("Nuppi.png", 3, false, 1);
  ASSERT_TRUE(first.IsValid());
  EXPECT_EQ(first.GetAPIBitmap()->Scale(), 1.0f);
  EXPECT_EQ(again.GetAPIBitmap(), first.GetAPIBitmap());
  EXPECT_EQ(atOne.GetAPIBitmap(), first.GetAPIBitmap());
  EXPECT_EQ(atOne.N(), 3);
  EXPECT_EQ(editor.ui->BitmapCacheSize(), 1);
}

TEST(ICanvasNanoVG, DrawsAndMeasuresTextInARegisteredFontAndRefusesBadFonts)
{
  OffscreenEditor editor;
  ASSERT_TRUE(editor.Open()) << editor.ui->LastError();
  ICanvasOffscreen& ui = *editor.ui;
  ASSERT_TRUE(ui.AddFont("Roboto-Regular", KOLMARI_TEST_FONT));

  ITextStyle style;
  style.size = 30;
  IRectF bounds(0, 0, 200, 100);
  const float width = ui.MeasureTextBox(style, "Kolmari", bounds);
  EXPECT_GT(width, 60.0f);
  EXPECT_LT(width, 140.0f);
  EXPECT_NEAR(bounds.MW(), 100.0f, 1.0f); // centred in the given rectangle
  EXPECT_NEAR(bounds.MH(), 50.0f, 8.0f);

  ITextStyle unknown = style;
  unknown.SetFont("NoSuchFont");
  IRectF none(0, 0, 200, 100);
  EXPECT_EQ(ui.MeasureTextBox(unknown, "Kolmari", none), 0.0f);
  EXPECT_TRUE(none.Empty());

  // Bytes that are no font: refused, and the font-data cache keeps what it had.
  const int cached = ICanvasNanoVG::FontCacheEntries();
  const std::vector<uint8_t> garbage(4096, 0x41);
  EXPECT_FALSE(ui.AddFont("Broken", garbage.data(), static_cast<int>(garbage.size())));
  EXPECT_FALSE(ui.AddFont("Missing", "/nonexistent/font.ttf"));
  EXPECT_EQ(ICanvasNanoVG::FontCacheEntries(), cached);

  const IRectF textRect(0, 20, 200, 80);
  AddFilledRect(ui, IRectF(0, 0, 200, 100), kWhite);
  ui.AddControl(new DrawingControl(textRect, [style](ICanvas& g, DrawingControl& self) {
    g.DrawTextRun(style, "Kolmari", self.GetRect());
  }));
  ASSERT_TRUE(ui.DrawFullFrame());
  IPixelImage image = ui.ReadWindow();
  KeepRender(image, "text");
  const int ink = DarkPixels(image, textRect);
  EXPECT_GT(ink, 150);
  EXPECT_EQ(DarkPixels(image, IRectF(0, 0, 200, 20)), 0);

  // Closing and opening again makes a new NanoVG context while the controls stay: the font
  // must be there again without the layout adding it.
  ui.CloseEditorWindow();
  ASSERT_TRUE(editor.Open()) << ui.LastError();
  ASSERT_TRUE(ui.DrawFullFrame());
  image = ui.ReadWindow();
  EXPECT_NEAR(DarkPixels(image, textRect), ink, ink / 10);
}

TEST(ICanvasNanoVG, LayersDrawOffscreenAndReadBackWithoutChangingHands)
{
  OffscreenEditor editor;
  ASSERT_TRUE(editor.Open()) << editor.ui->LastError();
  ICanvasOffscreen& ui = *editor.ui;
  const IRectF area(20, 20, 60, 50);
  std::vector<uint8_t> pixels;
  std::vector<uint8_t> afterShortMask;
  int depthAfter = -1;

  AddFilledRect(ui, IRectF(0, 0, 200, 100), kWhite);
  ui.AddControl(new DrawingControl(area, [&](ICanvas& g, DrawingControl& self) {
    g.StartLayer(&self, self.GetRect());
    g.FillRect(kBlue, self.GetRect());
    g.FillRect(kRed, IRectF(20, 20, 40, 50)); // the left half of the layer
    std::unique_ptr<IDrawLayer> layer = g.EndLayer();
    ASSERT_NE(layer, nullptr);
    g.ReadLayerPixels(*layer, pixels);
    // A mask shorter than the layer's pixels: nothing happens to the layer.
    g.ApplyLayerShadow(*layer, std::vector<uint8_t>(16, 255), IShadowSpec{});
    g.ReadLayerPixels(*layer, afterShortMask);
    depthAfter = g.LayerDepth();
    // The layer is still ours and alive: it draws.
    g.PaintBitmap(IBitmapHandle(layer->bitmap.get(), 1, false, ""), self.GetRect(), 0, 0);
  }));
  ASSERT_TRUE(ui.DrawFullFrame());
  const IPixelImage image = ui.ReadWindow();
  KeepRender(image, "layer");

  EXPECT_EQ(depthAfter, 0);
  ASSERT_EQ(pixels.size(), 40u * 30u * 4u);
  EXPECT_EQ(afterShortMask, pixels);
  // Both colours are in the layer's pixels, opaque.
  int red = 0, blue = 0;
  for (size_t i = 0; i < pixels.size(); i += 4) {
    if (pixels[i] > 200 && pixels[i + 2] < 50 && pixels[i + 3] == 255) ++red;
    if (pixels[i + 2] > 200 && pixels[i] < 50 && pixels[i + 3] == 255) ++blue;
  }
  EXPECT_GT(red, 500);
  EXPECT_GT(blue, 500);
  EXPECT_TRUE(Near(image.At(25, 35), kRed)) << Describe(image.At(25, 35));
  EXPECT_TRUE(Near(image.At(55, 35), kBlue)) << Describe(image.At(55, 35));
  EXPECT_TRUE(Near(image.At(65, 35), kWhite)) << Describe(image.At(65, 35));
}

TEST(ICanvasNanoVG, ALayerShadowFallsBehindTheContentAtItsOffset)
{
  OffscreenEditor editor;
  ASSERT_TRUE(editor.Open()) << editor.ui->LastError();
  ICanvasOffscreen& ui = *editor.ui;
  const IRectF area(10, 10, 90, 90);
  AddFilledRect(ui, IRectF(0, 0, 200, 100), kWhite);
  ui.AddControl(new DrawingControl(area, [&](ICanvas& g, DrawingControl& self) {
    g.StartLayer(&self, self.GetRect());
    g.FillRect(kRed, IRectF(30, 30, 60, 60));
    std::unique_ptr<IDrawLayer> layer = g.EndLayer();
    std::vector<uint8_t> mask;
    g.ReadLayerPixels(*layer, mask);
    IShadowSpec shadow;
    shadow.pattern = IPaintPattern(kBlue);
    shadow.xOffset = 10;
    shadow.yOffset = 10;
    shadow.opacity = 1.7f; // more than opaque counts as opaque
    g.ApplyLayerShadow(*layer, mask, shadow);
    g.PaintBitmap(IBitmapHandle(layer->bitmap.get(), 1, false, ""), self.GetRect(), 0, 0);
  }));
  ASSERT_TRUE(ui.DrawFullFrame());
  const IPixelImage image = ui.ReadWindow();
  KeepRender(image, "layer-shadow");
  EXPECT_TRUE(Near(image.At(45, 45), kRed)) << Describe(image.At(45, 45));  // content in front
  EXPECT_TRUE(Near(image.At(65, 65), kBlue)) << Describe(image.At(65, 65)); // the shadow, offset
  EXPECT_TRUE(Near(image.At(35, 65), kWhite)) << Describe(image.At(35, 65));
  EXPECT_TRUE(Near(image.At(80, 40), kWhite)) << Describe(image.At(80, 40));
}

TEST(ICanvasNanoVG, ALayerOpenGLCannotMakeIsAnEmptyBitmap)
{
  OffscreenEditor editor;
  ASSERT_TRUE(editor.Open()) << editor.ui->LastError();
  ASSERT_TRUE(editor.ui->DrawFullFrame());
  for (auto [w, h] : {std::pair{0, 10}, {100000, 8}}) {
    editor.ui->MakeGLContextCurrent();
    std::unique_ptr<APIBitmap> layer = editor.ui->CreateLayerBitmap(w, h, 1, 1);
    editor.ui->ReleaseGLContext();
    ASSERT_NE(layer, nullptr);
    EXPECT_EQ(layer->Handle(), 0) << w;
    EXPECT_EQ(layer->Width(), 0) << w;
  }
}

TEST(ICanvasNanoVG, ARedrawOfDirtyRegionsTouchesOnlyThoseRegions)
{
  OffscreenEditor editor(200, 100, 1.0f);
  ASSERT_TRUE(editor.Open()) << editor.ui->LastError();
  ICanvasOffscreen& ui = *editor.ui;
  AddFilledRect(ui, IRectF(0, 0, 200, 100), kWhite);
  AddFilledRect(ui, IRectF(10, 10, 50, 50), kRed);
  DrawingControl* middle = AddFilledRect(ui, IRectF(80, 10, 120, 50), kRed);
  DrawingControl* last = AddFilledRect(ui, IRectF(150, 10, 190, 50), kRed);
  ASSERT_TRUE(ui.DrawFullFrame());
  ui.DrawDirty(); // every control starts dirty: one tick settles them
  const IPixelImage before = ui.ReadMainFramebuffer();
  const int lastDraws = last->draws;

  middle->SetDraw([](ICanvas& g, DrawingControl& self) { g.FillRect(kBlue, self.GetRect().Grown(0.5f)); });
  middle->MarkDirty(false);
  const IRectFList regions = ui.DrawDirty();
  ASSERT_EQ(regions.size(), 1u);
  const IPixelImage after = ui.ReadMainFramebuffer();
  KeepRender(after, "dirty-after");
  EXPECT_EQ(last->draws, lastDraws);

  // Only pixels inside the control's padded rectangle (pixel aligned) change, and they do.
  const IRectF allowed = middle->GetRect().Grown(ICanvas::kDirtyPadding).PixelAligned(1.0f);
  int changedInside = 0;
  for (int y = 0; y < before.height; ++y)
    for (int x = 0; x < before.width; ++x) {
      const bool changed = std::memcmp(&before.rgba[(static_cast<size_t>(y) * before.width + x) * 4],
                                       &after.rgba[(static_cast<size_t>(y) * after.width + x) * 4], 4) != 0;
      if (!changed) continue;
      ASSERT_TRUE(allowed.Contains(static_cast<float>(x) + 0.5f, static_cast<float>(y) + 0.5f)) << x << "," << y;
      ++changedInside;
    }
  EXPECT_GE(changedInside, 40 * 40);
  EXPECT_TRUE(Near(after.At(100, 30), kBlue));
}

// A redraw of a region that crosses a turned picture draws only the part of it inside the region
// (plus a margin for the anti-aliased edge): the region's pixels must come out as the whole
// picture drew them, at both draw scales and at angles where the cut runs across every side.
TEST(ICanvasNanoVG, ARegionAcrossATurnedPictureRedrawsItsPixelsExactly)
{
  TestPicture picture(60, 60, IColorARGB{0, 0, 0, 0});
  for (int y = 4; y < 56; ++y)
    for (int x = 4; x < 56; ++x) picture.Fill(x, y, x + 1, y + 1, IColorARGB{255, x * 4, y * 4, (x * y) % 256});
  TestResources resources;
  resources.Add("turned.png", "PNG", picture.Png());
  for (float scale : {1.0f, 0.5f}) {
    for (float angle : {17.0f, 45.0f, 133.0f}) {
      SCOPED_TRACE(testing::Message() << "scale " << scale << ", angle " << angle);
      OffscreenEditor editor(200, 120, scale);
      ASSERT_TRUE(editor.Open()) << editor.ui->LastError();
      ICanvasOffscreen& ui = *editor.ui;
      ui.SetResourceTable(resources.Table());
      const IBitmapHandle handle = ui.FetchBitmap("turned.png", 1, false, 1);
      ASSERT_TRUE(handle.IsValid());
      AddFilledRect(ui, IRectF(0, 0, 200, 120), kWhite);
      ui.AddControl(new DrawingControl(IRectF(40, 20, 120, 100), [&](ICanvas& g, DrawingControl&) {
        g.PaintRotatedBitmap(handle, 80, 60, angle);
      }));
      // Strips across the picture: one through its middle, one over a corner.
      DrawingControl* across = AddFilledRect(ui, IRectF(30, 52.3f, 130, 61.7f), IColorARGB{0, 0, 0, 0});
      DrawingControl* corner = AddFilledRect(ui, IRectF(95, 25, 125, 40), IColorARGB{0, 0, 0, 0});
      ASSERT_TRUE(ui.DrawFullFrame());
      ui.DrawDirty();
      const IPixelImage whole = ui.ReadMainFramebuffer();
      across->MarkDirty(false);
      corner->MarkDirty(false);
      ASSERT_EQ(ui.DrawDirty().size(), 2u);
      const IPixelImage redrawn = ui.ReadMainFramebuffer();
      ASSERT_EQ(whole.rgba.size(), redrawn.rgba.size());
      int differing = 0;
      for (std::size_t i = 0; i < whole.rgba.size(); i += 4) {
        if (std::memcmp(&whole.rgba[i], &redrawn.rgba[i], 4) != 0 && differing++ == 0) {
          const int x = static_cast<int>(i / 4) % whole.width;
          const int y = static_cast<int>(i / 4) / whole.width;
          ADD_FAILURE() << "first at " << x << "," << y << ": " << Describe(redrawn.At(x, y)) << ", drawn whole "
                        << Describe(whole.At(x, y));
        }
      }
      EXPECT_EQ(differing, 0);
    }
  }
}

TEST(ICanvasNanoVG, DottedLinesShorterThanOneAndAHalfDashesDrawNothing)
{
  OffscreenEditor editor;
  ASSERT_TRUE(editor.Open()) << editor.ui->LastError();
  AddFilledRect(*editor.ui, IRectF(0, 0, 200, 100), kWhite);
  editor.ui->AddControl(new DrawingControl(IRectF(0, 0, 200, 100), [](ICanvas& g, DrawingControl&) {
    g.DrawDottedLine(kColorBlack, 10, 20, 14, 20, nullptr, 3.0f, 4.0f);  // one dash long
    g.DrawDottedLine(kColorBlack, 10, 60, 190, 60, nullptr, 3.0f, 4.0f);  // 45 dashes
    g.DrawDottedRect(kColorBlack, IRectF(120, 10, 180, 40), nullptr, 2.0f, 3.0f);
  }));
  ASSERT_TRUE(editor.ui->DrawFullFrame());
  const IPixelImage image = editor.ui->ReadWindow();
  KeepRender(image, "dotted");
  EXPECT_EQ(DarkPixels(image, IRectF(8, 15, 20, 25)), 0);
  // Dashes and gaps alternate along the long line.
  int dark = 0, light = 0;
  for (int x = 12; x < 188; ++x) (image.At(x, 60).r < 128 ? dark : light)++;
  EXPECT_GT(dark, 60);
  EXPECT_GT(light, 60);
  EXPECT_GT(DarkPixels(image, IRectF(118, 8, 182, 12)), 20);
}

TEST(ICanvasNanoVG, AnswersItsSimpleQuestions)
{
  OffscreenEditor editor;
  ICanvasNanoVG& ui = *editor.ui;
  EXPECT_EQ(ui.ReadPixel(3, 4), kColorBlack);
  EXPECT_EQ(ui.AlphaChannelIndex(), 3);
  for (const char* yes : {"png", "PNG", "jpg", "JpEg", "image/png"}) EXPECT_TRUE(ui.SupportsBitmapExtension(yes)) << yes;
  for (const char* no : {"gif", "svg", "", "pn"}) EXPECT_FALSE(ui.SupportsBitmapExtension(no)) << no;
}

TEST(ICanvasNanoVG, FontDataIsSharedByTheSurfacesAndGoesWithTheLastOne)
{
  const int surfaces = ICanvasNanoVG::FontCacheInstances();
  ITextStyle style;
  {
    OffscreenEditor first;
    ASSERT_TRUE(first.Open()) << first.ui->LastError();
    ASSERT_TRUE(first.ui->AddFont("Roboto-Regular", KOLMARI_TEST_FONT));
    {
      OffscreenEditor second;
      EXPECT_EQ(ICanvasNanoVG::FontCacheInstances(), surfaces + 2);
      ASSERT_TRUE(second.Open()) << second.ui->LastError();
      ASSERT_TRUE(second.ui->AddFont("Roboto-Regular", KOLMARI_TEST_FONT));
      EXPECT_EQ(ICanvasNanoVG::FontCacheEntries(), 1); // decoded once for both
    }
    // The second surface is gone; the first still has its font.
    IRectF bounds(0, 0, 200, 100);
    EXPECT_GT(first.ui->MeasureTextBox(style, "Kolmari", bounds), 0.0f);
    EXPECT_EQ(ICanvasNanoVG::FontCacheEntries(), 1);
  }
  EXPECT_EQ(ICanvasNanoVG::FontCacheInstances(), surfaces);
  if (surfaces == 0) {
    EXPECT_EQ(ICanvasNanoVG::FontCacheEntries(), 0);
  }
}
