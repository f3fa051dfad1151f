#include "TempFile.h"

#include "SymbolicLink.h"
#include "ToolError.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <vector>

#include <sys/stat.h>
#include <unistd.h>

namespace kolmari::render {

TempFile::TempFile(const std::string& output) : mOutput(output) {
  namespace fs = std::filesystem;
  const std::string quoted = Quoted(output);
  if (output.empty() || output == "-") throw ToolError("cannot write " + quoted + ": not a file name");
  // An output that is a symbolic link is written through: its target gets the new contents and the
  // link stays.
  mTarget = SymbolicLink::FinalTarget(output);
  const fs::path target(mTarget);
  std::error_code ec;
  if (fs::is_directory(target, ec)) throw ToolError("cannot write " + quoted + ": it is a directory");
  // The finished file is renamed over the output: never over a device, pipe or socket.
  const fs::file_status status = fs::status(target, ec);
  if (!ec && fs::exists(status) && !fs::is_regular_file(status)) {
    throw ToolError("cannot write " + quoted + ": not a regular file");
  }

  const fs::path folder = target.has_parent_path() ? target.parent_path() : fs::path(".");
  std::string hidden(".");
  hidden += target.filename().string();
  hidden += ".XXXXXX";
  const std::string pattern = (folder / hidden).string();
  std::vector<char> name(pattern.begin(), pattern.end());
  name.push_back('\0');
  mDescriptor = mkstemp(name.data());
  if (mDescriptor < 0) throw ToolError("cannot write " + quoted + ": " + std::strerror(errno));
  mPath = name.data();

  // mkstemp makes the file private; the finished output gets the usual permissions.
  const mode_t mask = umask(0);
  umask(mask);
  fchmod(mDescriptor, 0666 & ~mask);
}

TempFile::~TempFile() { Discard(); }

void TempFile::Discard() {
  if (mDescriptor >= 0) close(mDescriptor);
  mDescriptor = -1;
  if (!mPath.empty()) std::remove(mPath.c_str());
  mPath.clear();
}

void TempFile::Fail(const std::string& reason) {
  Discard();
  throw ToolError("cannot write " + Quoted(mOutput) + ": " + reason);
}

void TempFile::Commit() {
  if (mDescriptor < 0) Fail("the file is already closed");
  if (fsync(mDescriptor) != 0 && errno != EINVAL) Fail(std::strerror(errno));
  const int descriptor = mDescriptor;
  mDescriptor = -1;
  if (close(descriptor) != 0) Fail(std::strerror(errno));
  if (std::rename(mPath.c_str(), mTarget.c_str()) != 0) Fail(std::strerror(errno));
  mPath.clear();
}

} // namespace kolmari::render
