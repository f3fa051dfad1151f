#include "EmbeddedResources.h"

#include <gtest/gtest.h>

#include <cstring>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace {

using lumen::canvas::EmbeddedResource;
using lumen::canvas::EmbeddedResources;
using lumen::canvas::FindEmbeddedResource;

std::vector<unsigned char> ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

struct Expected {
  const char* file;
  const char* name;
  const char* type;
};

const Expected kExpected[] = {
    {"ledOn.png", "\"LEDON.PNG\"", "PNG"},
    {"LiukuAnim.png", "\"LIUKUANIM.PNG\"", "PNG"},
    {"Nuppi.png", "\"NUPPI.PNG\"", "PNG"},
    {"Kolmaribackground.jpg", "\"KOLMARIBACKGROUND.JPG\"", "JPG"},
    {"NupikkaVarjo.png", "\"NUPIKKAVARJO.PNG\"", "PNG"},
    {"NuppiOverlay.png", "\"NUPPIOVERLAY.PNG\"", "PNG"},
    {"BIASNUPPI.png", "\"BIASNUPPI.PNG\"", "PNG"},
    {"FlipperAnim.png", "\"FLIPPERANIM.PNG\"", "PNG"},
    {"Oversampling.png", "\"OVERSAMPLING.PNG\"", "PNG"},
    {"Delta.png", "\"DELTA.PNG\"", "PNG"},
    {"Roboto-Regular.ttf", "\"ROBOTO-REGULAR.TTF\"", "TTF"},
};

TEST(EmbeddedResources, TableHoldsThePicturesAndTheFontByteForByte) {
  const auto table = EmbeddedResources();
  ASSERT_EQ(table.size(), std::size(kExpected));
  for (const Expected& e : kExpected) {
    SCOPED_TRACE(e.file);
    const EmbeddedResource* found = nullptr;
    for (const EmbeddedResource& r : table) {
      if (std::strcmp(r.name, e.name) == 0) found = &r;
    }
    ASSERT_NE(found, nullptr);
    EXPECT_STREQ(found->type, e.type);
    const std::string path = std::strcmp(e.type, "TTF") == 0
                                 ? std::string(KOLMARI_ROBOTO_TTF)
                                 : std::string(KOLMARI_RESOURCE_DIR) + "/" + e.file;
    const std::vector<unsigned char> bytes = ReadFile(path);
    ASSERT_FALSE(bytes.empty()) << path;
    ASSERT_EQ(found->size, bytes.size());
    EXPECT_EQ(std::memcmp(found->data, bytes.data(), bytes.size()), 0);
    // The lookup by the ordinary file name finds the same entry.
    EXPECT_EQ(FindEmbeddedResource(table, e.file, e.type), found);
  }
}

TEST(EmbeddedResources, LookupIgnoresCaseOfNameAndType) {
  const auto table = EmbeddedResources();
  const EmbeddedResource* nuppi = FindEmbeddedResource(table, "Nuppi.png", "png");
  ASSERT_NE(nuppi, nullptr);
  EXPECT_STREQ(nuppi->name, "\"NUPPI.PNG\"");
  EXPECT_STREQ(nuppi->type, "PNG");
  EXPECT_EQ(FindEmbeddedResource(table, "NUPPI.PNG", "PNG"), nuppi);
  EXPECT_EQ(FindEmbeddedResource(table, "nuppi.PNG", "Png"), nuppi);
  EXPECT_NE(FindEmbeddedResource(table, "roboto-regular.ttf", "ttf"), nullptr);
}

TEST(EmbeddedResources, LookupFindsNothingForUnknownNamesTypesAndEmptyNames) {
  const auto table = EmbeddedResources();
  EXPECT_EQ(FindEmbeddedResource(table, "", "PNG"), nullptr);
  EXPECT_EQ(FindEmbeddedResource(table, "Nuppi@2x.png", "PNG"), nullptr);
  EXPECT_EQ(FindEmbeddedResource(table, "Nuppi.png", "JPG"), nullptr);
  EXPECT_EQ(FindEmbeddedResource(table, "Nuppi.png", ""), nullptr);
  // The quotes belong to the stored name, not to what callers ask for.
  EXPECT_EQ(FindEmbeddedResource(table, "\"Nuppi.png\"", "PNG"), nullptr);
  // A name must match whole, not as a prefix or suffix.
  EXPECT_EQ(FindEmbeddedResource(table, "Nuppi.pn", "PNG"), nullptr);
  EXPECT_EQ(FindEmbeddedResource(table, "uppi.png", "PNG"), nullptr);
}

TEST(EmbeddedResources, ShortResourcesCountAsAbsent) {
  static const unsigned char bytes[8] = {1, 2, 3, 4, 5, 6, 7, 8};
  const EmbeddedResource table[] = {
      {"\"SEVEN.PNG\"", "PNG", bytes, 7},
      {"\"EIGHT.PNG\"", "PNG", bytes, 8},
      {"\"EMPTY.PNG\"", "PNG", nullptr, 0},
  };
  EXPECT_EQ(FindEmbeddedResource(table, "seven.png", "png"), nullptr);
  EXPECT_EQ(FindEmbeddedResource(table, "eight.png", "png"), &table[1]);
  EXPECT_EQ(FindEmbeddedResource(table, "empty.png", "png"), nullptr);
}

TEST(EmbeddedResources, NamesStoredWithoutQuotesNeverMatch) {
  static const unsigned char bytes[16] = {};
  const EmbeddedResource table[] = {
      {"NUPPI.PNG", "PNG", bytes, sizeof bytes},
      {"\"", "PNG", bytes, sizeof bytes},
      {"", "PNG", bytes, sizeof bytes},
      {nullptr, "PNG", bytes, sizeof bytes},
  };
  EXPECT_EQ(FindEmbeddedResource(table, "NUPPI.PNG", "PNG"), nullptr);
  EXPECT_EQ(FindEmbeddedResource(table, "UPPI.PN", "PNG"), &table[0]);  // first and last dropped
  EXPECT_EQ(FindEmbeddedResource(table, "x", "PNG"), nullptr);
}

}  // namespace
