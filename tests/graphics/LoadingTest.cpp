// Loading: the scale search over embedded resources and files, resource bytes, fonts and vector
// documents.
#include "GraphicsTestSupport.h"

#include <gmock/gmock.h>

#include <cstdio>
#include <filesystem>
#include <fstream>

namespace lumen::test {
namespace {

using ::testing::ElementsAre;

// A surface whose resource search logs every name it is asked for.
class SearchLog : public TestCanvas {
public:
  using TestCanvas::TestCanvas;
  ResourceLocation FindResourceLocation(const char* name, const char* type, std::string& path) override {
    asked.push_back(name);
    types.push_back(type);
    return TestCanvas::FindResourceLocation(name, type, path);
  }
  std::vector<std::string> asked;
  std::vector<std::string> types;
};

constexpr uint8_t kBytes[] = {1, 2, 3, 4, 5, 6, 7, 8, 9};
constexpr char kSvg[] = "<svg width='10' height='20'><rect width='5' height='5'/></svg>";
const IEmbeddedResource kResources[] = {
    {"Nuppi.png", "PNG", kBytes, sizeof(kBytes)},
    {"knob@3x.png", "PNG", kBytes, sizeof(kBytes)},
    {"Roboto-Regular.ttf", "TTF", kBytes, sizeof(kBytes)},
    {"tiny.png", "PNG", kBytes, 7}, // below eight bytes: absent
    {"shape.svg", "SVG", reinterpret_cast<const uint8_t*>(kSvg), sizeof(kSvg) - 1},
};
const IResourceTable kTable(kResources);

struct LoadingFixture : ::testing::Test {
  LoadingFixture() { ui.SetResourceTable(&kTable); }
  TestDelegate delegate;
  SearchLog ui{&delegate};
  std::string path;
  int found = 0;
};

TEST_F(LoadingFixture, TheSearchTriesTheTargetThenTheHighestScaleThenDownwards) {
  EXPECT_EQ(ui.FindScaledImage("Nuppi.png", "png", path, 2, found), ResourceLocation::ModuleResource);
  EXPECT_THAT(ui.asked, ElementsAre("Nuppi@2x.png", "Nuppi@3x.png", "Nuppi.png"));
  EXPECT_EQ(path, "\"nuppi.png\"");
  EXPECT_EQ(found, 1);

  ui.asked.clear();
  EXPECT_EQ(ui.FindScaledImage("missing.png", "png", path, 1, found), ResourceLocation::NotFound);
  EXPECT_THAT(ui.asked, ElementsAre("missing.png", "missing@3x.png", "missing@2x.png"));
  EXPECT_TRUE(path.empty());

  ui.asked.clear();
  ui.FindScaledImage("missing.png", "png", path, 3, found);
  EXPECT_THAT(ui.asked, ElementsAre("missing@3x.png", "missing@2x.png", "missing.png"));

  ui.asked.clear();
  EXPECT_EQ(ui.FindScaledImage("knob.png", "png", path, 1, found), ResourceLocation::ModuleResource);
  EXPECT_EQ(found, 3);
  EXPECT_EQ(ui.FindScaledImage("knob.png", "png", path, 0, found), ResourceLocation::NotFound);
}

TEST_F(LoadingFixture, NamesWithoutAnExtensionOrWithADotInAFolderAreNotSplitThere) {
  ui.FindScaledImage("Nuppi", "Nuppi", path, 2, found);
  EXPECT_THAT(ui.asked, ElementsAre("Nuppi@2x", "Nuppi@3x", "Nuppi"));
  EXPECT_THAT(ui.types, ElementsAre("Nuppi", "Nuppi", "Nuppi"));
  ui.asked.clear();
  ui.FindScaledImage("res.d/knob", "png", path, 2, found);
  EXPECT_EQ(ui.asked[0], "res.d/knob@2x");
  ui.asked.clear();
  ui.FindScaledImage("res.d\\knob.png", "png", path, 2, found);
  EXPECT_EQ(ui.asked[0], "res.d\\knob@2x.png");
}

TEST_F(LoadingFixture, EmbeddedResourcesMatchWithoutRegardToCaseAndTinyOnesAreAbsent) {
  EXPECT_EQ(ui.FindResourceLocation("NUPPI.PNG", "png", path), ResourceLocation::ModuleResource);
  EXPECT_EQ(ui.FindResourceLocation("tiny.png", "png", path), ResourceLocation::NotFound);
  EXPECT_EQ(ui.FindResourceLocation("Nuppi.png", "jpg", path), ResourceLocation::NotFound);
  EXPECT_EQ(ui.FindResourceLocation("", "png", path), ResourceLocation::NotFound);
  EXPECT_THAT(ui.LoadResourceData("Nuppi.png", "png"), ElementsAre(1, 2, 3, 4, 5, 6, 7, 8, 9));
  EXPECT_TRUE(ui.LoadResourceData("nothing.png", "png").empty());
  EXPECT_EQ(ui.LoadResourceBytes("\"nuppi.png\"", "PNG").size(), 9u);
}

TEST_F(LoadingFixture, AFileIsFoundByItsPathAndReadWhole) {
  const std::filesystem::path file = std::filesystem::temp_directory_path() / "lumen-loading-test.png";
  {
    std::ofstream out(file, std::ios::binary);
    out << "0123456789";
  }
  const std::string name = file.string();
  EXPECT_EQ(ui.FindResourceLocation(name.c_str(), "png", path), ResourceLocation::AbsolutePath);
  EXPECT_EQ(path, name);
  EXPECT_EQ(ui.LoadResourceData(name.c_str(), "png").size(), 10u);
  const std::string stem = (std::filesystem::temp_directory_path() / "lumen-loading-test").string();
  ui.asked.clear();
  EXPECT_EQ(ui.FindScaledImage(name.c_str(), "png", path, 2, found), ResourceLocation::AbsolutePath);
  EXPECT_EQ(found, 1);
  std::filesystem::remove(file);
  // A folder is no file.
  EXPECT_EQ(ui.FindResourceLocation(std::filesystem::temp_directory_path().string().c_str(), "png", path),
            ResourceLocation::NotFound);
}

TEST_F(LoadingFixture, FontsAreLoadedByThePlatformRegisteredByTheBackendAndCached) {
  ui.loadableFonts = {"Roboto-Regular.ttf"};
  EXPECT_TRUE(ui.AddFont("Roboto-Regular", "Roboto-Regular.ttf"));
  EXPECT_THAT(ui.registeredFonts, ElementsAre("Roboto-Regular"));
  EXPECT_THAT(ui.cachedFonts, ElementsAre("Roboto-Regular"));

  EXPECT_FALSE(ui.AddFont("Other", "Other.ttf")); // the platform cannot load it
  ui.acceptFonts = false;
  EXPECT_FALSE(ui.AddFont("Roboto-Regular", "Roboto-Regular.ttf")); // the backend refuses it
  EXPECT_EQ(ui.cachedFonts.size(), 1u);

  ui.acceptFonts = true;
  EXPECT_TRUE(ui.AddFont("FromMemory", kBytes, sizeof(kBytes)));
  EXPECT_FALSE(ui.AddFont("Empty", kBytes, 0));
  EXPECT_FALSE(ui.AddFont("Null", nullptr, 10));
}

TEST_F(LoadingFixture, VectorDocumentsParseOrGiveNothing) {
  const auto document = ui.FetchVector("shape.svg");
  ASSERT_TRUE(document);
  EXPECT_FLOAT_EQ(document->Width(), 10.0f);
  EXPECT_FLOAT_EQ(document->Height(), 20.0f);
  ASSERT_EQ(document->Shapes().size(), 1u);
  EXPECT_EQ(ui.FetchVector("shape.svg"), document); // cached by name
  EXPECT_EQ(ui.FetchVector("missing.svg"), nullptr);
  EXPECT_EQ(ui.FetchVectorFromData("junk", "not a picture", 13), nullptr);
  EXPECT_EQ(ui.FetchVectorFromData("flat", "<svg width='0' height='5'>", 26), nullptr);

  // Drawn scaled uniformly into its bounds.
  ui.PaintSVG(*document, {0, 0, 100, 100});
  const auto fills = ui.Ops("FillPath");
  ASSERT_EQ(fills.size(), 1u);
  EXPECT_DOUBLE_EQ(fills[0].transform.xx, 5.0);
}

TEST(VectorDocument, ReadsTheViewBoxColoursAndPlainShapes) {
  const auto d = IVectorDocument::Parse(
      "<?xml version='1.0'?><svg xmlns='x' viewBox='10 10 50 40'>"
      "<circle cx='20' cy='20' r='5' fill='#f00'/><line x1='10' y1='10' x2='60' y2='50' stroke='#00ff00' stroke-width='3'/>"
      "<polygon points='10,10 20,10 20,20' style='fill:none;stroke:white'/><path d='M0 0'/></svg>");
  ASSERT_TRUE(d);
  EXPECT_FLOAT_EQ(d->Width(), 50.0f);
  ASSERT_EQ(d->Shapes().size(), 3u);
  EXPECT_EQ(d->Shapes()[0].fill, kColorRed);
  EXPECT_FLOAT_EQ(d->Shapes()[1].points[0], 0.0f); // moved by the view box
  EXPECT_TRUE(d->Shapes()[1].hasStroke);
  EXPECT_EQ(d->Shapes()[1].stroke, (IColorARGB{255, 0, 255, 0}));
  EXPECT_FLOAT_EQ(d->Shapes()[1].strokeWidth, 3.0f);
  EXPECT_FALSE(d->Shapes()[2].hasFill);
  EXPECT_EQ(d->Shapes()[2].stroke, kColorWhite);
}

TEST(ResourceTable, TheDefaultTableIsEmptyUntilTheBuildInstallsOne) {
  EXPECT_TRUE(IResourceTable::Default().Empty());
  IResourceTable::SetDefault(&kTable);
  EXPECT_NE(IResourceTable::Default().Find("nuppi.png", "png"), nullptr);
  IResourceTable::SetDefault(nullptr);
  EXPECT_TRUE(IResourceTable::Default().Empty());
}

} // namespace
} // namespace lumen::test
