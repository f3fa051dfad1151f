#include "ToolPlatform.h"

#include <cerrno>
#include <cstdio>
#include <system_error>
#include <vector>

#include <sys/stat.h>
#include <unistd.h>

namespace kolmari::render::platform {

const char* const kPluginFileName = "Kolmari.so";

int CreateUniqueFile(std::string& path) {
  std::vector<char> name(path.begin(), path.end());
  name.push_back('\0');
  const int descriptor = mkstemp(name.data());
  if (descriptor >= 0) path = name.data();
  return descriptor;
}

void SetUsualPermissions(int descriptor) {
  const mode_t mask = umask(0);
  umask(mask);
  fchmod(descriptor, 0666 & ~mask);
}

bool WriteAll(int descriptor, const void* data, size_t size) {
  const auto* bytes = static_cast<const unsigned char*>(data);
  size_t done = 0;
  while (done < size) {
    const ssize_t n = write(descriptor, bytes + done, size - done);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) {
      if (n == 0) errno = ENOSPC;
      return false;
    }
    done += static_cast<size_t>(n);
  }
  return true;
}

bool SeekTo(int descriptor, long long offset) { return lseek(descriptor, static_cast<off_t>(offset), SEEK_SET) == offset; }

// Some file systems cannot sync (EINVAL); their data is as safe as they make it.
bool SyncFile(int descriptor) { return fsync(descriptor) == 0 || errno == EINVAL; }

bool CloseFile(int descriptor) { return close(descriptor) == 0; }

bool RenameOver(const std::string& from, const std::string& to) { return std::rename(from.c_str(), to.c_str()) == 0; }

std::optional<FileNumber> NumberOfFile(const std::string& path) {
  struct stat status {};
  if (stat(path.c_str(), &status) != 0) return std::nullopt;
  return FileNumber{static_cast<uint64_t>(status.st_dev), static_cast<uint64_t>(status.st_ino)};
}

std::filesystem::path ProgramFolder() {
  std::error_code ec;
  const std::filesystem::path self = std::filesystem::read_symlink("/proc/self/exe", ec);
  return ec ? std::filesystem::path() : self.parent_path();
}

bool ErrorStreamIsTerminal() { return isatty(STDERR_FILENO) == 1; }

} // namespace kolmari::render::platform
