#include "ProgramFile.h"

#include "IEffectSettings.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <limits>

namespace lumen {
namespace {

const ProgramFileOwner kOwner{FourCharCode("ofzo"), 0x00010105, 9};

std::vector<uint8_t> SomeChunk() { return {0x70, 0x66, 0x66, 0x74, 0, 0, 1, 0, 1, 2, 3, 4, 5, 6, 7, 8}; }

void PutU32(std::vector<uint8_t>& bytes, size_t at, uint32_t v) {
  bytes[at] = static_cast<uint8_t>(v >> 24);
  bytes[at + 1] = static_cast<uint8_t>(v >> 16);
  bytes[at + 2] = static_cast<uint8_t>(v >> 8);
  bytes[at + 3] = static_cast<uint8_t>(v);
}

void PutFloat(std::vector<uint8_t>& bytes, size_t at, float f) {
  uint32_t bits = 0;
  std::memcpy(&bits, &f, sizeof bits);
  PutU32(bytes, at, bits);
}

// Reads a file that must be refused, and checks the message says why and the result is untouched.
std::string Refusal(const std::vector<uint8_t>& bytes, const ProgramFileOwner& owner = kOwner) {
  ProgramFileContents out;
  out.name = "untouched";
  std::string error;
  EXPECT_FALSE(ProgramFile::Read(bytes.data(), bytes.size(), owner, out, error));
  EXPECT_EQ(out.name, "untouched");
  EXPECT_TRUE(out.chunk.empty() && out.values.empty());
  EXPECT_FALSE(error.empty());
  return error;
}

TEST(ProgramFileTest, ChunkFormHasTheLayoutHostsRead) {
  const auto bytes = ProgramFile::WriteChunkForm(kOwner, "Warm glue", SomeChunk());
  ASSERT_EQ(bytes.size(), ProgramFile::kHeaderBytes + 4 + SomeChunk().size());
  const uint8_t expected[] = {'C', 'c', 'n', 'K', 0, 0, 0, static_cast<uint8_t>(bytes.size() - 8), 'F', 'P', 'C', 'h',
                              0,   0,   0,   1,   'o', 'f', 'z', 'o', 0, 1, 1, 5, 0, 0, 0, 9};
  EXPECT_EQ(0, std::memcmp(bytes.data(), expected, sizeof expected));
  EXPECT_EQ(0, std::memcmp(bytes.data() + 28, "Warm glue\0", 10));
  EXPECT_EQ(bytes[ProgramFile::kHeaderBytes + 3], SomeChunk().size());
}

TEST(ProgramFileTest, BothFormsRoundTrip) {
  ProgramFileContents out;
  std::string error;
  auto bytes = ProgramFile::WriteChunkForm(kOwner, "Fuzz wall", SomeChunk());
  ASSERT_TRUE(ProgramFile::Read(bytes.data(), bytes.size(), kOwner, out, error)) << error;
  EXPECT_TRUE(error.empty());
  EXPECT_EQ(out.name, "Fuzz wall");
  EXPECT_TRUE(out.hasChunk);
  EXPECT_EQ(out.chunk, SomeChunk());
  EXPECT_EQ(out.fxVersion, kOwner.fxVersion);

  const std::vector<double> values{0.0, 1.0, 0.25, 0.5, 0.125, 0.75, 0.0625, 1.0, 0.5};
  bytes = ProgramFile::WriteValueForm(kOwner, "Values", values);
  ASSERT_EQ(bytes.size(), ProgramFile::kHeaderBytes + 4 * values.size());
  ASSERT_TRUE(ProgramFile::Read(bytes.data(), bytes.size(), kOwner, out, error)) << error;
  EXPECT_EQ(out.name, "Values");
  EXPECT_FALSE(out.hasChunk);
  EXPECT_TRUE(out.chunk.empty());
  EXPECT_EQ(out.values, values);
}

TEST(ProgramFileTest, NamesAreCutAtCharactersAndCleanedOnReading) {
  ProgramFileContents out;
  std::string error;
  // 26 ASCII bytes then a two-byte character: it would end at byte 28, past the zero's place.
  const std::string longName = std::string(26, 'a') + "\xC3\xA4" + "tail";
  auto bytes = ProgramFile::WriteChunkForm(kOwner, longName, SomeChunk());
  ASSERT_TRUE(ProgramFile::Read(bytes.data(), bytes.size(), kOwner, out, error));
  EXPECT_EQ(out.name, std::string(26, 'a'));
  EXPECT_EQ(bytes[28 + 26], 0);

  // A host that fills all 28 bytes without a zero, in its own code page, with a control character.
  for (size_t i = 0; i < ProgramFile::kNameBytes; ++i) bytes[28 + i] = 'b';
  bytes[28] = 0xE4;
  bytes[29] = '\n';
  ASSERT_TRUE(ProgramFile::Read(bytes.data(), bytes.size(), kOwner, out, error));
  EXPECT_EQ(out.name, "??" + std::string(26, 'b'));
}

TEST(ProgramFileTest, WritersRefuseWhatCannotBeRead) {
  EXPECT_TRUE(ProgramFile::WriteChunkForm(kOwner, "x", {}).empty());
  EXPECT_TRUE(ProgramFile::WriteValueForm(kOwner, "x", std::vector<double>(8, 0.5)).empty());
  std::vector<double> values(9, 0.5);
  values[3] = std::numeric_limits<double>::quiet_NaN();
  EXPECT_TRUE(ProgramFile::WriteValueForm(kOwner, "x", values).empty());
  values[3] = 1.5;
  EXPECT_TRUE(ProgramFile::WriteValueForm(kOwner, "x", values).empty());
}

TEST(ProgramFileTest, ForeignAndMalformedFilesAreRefusedWithAReason) {
  const auto chunkFile = ProgramFile::WriteChunkForm(kOwner, "P", SomeChunk());
  const auto valueFile = ProgramFile::WriteValueForm(kOwner, "P", std::vector<double>(9, 0.5));

  EXPECT_NE(Refusal({}).find("not a preset"), std::string::npos);
  EXPECT_NE(Refusal(std::vector<uint8_t>(100, 0)).find("not a preset"), std::string::npos);

  auto bytes = chunkFile;
  bytes[16] = 'X';
  const std::string foreign = Refusal(bytes);
  EXPECT_NE(foreign.find("another plug-in"), std::string::npos);
  EXPECT_NE(foreign.find("'Xfzo'"), std::string::npos);
  EXPECT_NE(foreign.find("'ofzo'"), std::string::npos);

  for (const char* bank : {"FxBk", "FBCh"}) {
    bytes = chunkFile;
    std::memcpy(bytes.data() + 8, bank, 4);
    EXPECT_NE(Refusal(bytes).find("bank"), std::string::npos) << bank;
  }
  bytes = chunkFile;
  std::memcpy(bytes.data() + 8, "FxZz", 4);
  Refusal(bytes);
  bytes = chunkFile;
  PutU32(bytes, 12, 7);
  EXPECT_NE(Refusal(bytes).find("version"), std::string::npos);

  // Every truncation of either form, and one byte too many.
  for (const auto* file : {&chunkFile, &valueFile}) {
    for (size_t size = 0; size < file->size(); ++size)
      Refusal(std::vector<uint8_t>(file->begin(), file->begin() + static_cast<long>(size)));
    bytes = *file;
    bytes.push_back(0);
    Refusal(bytes);
  }
  // Size fields that disagree with the file, including ones that would wrap around.
  for (uint32_t counted : {0u, 1u, 0xFFFFFFFFu, 0xFFFFFFF8u}) {
    bytes = chunkFile;
    PutU32(bytes, 4, counted);
    Refusal(bytes);
  }
  for (uint32_t chunkBytes : {0u, 15u, 17u, 0xFFFFFFFFu, 0xFFFFFFFCu}) {
    bytes = chunkFile;
    PutU32(bytes, ProgramFile::kHeaderBytes, chunkBytes);
    Refusal(bytes);
  }
}

TEST(ProgramFileTest, ValueFormMustMatchTheParametersAndHoldOnlyNormalisedValues) {
  const auto valueFile = ProgramFile::WriteValueForm(kOwner, "P", std::vector<double>(9, 0.5));
  // A count mismatch, with the size kept consistent with the count the file claims.
  ProgramFileOwner eight = kOwner;
  eight.numParams = 8;
  auto eightFile = ProgramFile::WriteValueForm(eight, "P", std::vector<double>(8, 0.5));
  EXPECT_NE(Refusal(eightFile).find("8 parameters"), std::string::npos);
  auto bytes = valueFile;
  PutU32(bytes, 24, 10);
  Refusal(bytes);

  const float hostile[] = {std::numeric_limits<float>::quiet_NaN(), std::numeric_limits<float>::infinity(),
                           -std::numeric_limits<float>::infinity(), -0.001f, 1.001f, 1e30f};
  for (float value : hostile) {
    bytes = valueFile;
    PutFloat(bytes, ProgramFile::kHeaderBytes + 4 * 6, value);
    EXPECT_NE(Refusal(bytes).find("parameter 7"), std::string::npos) << value;
  }
}

TEST(ProgramFileTest, FilesAreSavedWholeAndLoadedBack) {
  const auto dir = std::filesystem::temp_directory_path() / ("programfile-test-" + std::to_string(::testing::UnitTest::GetInstance()->random_seed()));
  std::filesystem::create_directories(dir);
  const std::string path = (dir / "Br\xC3\xA4nd.fxp").string();
  std::string error;
  const auto bytes = ProgramFile::WriteChunkForm(kOwner, "Br\xC3\xA4nd", SomeChunk());
  ASSERT_TRUE(ProgramFile::Save(path, bytes, error)) << error;
  ProgramFileContents out;
  ASSERT_TRUE(ProgramFile::Load(path, kOwner, out, error)) << error;
  EXPECT_EQ(out.name, "Br\xC3\xA4nd");
  EXPECT_EQ(out.chunk, SomeChunk());
  // Overwriting replaces it whole and leaves no temporary file behind.
  ASSERT_TRUE(ProgramFile::Save(path, ProgramFile::WriteChunkForm(kOwner, "Second", SomeChunk()), error));
  ASSERT_TRUE(ProgramFile::Load(path, kOwner, out, error));
  EXPECT_EQ(out.name, "Second");
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir), std::filesystem::directory_iterator()), 1);

  EXPECT_FALSE(ProgramFile::Load((dir / "missing.fxp").string(), kOwner, out, error));
  EXPECT_FALSE(error.empty());
  EXPECT_FALSE(ProgramFile::Save((dir / "no-such-dir" / "x.fxp").string(), bytes, error));
  EXPECT_FALSE(error.empty());
  EXPECT_FALSE(ProgramFile::Save(path, {}, error));
  std::filesystem::remove_all(dir);
}

} // namespace
} // namespace lumen
