#include "FileIdentity.h"

#include "SymbolicLink.h"

#include <filesystem>
#include <system_error>

#include <sys/stat.h>

namespace kolmari::render {

namespace fs = std::filesystem;

FileIdentity FileIdentity::Of(const std::string& path) {
  FileIdentity identity;
  struct stat status {};
  if (stat(path.c_str(), &status) == 0) {
    identity.mExists = true;
    identity.mDevice = static_cast<uint64_t>(status.st_dev);
    identity.mInode = static_cast<uint64_t>(status.st_ino);
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
