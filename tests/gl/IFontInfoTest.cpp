// Reading a font's table directory: the real Roboto, a collection built around it, and bytes that
// stop short or lie about their offsets.

#include "IFontInfo.h"

#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <vector>

using lumen::canvas::IFontInfo;

namespace {

std::vector<uint8_t> Roboto()
{
  std::ifstream file(KOLMARI_TEST_FONT, std::ios::binary);
  return {std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
}

void PutU32(std::vector<uint8_t>& b, size_t at, uint32_t v)
{
  b[at] = static_cast<uint8_t>(v >> 24);
  b[at + 1] = static_cast<uint8_t>(v >> 16);
  b[at + 2] = static_cast<uint8_t>(v >> 8);
  b[at + 3] = static_cast<uint8_t>(v);
}

} // namespace

TEST(IFontInfo, ReadsNamesAndMetricsOfASingleFont)
{
  const std::vector<uint8_t> font = Roboto();
  ASSERT_GT(font.size(), 1000u);
  const IFontInfo info = IFontInfo::Parse(font, 0);
  ASSERT_TRUE(info.valid);
  EXPECT_EQ(info.family, "Roboto");
  EXPECT_EQ(info.style, "Regular");
  EXPECT_EQ(info.unitsPerEm, 2048);
  EXPECT_GT(info.ascender, 0);
  EXPECT_LT(info.descender, 0);
  EXPECT_EQ(info.styleFlags & 3, 0); // neither bold nor italic
  EXPECT_FALSE(IFontInfo::Parse(font, 1).valid); // a single font has face 0 only
  EXPECT_FALSE(IFontInfo::Parse(font, -1).valid);
}

TEST(IFontInfo, FindsTheFaceOfACollection)
{
  // A collection header naming two faces, both the Roboto that follows it.
  const std::vector<uint8_t> font = Roboto();
  std::vector<uint8_t> collection(20, 0);
  collection[0] = 't', collection[1] = 't', collection[2] = 'c', collection[3] = 'f';
  PutU32(collection, 4, 0x00010000);
  PutU32(collection, 8, 2);
  PutU32(collection, 12, 20);
  PutU32(collection, 16, 20);
  // Table offsets inside a collection count from the start of the file: shift them by 20.
  std::vector<uint8_t> face = font;
  const uint16_t tables = static_cast<uint16_t>((face[4] << 8) | face[5]);
  for (uint16_t i = 0; i < tables; ++i) {
    const size_t rec = 12 + size_t{i} * 16;
    const uint32_t offset = (uint32_t{face[rec + 8]} << 24) | (uint32_t{face[rec + 9]} << 16) |
                            (uint32_t{face[rec + 10]} << 8) | face[rec + 11];
    PutU32(face, rec + 8, offset + 20);
  }
  collection.insert(collection.end(), face.begin(), face.end());

  EXPECT_EQ(IFontInfo::Parse(collection, 1).family, "Roboto");
  EXPECT_TRUE(IFontInfo::Parse(collection, 0).valid);
  EXPECT_FALSE(IFontInfo::Parse(collection, 2).valid);
  PutU32(collection, 4, 0x00030000); // unknown collection version
  EXPECT_FALSE(IFontInfo::Parse(collection, 0).valid);
}

TEST(IFontInfo, BytesThatStopShortOrPointOutsideAreInvalid)
{
  const std::vector<uint8_t> font = Roboto();
  for (size_t length : {size_t{0}, size_t{3}, size_t{4}, size_t{12}, size_t{200}, font.size() / 2}) {
    const std::vector<uint8_t> cut(font.begin(), font.begin() + static_cast<std::ptrdiff_t>(length));
    EXPECT_NO_FATAL_FAILURE(IFontInfo::Parse(cut, 0)) << length;
  }
  EXPECT_FALSE(IFontInfo::Parse(std::vector<uint8_t>(font.begin(), font.begin() + 100), 0).valid);
  std::vector<uint8_t> lying = font;
  for (size_t rec = 12; rec < 12 + 16 * 4; rec += 16) PutU32(lying, rec + 8, 0xFFFFFFF0u);
  EXPECT_NO_FATAL_FAILURE(IFontInfo::Parse(lying, 0));
  EXPECT_FALSE(IFontInfo::Parse(std::vector<uint8_t>(64, 0x41), 0).valid);
}
