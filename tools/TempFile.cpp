#include "TempFile.h"

#include "ToolError.h"

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <vector>

#include <sys/stat.h>
#include <unistd.h>

namespace kolmari::render {

TempFile CreateTempBeside(const std::string& output) {
  namespace fs = std::filesystem;
  const std::string quoted = "'" + output + "'";
  if (output.empty() || output == "-") throw ToolError("cannot write " + quoted + ": not a file name");
  const fs::path target(output);
  std::error_code ec;
  if (fs::is_directory(target, ec)) throw ToolError("cannot write " + quoted + ": it is a directory");

  const fs::path folder = target.has_parent_path() ? target.parent_path() : fs::path(".");
  std::string hidden(".");
  hidden += target.filename().string();
  hidden += ".XXXXXX";
  const std::string pattern = (folder / hidden).string();
  std::vector<char> name(pattern.begin(), pattern.end());
  name.push_back('\0');
  TempFile file;
  file.descriptor = mkstemp(name.data());
  if (file.descriptor < 0) throw ToolError("cannot write " + quoted + ": " + std::strerror(errno));
  file.path = name.data();

  // mkstemp makes the file private; the finished output gets the usual permissions.
  const mode_t mask = umask(0);
  umask(mask);
  fchmod(file.descriptor, 0666 & ~mask);
  return file;
}

} // namespace kolmari::render
