#pragma once

#include "PresetList.h"
#include "ProgramFile.h"

#include <string>
#include <vector>

namespace lumen {

class IEffectBase;

// The user's presets: one program file (.fxp) per preset in a folder, named after the preset.
// Saves write the chunk form (the plug-in's program chunk); reading takes the chunk form and the
// value form (one normalised value per parameter), which hosts write for plug-ins without chunks.
// A file that cannot be read is listed with its error and loads nothing.
//
// File access: user-interface thread (or any thread but the audio thread).
class UserPresetStore {
public:
  UserPresetStore(const IEffectBase& plugin, ProgramFileOwner owner, std::string folder);

  // "<user data>/<maker>/<product>/Presets"; empty when there is no user data folder.
  static std::string DefaultFolder(const std::string& maker, const std::string& product);

  const std::string& Folder() const { return mFolder; }
  // The file a preset of that name is kept in; empty for a name no file can have (empty, only
  // dots or spaces, or a path separator or character file systems refuse).
  std::string PathFor(const std::string& name) const;
  bool Exists(const std::string& name) const;

  // Every .fxp file in the folder, by name, read whole (real values by parameter index).
  std::vector<PresetEntry> Scan() const;
  // One file's settings as real values; false with a sentence for the user in error.
  bool Read(const std::string& path, std::vector<double>& values, std::string& error) const;
  // Writes the present settings under name (creating the folder), replacing a file of that name.
  bool Save(const std::string& name, std::string& error) const;

private:
  const IEffectBase& mPlugin;
  ProgramFileOwner mOwner;
  std::string mFolder;
};

} // namespace lumen
