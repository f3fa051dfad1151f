// The byte buffer under every stored state: little-endian values, length-prefixed strings, and
// reads that fail without touching their output.
#include "IStateBuffer.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

namespace lumen {
namespace {

using ::testing::ElementsAre;

std::vector<uint8_t> Bytes(const IStateBuffer& b) { return {b.Data(), b.Data() + b.Length()}; }

TEST(IStateBuffer, StoresValuesLittleEndianAndStringsWithTheirLength) {
  IStateBuffer b;
  EXPECT_EQ(b.PutValue(int32_t{0x01020304}), 4);
  EXPECT_EQ(b.PutValue(uint8_t{0xAB}), 5);
  EXPECT_EQ(b.PutValue(-2.0), 13);
  EXPECT_EQ(b.PutString("ab"), 19);
  EXPECT_EQ(b.PutString(""), 23);
  EXPECT_EQ(b.PutBytes(nullptr, 4), 23);
  EXPECT_EQ(b.PutBytes("xyz", -1), 23);
  EXPECT_THAT(Bytes(b), ElementsAre(0x04, 0x03, 0x02, 0x01, 0xAB, 0, 0, 0, 0, 0, 0, 0, 0xC0, 2, 0, 0, 0, 'a', 'b',
                                    0, 0, 0, 0));
}

TEST(IStateBuffer, ReadsBackAndFailsPastTheEndWithoutTouchingTheValue) {
  IStateBuffer b;
  b.PutValue(int32_t{-7});
  b.PutValue(0.5);

  int32_t i = 0;
  double d = 0.0;
  EXPECT_EQ(b.GetValue(i, 0), 4);
  EXPECT_EQ(b.GetValue(d, 4), 12);
  EXPECT_EQ(i, -7);
  EXPECT_EQ(d, 0.5);

  double untouched = 9.0;
  EXPECT_EQ(b.GetValue(untouched, 5), -1); // 8 bytes from 5 run past 12
  EXPECT_EQ(b.GetValue(untouched, 12), -1);
  EXPECT_EQ(b.GetValue(untouched, -1), -1);
  EXPECT_EQ(b.GetValue(untouched, -8), -1);
  EXPECT_EQ(untouched, 9.0);
  uint8_t last = 0;
  EXPECT_EQ(b.GetValue(last, 11), 12);
  EXPECT_EQ(last, 0x3F);
}

TEST(IStateBuffer, ResizeZeroFillsAndClearEmpties) {
  IStateBuffer b;
  b.PutValue(int32_t{-1});
  EXPECT_EQ(b.Resize(6), 6);
  EXPECT_THAT(Bytes(b), ElementsAre(0xFF, 0xFF, 0xFF, 0xFF, 0, 0));
  EXPECT_EQ(b.Resize(2), 2);
  EXPECT_EQ(b.Resize(-5), 0);
  b.PutValue(int32_t{1});
  b.Clear();
  EXPECT_EQ(b.Length(), 0);
  EXPECT_TRUE(b.Fits(0, 0));
  EXPECT_FALSE(b.Fits(0, 1));
}

} // namespace
} // namespace lumen
