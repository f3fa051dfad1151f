#include "EffectPlugin.h"

#include "ClapPluginInstance.h"
#ifdef KOLMARI_TESTHOST_LV2
#include "Lv2PluginInstance.h"
#endif
#include "ToolError.h"
#include "ToolPlatform.h"
#include "Vst3PluginInstance.h"
#include "VstPluginFinder.h"
#include "VstPluginInstance.h"

#include <algorithm>
#include <filesystem>
#include <system_error>

namespace kolmari::render {

namespace fs = std::filesystem;
using testhost::ClapPluginInstance;
using testhost::ClapPluginLibrary;
using testhost::PluginInstance;
using testhost::VstPluginInstance;
using testhost::VstPluginLibrary;

namespace {

const char* const kPluginFile = platform::kPluginFileName;

// How the tool introduces itself to plug-ins that ask for the host's name.
testhost::HostSettings RenderHostSettings() {
  testhost::HostSettings settings;
  settings.productString = "kolmari-render";
  return settings;
}

// The loader's messages often begin with the path itself, which the tool's message already names.
std::string WithoutPath(std::string message, const std::string& path) {
  for (const std::string& prefix : {path + ": ", path + " "}) {
    if (message.starts_with(prefix)) return message.substr(prefix.size());
  }
  return message;
}

} // namespace

std::string EffectPlugin::DefaultPath() {
  std::error_code ec;
#ifdef KOLMARI_DEFAULT_PLUGIN
  if (fs::is_regular_file(KOLMARI_DEFAULT_PLUGIN, ec)) return KOLMARI_DEFAULT_PLUGIN;
#endif
  if (const fs::path folder = platform::ProgramFolder(); !folder.empty()) {
    const fs::path beside = folder / kPluginFile;
    if (fs::is_regular_file(beside, ec)) return beside.string();
  }
  if (const auto found = testhost::VstPluginFinder::Find(kPluginFile)) return found->string();
  throw ToolError(std::string("no ") + kPluginFile +
                  " found (not where it was built, not beside this program, not in the VST folders such as "
                  "~/.vst); name one with --plugin PATH");
}

EffectPlugin::EffectPlugin(const std::string& path) : mPath(path.empty() ? DefaultPath() : path) {
  const std::string cannot = "cannot load plug-in " + Quoted(mPath) + ": ";
  std::error_code ec;
  const fs::file_status status = fs::status(mPath, ec);
  if (!fs::exists(status)) throw ToolError(cannot + "no such file");
  const bool vst3 = vst3host::Vst3Module::IsVst3Path(mPath);
#ifdef KOLMARI_TESTHOST_LV2
  const bool lv2 = testhost::IsLv2Path(mPath);
#else
  const bool lv2 = false;
#endif
  // A VST3 or LV2 bundle is a folder; any other plug-in is a file.
  if (fs::is_directory(status) && !vst3 && !lv2) throw ToolError(cannot + "it is a directory");

  std::string error;
  // A bare file name would make the loader search the library path instead of this folder.
  const std::string loadPath = fs::path(mPath).has_parent_path() ? mPath : "./" + mPath;
  if (lv2) {
#ifdef KOLMARI_TESTHOST_LV2
    mLv2Bundle = testhost::Lv2Bundle::Load(mPath, error);
    if (!mLv2Bundle) throw ToolError(cannot + WithoutPath(error, mPath));
#endif
  } else if (vst3) {
    try {
      mVst3Module = std::make_shared<vst3host::Vst3Module>(loadPath);
    } catch (const std::exception& e) {
      throw ToolError(cannot + WithoutPath(e.what(), loadPath));
    }
  } else if (testhost::IsClapPath(mPath)) {
    mClapLibrary = ClapPluginLibrary::Load(loadPath, error);
    if (!mClapLibrary) throw ToolError(cannot + WithoutPath(error, loadPath));
  } else {
    mVstLibrary = VstPluginLibrary::Load(loadPath, error);
    if (!mVstLibrary) throw ToolError(cannot + WithoutPath(error, loadPath));
  }
  mInstance = MakeInstance(error);
  if (!mInstance) throw ToolError(cannot + WithoutPath(error, loadPath));
}

std::unique_ptr<PluginInstance> EffectPlugin::MakeInstance(std::string& error) const {
  if (mVst3Module) return testhost::Vst3PluginInstance::Create(mVst3Module, error);
#ifdef KOLMARI_TESTHOST_LV2
  if (mLv2Bundle) return testhost::Lv2PluginInstance::Create(mLv2Bundle, error);
#endif
  if (mClapLibrary) return ClapPluginInstance::Create(mClapLibrary, error);
  auto instance = VstPluginInstance::Create(mVstLibrary, error, RenderHostSettings());
  if (instance) instance->Open();
  return instance;
}

std::unique_ptr<PluginInstance> EffectPlugin::NewInstance() const {
  std::string error;
  auto instance = MakeInstance(error);
  if (!instance) throw ToolError("cannot make a second instance of " + Quoted(mPath) + ": " + error);
  return instance;
}

std::string EffectPlugin::Description() {
  std::string name = mInstance->EffectName();
  if (auto* vst = dynamic_cast<VstPluginInstance*>(mInstance.get()); vst && name.empty()) name = vst->ProductString();
  if (name.empty()) name = fs::path(mPath).filename().string();
  const std::string vendor = mInstance->VendorString();
  return vendor.empty() ? name : name + " by " + vendor;
}

std::vector<uint8_t> EffectPlugin::SaveState() {
  std::vector<uint8_t> bytes = mInstance->SaveState();
  if (bytes.empty()) throw ToolError(Description() + " gives no program chunk, so its settings cannot be saved");
  return bytes;
}

void EffectPlugin::LoadState(const std::vector<uint8_t>& bytes, const std::string& source) {
  CheckSavedState(bytes, source);
  if (!mInstance->LoadState(bytes)) {
    // An LV2 state is the host's own file, read by the host, not handed to the plug-in.
    if (mInstance->FormatName() == "LV2")
      throw ToolError(source + " is not an LV2 preset of " + Description() +
                      " as --state-out saves it (Turtle with a value it can take for each of its control ports)");
    throw ToolError(source + " is not a state " + Description() + " accepts (the plug-in refused it)");
  }
}

void EffectPlugin::CheckSavedState(const std::vector<uint8_t>& bytes, const std::string& source) {
  // What this plug-in saves now shows what a state file of it must look like.
  const std::vector<uint8_t> own = mInstance->SaveState();
  if (own.size() < kStateHeaderBytes || !std::equal(kStateMagic.begin(), kStateMagic.end(), own.begin())) return;
  const std::string refused = "cannot use state " + source + ": ";
  if (bytes.size() < kStateMagic.size() || !std::equal(kStateMagic.begin(), kStateMagic.end(), bytes.begin()))
    throw ToolError(refused + "it is no program state saved by --state-out (its first bytes are not the state header)");
  if (bytes.size() < kStateHeaderBytes ||
      !std::equal(own.begin() + kStateMagic.size(), own.begin() + kStateHeaderBytes, bytes.begin() + kStateMagic.size()))
    throw ToolError(refused + "its state header has a version " + Description() + " does not write");
  if (bytes.size() != own.size())
    throw ToolError(refused + "it has " + std::to_string(bytes.size()) + " bytes; a program state of " + Description() +
                    " has " + std::to_string(own.size()));
  // Values a saved state cannot hold (not numbers, out of range) come back changed from a plug-in
  // that mends what it reads: try the file on an instance of its own first.
  const std::unique_ptr<PluginInstance> scratch = NewInstance();
  if (!scratch->LoadState(bytes) || scratch->SaveState() != bytes)
    throw ToolError(refused + "it holds values " + Description() +
                    " cannot have (out of range or not numbers), so it was not saved by --state-out");
}

} // namespace kolmari::render
