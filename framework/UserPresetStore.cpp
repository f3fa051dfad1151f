#include "UserPresetStore.h"

#include "IEffectBase.h"
#include "IParam.h"
#include "UserDataFolder.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <filesystem>
#include <system_error>

namespace lumen {

namespace {

constexpr const char* kExtension = ".fxp";

std::filesystem::path Utf8Path(const std::string& text) {
  return std::filesystem::path(std::u8string(text.begin(), text.end()));
}

std::string Utf8Text(const std::filesystem::path& path) {
  const std::u8string text = path.u8string();
  return std::string(text.begin(), text.end());
}

} // namespace

UserPresetStore::UserPresetStore(const IEffectBase& plugin, ProgramFileOwner owner, std::string folder)
    : mPlugin(plugin), mOwner(owner), mFolder(std::move(folder)) {}

std::string UserPresetStore::DefaultFolder(const std::string& maker, const std::string& product) {
  const std::string base = UserDataFolder();
  if (base.empty()) return {};
  return Utf8Text(Utf8Path(base) / Utf8Path(maker) / Utf8Path(product) / "Presets");
}

std::string UserPresetStore::PathFor(const std::string& name) const {
  if (mFolder.empty() || name.empty() || name.size() > 120) return {};
  // Refused rather than replaced: a preset saved as "a/b" must not turn up as "a_b".
  for (const char c : name) {
    if (static_cast<unsigned char>(c) < 0x20 || std::strchr("/\\:*?\"<>|", c) != nullptr) return {};
  }
  if (name.find_first_not_of(". ") == std::string::npos || name.back() == '.' || name.back() == ' ') return {};
  std::string file = name;
  file += kExtension;
  return Utf8Text(Utf8Path(mFolder) / Utf8Path(file));
}

bool UserPresetStore::Exists(const std::string& name) const {
  const std::string path = PathFor(name);
  std::error_code ec;
  return !path.empty() && std::filesystem::exists(Utf8Path(path), ec);
}

std::vector<PresetEntry> UserPresetStore::Scan() const {
  std::vector<PresetEntry> presets;
  if (mFolder.empty()) return presets;
  std::error_code ec;
  std::filesystem::directory_iterator it(Utf8Path(mFolder), ec);
  if (ec) return presets;
  for (const auto& file : it) {
    std::error_code fileError;
    if (!file.is_regular_file(fileError) || file.path().extension() != kExtension) continue;
    PresetEntry entry;
    entry.category = "User";
    entry.name = Utf8Text(file.path().stem());
    entry.user = true;
    entry.path = Utf8Text(file.path());
    if (!Read(entry.path, entry.values, entry.error)) entry.values.clear();
    presets.push_back(std::move(entry));
  }
  return presets;
}

bool UserPresetStore::Read(const std::string& path, std::vector<double>& values, std::string& error) const {
  ProgramFileContents contents;
  if (!ProgramFile::Load(path, mOwner, contents, error)) return false;
  const int n = mPlugin.NParams();
  std::vector<double> read(static_cast<size_t>(n));
  if (contents.hasChunk) {
    // The program chunk: its header, then every parameter's real value (little-endian doubles).
    const std::vector<uint8_t>& chunk = contents.chunk;
    uint32_t magic = 0;
    if (chunk.size() >= 8) std::memcpy(&magic, chunk.data(), sizeof(magic));
    if (chunk.size() < 8 + 8 * static_cast<size_t>(n) || magic != IEffectBase::kChunkMagic) {
      error = "The preset file holds no settings this plug-in can read.";
      return false;
    }
    for (int i = 0; i < n; ++i) {
      double v = 0.0;
      std::memcpy(&v, chunk.data() + 8 + 8 * static_cast<size_t>(i), sizeof(v));
      if (!std::isfinite(v)) {
        error = "The preset file holds a value that is not a number.";
        return false;
      }
      read[static_cast<size_t>(i)] = mPlugin.GetParam(i)->Constrain(v);
    }
  } else {
    if (contents.values.size() != static_cast<size_t>(n)) {
      error = "The preset file holds a different number of settings.";
      return false;
    }
    for (int i = 0; i < n; ++i) {
      const IParam* param = mPlugin.GetParam(i);
      read[static_cast<size_t>(i)] = param->Constrain(param->DenormalizeValue(contents.values[static_cast<size_t>(i)]));
    }
  }
  values = std::move(read);
  return true;
}

bool UserPresetStore::Save(const std::string& name, std::string& error) const {
  const std::string path = PathFor(name);
  if (path.empty()) {
    error = mFolder.empty() ? "There is no folder for user presets." : "A preset name cannot be empty or hold / \\ : * ? \" < > |.";
    return false;
  }
  std::error_code ec;
  std::filesystem::create_directories(Utf8Path(mFolder), ec);
  if (ec) {
    error = "The preset folder cannot be made: ";
    error += ec.message();
    return false;
  }
  IStateBuffer chunk;
  if (!mPlugin.WriteProgramChunk(chunk)) {
    error = "The settings cannot be written.";
    return false;
  }
  const std::vector<uint8_t> bytes =
      ProgramFile::WriteChunkForm(mOwner, name, std::vector<uint8_t>(chunk.Data(), chunk.Data() + chunk.Length()));
  if (bytes.empty()) {
    error = "The settings cannot be written.";
    return false;
  }
  return ProgramFile::Save(path, bytes, error);
}

} // namespace lumen
