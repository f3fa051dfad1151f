#include "ToolPlatform.h"

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdio>
#include <random>
#include <string>
#include <string_view>

#define WIN32_LEAN_AND_MEAN
#include <windows.h>

#include <fcntl.h>
#include <io.h>
#include <sys/stat.h>

namespace kolmari::render::platform {

const char* const kPluginFileName = "Kolmari.dll";

namespace {

// Windows error codes as the errno values whose messages the tool shows.
int ErrnoOf(DWORD error) {
  switch (error) {
    case ERROR_FILE_NOT_FOUND:
    case ERROR_PATH_NOT_FOUND: return ENOENT;
    case ERROR_ACCESS_DENIED:
    case ERROR_SHARING_VIOLATION:
    case ERROR_LOCK_VIOLATION: return EACCES;
    case ERROR_DISK_FULL:
    case ERROR_HANDLE_DISK_FULL: return ENOSPC;
    case ERROR_NOT_SAME_DEVICE: return EXDEV;
    default: return EIO;
  }
}

std::wstring Wide(const std::string& text) {
  if (text.empty()) return std::wstring();
  const int length = MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
  std::wstring wide(static_cast<size_t>(length > 0 ? length : 0), L'\0');
  if (length > 0) MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), wide.data(), length);
  return wide;
}

} // namespace

int CreateUniqueFile(std::string& path) {
  constexpr std::string_view kPlaceholder = "XXXXXX";
  if (path.size() < kPlaceholder.size() || path.compare(path.size() - kPlaceholder.size(), kPlaceholder.size(), kPlaceholder) != 0) {
    errno = EINVAL;
    return -1;
  }
  static constexpr char kLetters[] = "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789";
  std::random_device device;
  std::mt19937 pick(device());
  std::uniform_int_distribution<size_t> letter(0, sizeof kLetters - 2);
  for (int attempt = 0; attempt < 100; ++attempt) {
    std::string candidate = path;
    for (size_t i = candidate.size() - kPlaceholder.size(); i < candidate.size(); ++i) candidate[i] = kLetters[letter(pick)];
    const int descriptor = _wopen(Wide(candidate).c_str(), _O_CREAT | _O_EXCL | _O_RDWR | _O_BINARY, _S_IREAD | _S_IWRITE);
    if (descriptor >= 0) {
      path = candidate;
      return descriptor;
    }
    if (errno != EEXIST) return -1;
  }
  errno = EEXIST;
  return -1;
}

// A new file on Windows takes its folder's access rules already.
void SetUsualPermissions(int) {}

bool WriteAll(int descriptor, const void* data, size_t size) {
  const auto* bytes = static_cast<const unsigned char*>(data);
  size_t done = 0;
  while (done < size) {
    const unsigned chunk = static_cast<unsigned>(std::min<size_t>(size - done, INT_MAX / 2));
    const int n = _write(descriptor, bytes + done, chunk);
    if (n <= 0) {
      if (n == 0) errno = ENOSPC;
      return false;
    }
    done += static_cast<size_t>(n);
  }
  return true;
}

bool SeekTo(int descriptor, long long offset) { return _lseeki64(descriptor, offset, SEEK_SET) == offset; }

bool SyncFile(int descriptor) { return _commit(descriptor) == 0; }

bool CloseFile(int descriptor) { return _close(descriptor) == 0; }

// The C library's rename refuses to replace an existing file on Windows.
bool RenameOver(const std::string& from, const std::string& to) {
  if (MoveFileExW(Wide(from).c_str(), Wide(to).c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) return true;
  errno = ErrnoOf(GetLastError());
  return false;
}

// The C library's stat gives every file the number 0 here, so the file's own record is asked. Opening
// it without access rights and with every sharing mode works while others have it open; backup
// semantics let folders be opened too, and links are followed to their target.
std::optional<FileNumber> NumberOfFile(const std::string& path) {
  const HANDLE file = CreateFileW(Wide(path).c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                  OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
  if (file == INVALID_HANDLE_VALUE) return std::nullopt;
  BY_HANDLE_FILE_INFORMATION information{};
  const bool known = GetFileInformationByHandle(file, &information) != 0;
  CloseHandle(file);
  if (!known) return std::nullopt;
  return FileNumber{information.dwVolumeSerialNumber,
                    (static_cast<uint64_t>(information.nFileIndexHigh) << 32) | information.nFileIndexLow};
}

std::filesystem::path ProgramFolder() {
  std::wstring name(MAX_PATH, L'\0');
  for (;;) {
    const DWORD length = GetModuleFileNameW(nullptr, name.data(), static_cast<DWORD>(name.size()));
    if (length == 0) return std::filesystem::path();
    if (length < name.size()) {
      name.resize(length);
      return std::filesystem::path(name).parent_path();
    }
    if (name.size() >= 32768) return std::filesystem::path();
    name.resize(name.size() * 2);
  }
}

bool ErrorStreamIsTerminal() { return _isatty(_fileno(stderr)) != 0; }

} // namespace kolmari::render::platform
