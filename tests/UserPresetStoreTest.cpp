// User presets as program files in a folder: what is saved reads back exactly, both forms hosts
// write are read, and files that are not Kolmari programs are listed with a reason and load nothing.
#include "TestEffect.h"
#include "UserPresetStore.h"

#include <gtest/gtest.h>

#include <unistd.h>

#include <filesystem>
#include <fstream>

namespace lumen::test {
namespace {

struct UserPresetStoreTest : ::testing::Test {
  UserPresetStoreTest() {
    folder = std::filesystem::temp_directory_path() / ("kolmari-userpresets-" + std::to_string(getpid()));
    std::filesystem::remove_all(folder);
    owner.fxID = 0x6F667A6F; // 'ofzo'
    owner.fxVersion = 0x00010105;
    owner.numParams = effect.NParams();
  }
  ~UserPresetStoreTest() override { std::filesystem::remove_all(folder); }

  void WriteFile(const std::string& name, const std::vector<uint8_t>& bytes) {
    std::filesystem::create_directories(folder);
    std::ofstream out(folder / name, std::ios::binary);
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
  }

  TestEffect effect{3};
  ProgramFileOwner owner;
  std::filesystem::path folder;
};

TEST_F(UserPresetStoreTest, ASavedPresetReadsBackExactlyAndIsListedByName) {
  UserPresetStore store(effect, owner, folder.string());
  effect.GetParam(0)->Set(12.5);
  effect.GetParam(2)->Set(-49.5);
  std::string error;
  ASSERT_TRUE(store.Save("Warm \u00e4 glue", error)) << error;
  EXPECT_TRUE(store.Exists("Warm \u00e4 glue"));
  const auto presets = store.Scan();
  ASSERT_EQ(presets.size(), 1u);
  EXPECT_EQ(presets[0].name, "Warm \u00e4 glue");
  EXPECT_TRUE(presets[0].error.empty());
  EXPECT_EQ(presets[0].values, (std::vector<double>{12.5, 1.0, -49.5}));
}

TEST_F(UserPresetStoreTest, ValueFormIsReadAndForeignOrBrokenFilesAreRefusedWithAReason) {
  UserPresetStore store(effect, owner, folder.string());
  WriteFile("Host saved.fxp", ProgramFile::WriteValueForm(owner, "Host saved", {0.0, 0.75, 1.0}));
  ProgramFileOwner other = owner;
  other.fxID = 0x41424344;
  WriteFile("Other plugin.fxp", ProgramFile::WriteValueForm(other, "x", {0.0, 0.5, 1.0}));
  auto valid = ProgramFile::WriteValueForm(owner, "Cut", {0.0, 0.5, 1.0});
  valid.resize(valid.size() - 3);
  WriteFile("Cut.fxp", valid);
  WriteFile("notes.txt", {'h', 'i'}); // not a preset file: not listed

  const auto presets = store.Scan();
  ASSERT_EQ(presets.size(), 3u);
  for (const auto& p : presets) {
    if (p.name == "Host saved") {
      EXPECT_TRUE(p.error.empty());
      EXPECT_EQ(p.values, (std::vector<double>{-50.0, 25.0, 50.0}));
    } else {
      EXPECT_FALSE(p.error.empty()) << p.name;
      EXPECT_TRUE(p.values.empty()) << p.name;
    }
  }
}

TEST_F(UserPresetStoreTest, NamesNoFileCanHaveAreRefusedAndNothingIsWritten) {
  UserPresetStore store(effect, owner, folder.string());
  std::string error;
  for (const char* name : {"", "a/b", "..", "x\\y", "end.", "what?"}) {
    EXPECT_FALSE(store.Save(name, error)) << name;
    EXPECT_FALSE(error.empty());
  }
  EXPECT_FALSE(std::filesystem::exists(folder));
  UserPresetStore nowhere(effect, owner, "");
  EXPECT_FALSE(nowhere.Save("Fine", error));
  EXPECT_TRUE(nowhere.Scan().empty());
}

} // namespace
} // namespace lumen::test
