#include "TempFile.h"

#include "SymbolicLink.h"
#include "ToolError.h"
#include "ToolPlatform.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>

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
  std::string name = (folder / hidden).string();
  mDescriptor = platform::CreateUniqueFile(name);
  if (mDescriptor < 0) throw ToolError("cannot write " + quoted + ": " + std::strerror(errno));
  mPath = name;

  // The new file is private; the finished output gets the usual permissions.
  platform::SetUsualPermissions(mDescriptor);
}

TempFile::~TempFile() { Discard(); }

void TempFile::Discard() {
  if (mDescriptor >= 0) platform::CloseFile(mDescriptor);
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
  if (!platform::SyncFile(mDescriptor)) Fail(std::strerror(errno));
  const int descriptor = mDescriptor;
  mDescriptor = -1;
  if (!platform::CloseFile(descriptor)) Fail(std::strerror(errno));
  if (!platform::RenameOver(mPath, mTarget)) Fail(std::strerror(errno));
  mPath.clear();
}

} // namespace kolmari::render
