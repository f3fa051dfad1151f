#include "WinResourceTable.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <string>

using lumen::canvas::ResourceLocation;
using lumen::canvas::WinResourceTable;

namespace {

// The test program carries the module's pictures and font, plus the edge cases of
// ServiceTestResources.rc.
WinResourceTable Table() {
  return WinResourceTable(GetModuleHandleW(nullptr));
}

} // namespace

TEST(WinResourceTable, FindsEveryPictureAndTheFontByFileNameInAnyCase) {
  const WinResourceTable table = Table();
  std::string path;
  EXPECT_EQ(table.Find("Nuppi.png", "png", path), ResourceLocation::ModuleResource);
  EXPECT_EQ(path, "\"nuppi.png\"");
  const auto bytes = table.Bytes(path.c_str(), "png");
  ASSERT_GE(bytes.size(), 8u);
  EXPECT_EQ(std::memcmp(bytes.data(), "\x89PNG", 4), 0);

  for (const char* name : {"ledOn.png", "LiukuAnim.png", "NUPIKKAVARJO.PNG", "NuppiOverlay.png", "BIASNUPPI.png",
                           "FlipperAnim.png", "Oversampling.png", "Delta.png"}) {
    EXPECT_EQ(table.Find(name, "PNG", path), ResourceLocation::ModuleResource) << name;
    EXPECT_FALSE(table.Bytes(path.c_str(), "PNG").empty()) << name;
  }
  EXPECT_EQ(table.Find("Kolmaribackground.jpg", "jpg", path), ResourceLocation::ModuleResource);
  EXPECT_EQ(table.Find("Roboto-Regular.ttf", "ttf", path), ResourceLocation::ModuleResource);
  EXPECT_EQ(path, "\"roboto-regular.ttf\"");
  // Wrong type: not found.
  EXPECT_EQ(table.Find("Nuppi.png", "jpg", path), ResourceLocation::NotFound);
  EXPECT_EQ(path, "");
}

TEST(WinResourceTable, ShortAndUnquotedResourcesCountAsAbsent) {
  const WinResourceTable table = Table();
  std::string path;
  ASSERT_EQ(table.Find("seven.png", "png", path), ResourceLocation::ModuleResource);
  EXPECT_TRUE(table.Bytes(path.c_str(), "png").empty());
  ASSERT_EQ(table.Find("eight.png", "png", path), ResourceLocation::ModuleResource);
  EXPECT_EQ(table.Bytes(path.c_str(), "png").size(), 8u);
  // Stored without its quotes, its own first and last letters are dropped before comparing.
  EXPECT_EQ(table.Find("bare.png", "png", path), ResourceLocation::NotFound);
  EXPECT_EQ(table.Find("ARE.PN", "png", path), ResourceLocation::ModuleResource);
  EXPECT_TRUE(table.Bytes("bare", "png").empty());
  EXPECT_TRUE(table.Bytes(nullptr, "png").empty());
}

TEST(WinResourceTable, NamesPastThePathLimitAreCut) {
  const WinResourceTable table = Table();
  const std::string name = std::string(300, 'l') + ".png";
  std::string path;
  ASSERT_EQ(table.Find(name.c_str(), "png", path), ResourceLocation::ModuleResource);
  EXPECT_EQ(path.size(), WinResourceTable::kMaxPath);
  EXPECT_EQ(path.front(), '"');
}

TEST(WinResourceTable, FilesOnDiskAndNothing) {
  char directory[MAX_PATH] = {};
  char file[MAX_PATH] = {};
  ASSERT_GT(GetTempPathA(MAX_PATH, directory), 0u);
  ASSERT_NE(GetTempFileNameA(directory, "lum", 0, file), 0u);
  const WinResourceTable table = Table();
  std::string path;
  EXPECT_EQ(table.Find(file, "png", path), ResourceLocation::AbsolutePath);
  EXPECT_EQ(path, file);
  DeleteFileA(file);
  EXPECT_EQ(table.Find(file, "png", path), ResourceLocation::NotFound);
  EXPECT_EQ(table.Find("", "png", path), ResourceLocation::NotFound);
  EXPECT_EQ(table.Find(nullptr, "png", path), ResourceLocation::NotFound);
  EXPECT_EQ(table.Find("Missing.png", "png", path), ResourceLocation::NotFound);
  EXPECT_EQ(path, "");
  // Without a module only files are found.
  EXPECT_EQ(WinResourceTable(nullptr).Find("Nuppi.png", "png", path), ResourceLocation::NotFound);
}
