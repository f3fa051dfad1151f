// The plug-in binary exports its two entry points and nothing else: no framework or runtime
// symbol can clash with another plug-in's in the host's process.
#include "ExportedSymbols.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

namespace kolmari::test {
namespace {

TEST(ExportsTest, ExactlyTheTwoEntryPoints) {
  const auto names = ExportedSymbols(KOLMARI_BINARY);
  ASSERT_TRUE(names) << KOLMARI_BINARY << " could not be read as a plug-in binary";
  EXPECT_EQ(*names, (std::vector<std::string>{"VSTPluginMain", "main"}));
}

TEST(ExportsTest, AFileThatIsNoBinaryOrCutShortHasNoExportList) {
  const auto folder = std::filesystem::temp_directory_path();
  const auto text = folder / "kolmari-exports-text.bin";
  std::ofstream(text, std::ios::binary) << "not a plug-in";
  EXPECT_FALSE(ExportedSymbols(text.string()));

  // The binary's first kilobyte: headers that point past the end of the file.
  std::ifstream in(KOLMARI_BINARY, std::ios::binary);
  std::string head(1024, '\0');
  in.read(head.data(), static_cast<std::streamsize>(head.size()));
  const auto cut = folder / "kolmari-exports-cut.bin";
  std::ofstream(cut, std::ios::binary) << head;
  EXPECT_FALSE(ExportedSymbols(cut.string()));
  EXPECT_FALSE(ExportedSymbols((folder / "kolmari-exports-missing.bin").string()));

  std::filesystem::remove(text);
  std::filesystem::remove(cut);
}

} // namespace
} // namespace kolmari::test
