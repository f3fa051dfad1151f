#include "FileIdentity.h"

#include "SymbolicLink.h"
#include "ToolPlatform.h"

#include <filesystem>
#include <system_error>

namespace kolmari::render {

namespace fs = std::filesystem;

FileIdentity FileIdentity::Of(const std::string& path) {
  FileIdentity identity;
  if (const auto number = platform::NumberOfFile(path)) {
    identity.mExists = true;
    identity.mDevice = number->device;
    identity.mInode = number->number;
    return identity;
  }
  // A link to a file that is still to be written names that file.
  std::error_code ec;
  const fs::path resolved = fs::absolute(SymbolicLink::FinalTarget(path), ec);
  const fs::path canonical = fs::weakly_canonical(resolved, ec);
  identity.mResolved = (ec ? resolved : canonical).lexically_normal().string();
  return identity;
}

} // namespace kolmari::render
