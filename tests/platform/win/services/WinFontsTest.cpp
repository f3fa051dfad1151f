#include "WinFonts.h"
#include "WinResourceTable.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cstring>
#include <span>
#include <thread>
#include <vector>

using lumen::canvas::WinFont;
using lumen::canvas::WinFonts;
using lumen::canvas::WinResourceTable;

namespace {

std::span<const uint8_t> Resource(const char* name) {
  const WinResourceTable table(GetModuleHandleW(nullptr));
  std::string path;
  table.Find(name, "ttf", path);
  return table.Bytes(path.c_str(), "ttf");
}

void PutU32(std::vector<uint8_t>& b, std::size_t at, uint32_t v) {
  b[at] = static_cast<uint8_t>(v >> 24);
  b[at + 1] = static_cast<uint8_t>(v >> 16);
  b[at + 2] = static_cast<uint8_t>(v >> 8);
  b[at + 3] = static_cast<uint8_t>(v);
}

uint32_t GetU32(const std::vector<uint8_t>& b, std::size_t at) {
  return (uint32_t{b[at]} << 24) | (uint32_t{b[at + 1]} << 16) | (uint32_t{b[at + 2]} << 8) | b[at + 3];
}

// A font collection of the given single fonts: each font's table offsets moved to where it lands.
std::vector<uint8_t> Collection(const std::vector<std::span<const uint8_t>>& fonts) {
  std::vector<uint8_t> out(12 + 4 * fonts.size(), 0);
  std::memcpy(out.data(), "ttcf", 4);
  PutU32(out, 4, 0x00010000);
  PutU32(out, 8, static_cast<uint32_t>(fonts.size()));
  for (std::size_t f = 0; f < fonts.size(); ++f) {
    while (out.size() % 4) out.push_back(0);
    const std::size_t base = out.size();
    PutU32(out, 12 + 4 * f, static_cast<uint32_t>(base));
    out.insert(out.end(), fonts[f].begin(), fonts[f].end());
    const std::size_t tables = (std::size_t{out[base + 4]} << 8) | out[base + 5];
    for (std::size_t t = 0; t < tables; ++t) {
      const std::size_t record = base + 12 + 16 * t + 8;
      PutU32(out, record, GetU32(out, record) + static_cast<uint32_t>(base));
    }
  }
  return out;
}

// A TrueType family the system has, or empty.
std::string SomeSystemFamily() {
  for (const char* family : {"Tahoma", "Roboto", "DejaVu Sans", "Liberation Sans", "Arial"}) {
    if (auto font = WinFonts::LoadSystem("probe", family, 0)) return family;
  }
  return {};
}

// Every test starts and ends with empty caches: it counts as one editor while it runs.
class WinFontsTest : public ::testing::Test {
protected:
  void SetUp() override { WinFonts::AddInstance(); }
  void TearDown() override {
    WinFonts::RemoveInstance();
    EXPECT_EQ(WinFonts::InstalledCount(), 0);
    EXPECT_EQ(WinFonts::SystemCount(), 0);
  }
};

} // namespace

TEST_F(WinFontsTest, TheEmbeddedFontInstallsFromTheModule) {
  const WinResourceTable table(GetModuleHandleW(nullptr));
  auto font = WinFonts::LoadFromResource("Roboto-Regular", "Roboto-Regular.ttf", table);
  ASSERT_NE(font, nullptr);
  EXPECT_FALSE(font->IsSystem());
  EXPECT_EQ(font->StyleName(), "");
  EXPECT_NE(font->NativeDescriptor(), nullptr);
  EXPECT_EQ(WinFonts::InstalledCount(), 1);

  const lumen::canvas::IFontData data = font->FontData();
  ASSERT_TRUE(data.IsValid());
  EXPECT_EQ(data.faceIndex, 0);
  EXPECT_EQ(data.family, "Roboto");
  EXPECT_EQ(data.bytes.size(), Resource("Roboto-Regular.ttf").size());

  WinFonts::CacheSystemFont("Roboto-Regular", *font);
  WinFonts::CacheSystemFont("Roboto-Regular", *font); // the first one stays
  EXPECT_EQ(WinFonts::SystemCount(), 1);
  LOGFONTA description{};
  ASSERT_TRUE(WinFonts::CachedSystemFont("Roboto-Regular", description));
  EXPECT_STREQ(description.lfFaceName, "Roboto");
  EXPECT_FALSE(WinFonts::CachedSystemFont("Other", description));
}

TEST_F(WinFontsTest, AFontFileOnDiskIsMappedAndInstalled) {
  char directory[MAX_PATH] = {};
  char file[MAX_PATH] = {};
  ASSERT_GT(GetTempPathA(MAX_PATH, directory), 0u);
  ASSERT_NE(GetTempFileNameA(directory, "lum", 0, file), 0u); // made empty
  const WinResourceTable table(GetModuleHandleW(nullptr));
  EXPECT_EQ(WinFonts::LoadFromResource("empty", file, table), nullptr); // an empty file maps to nothing

  const std::span<const uint8_t> roboto = Resource("Roboto-Regular.ttf");
  HANDLE handle = CreateFileA(file, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  ASSERT_NE(handle, INVALID_HANDLE_VALUE);
  DWORD written = 0;
  WriteFile(handle, roboto.data(), static_cast<DWORD>(roboto.size()), &written, nullptr);
  CloseHandle(handle);
  auto font = WinFonts::LoadFromResource("file", file, table);
  DeleteFileA(file);
  ASSERT_NE(font, nullptr);
  EXPECT_EQ(font->FontData().family, "Roboto");
}

TEST_F(WinFontsTest, BytesThatAreNoFontAndMissingNamesGiveNoFont) {
  const std::vector<uint8_t> junk(256, 0x41);
  EXPECT_EQ(WinFonts::LoadFromMemory("junk", junk.data(), static_cast<int>(junk.size())), nullptr);
  EXPECT_EQ(WinFonts::LoadFromMemory("junk", nullptr, 10), nullptr);
  const WinResourceTable table(GetModuleHandleW(nullptr));
  EXPECT_EQ(WinFonts::LoadFromResource("none", "Missing.ttf", table), nullptr);
  EXPECT_EQ(WinFonts::InstalledCount(), 0);
  EXPECT_EQ(WinFonts::LoadSystem("none", "No Such Family Anywhere", 0), nullptr);
  EXPECT_EQ(WinFonts::FindInstalledFont(std::string(40, 'x').c_str(), 400, false, false, false), nullptr);
}

TEST_F(WinFontsTest, ASystemFamilyIsFoundWithItsBytes) {
  const std::string family = SomeSystemFamily();
  if (family.empty()) GTEST_SKIP() << "no known TrueType family in this system";
  auto font = WinFonts::LoadSystem("system", family.c_str(), 1);
  ASSERT_NE(font, nullptr);
  EXPECT_TRUE(font->IsSystem());
  EXPECT_EQ(font->StyleName(), "Bold");
  const lumen::canvas::IFontData data = font->FontData();
  // GDI may stand in a family's regular face for a missing style; its bytes then name no bold face.
  if (data.IsValid()) {
    EXPECT_EQ(data.family, family);
    EXPECT_EQ(data.style, "Bold");
  }
  EXPECT_EQ(WinFonts::InstalledCount(), 0); // system fonts are not installed by us
}

TEST_F(WinFontsTest, TheFaceOfACollectionIsChosenByStyle) {
  const std::vector<uint8_t> both = Collection({Resource("Roboto-Regular.ttf"), Resource("Roboto-Bold.ttf")});
  EXPECT_EQ(WinFont::ChooseFace(both, "Bold"), 1);
  EXPECT_EQ(WinFont::ChooseFace(both, "Regular"), 0);
  EXPECT_EQ(WinFont::ChooseFace(both, ""), 0);
  EXPECT_EQ(WinFont::ChooseFace(both, "Italic"), -1);
  EXPECT_EQ(WinFont::ChooseFace(Resource("Roboto-Bold.ttf"), "Bold"), 0);
}

TEST_F(WinFontsTest, CollectionsWithBadOffsetsAreRefused) {
  std::vector<uint8_t> outside = Collection({Resource("Roboto-Regular.ttf")});
  PutU32(outside, 12, static_cast<uint32_t>(outside.size()) - 8); // directory past the end
  EXPECT_EQ(WinFont::ChooseFace(outside, ""), -1);

  std::vector<uint8_t> countLies = Collection({Resource("Roboto-Regular.ttf")});
  PutU32(countLies, 8, 0xFFFFFFFF); // more faces than offsets
  EXPECT_EQ(WinFont::ChooseFace(countLies, "Bold"), -1);

  EXPECT_EQ(WinFont::ChooseFace({}, ""), -1);
}

TEST_F(WinFontsTest, TwoThreadsShareTheCaches) {
  const std::string family = SomeSystemFamily();
  const std::span<const uint8_t> roboto = Resource("Roboto-Regular.ttf");
  std::atomic<int> failures{0};
  auto work = [&](int thread) {
    for (int i = 0; i < 20; ++i) {
      const std::string id = "font" + std::to_string(i % 5);
      auto installed = WinFonts::LoadFromMemory(id.c_str(), roboto.data(), static_cast<int>(roboto.size()));
      if (!installed) ++failures;
      else WinFonts::CacheSystemFont(id.c_str(), *installed);
      if (!family.empty()) {
        auto system = WinFonts::LoadSystem(id.c_str(), family.c_str(), thread % 2);
        if (!system) ++failures;
      }
      LOGFONTA description{};
      if (installed && !WinFonts::CachedSystemFont(id.c_str(), description)) ++failures;
    }
  };
  std::thread first(work, 0);
  std::thread second(work, 1);
  first.join();
  second.join();
  EXPECT_EQ(failures.load(), 0);
  EXPECT_EQ(WinFonts::InstalledCount(), 40);
  EXPECT_EQ(WinFonts::SystemCount(), 5);
}
