#pragma once

#include <cstdint>
#include <string>

namespace kolmari::render {

// What a path names, for telling whether two paths on one command line name the same file: the
// device and inode of an existing file (so hard links, symbolic links and other spellings of the
// path all match), else the path made absolute with the symbolic links along it resolved.
class FileIdentity {
public:
  static FileIdentity Of(const std::string& path);

  bool operator==(const FileIdentity& other) const = default;

private:
  bool mExists = false;
  uint64_t mDevice = 0;
  uint64_t mInode = 0;
  std::string mResolved; // for a file that does not exist (yet)
};

} // namespace kolmari::render
