#pragma once

// The few operating-system services the command-line tool needs that the standard library does not
// give portably: one implementation for POSIX systems, one for Windows.

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>

namespace kolmari::render::platform {

// The plug-in binary's file name on this system.
extern const char* const kPluginFileName;

// Creates a new file from a pattern ending in "XXXXXX" (replaced by a unique suffix), readable and
// writable by the user only; returns its descriptor and puts its name in path, or -1 with errno set.
int CreateUniqueFile(std::string& path);
// Gives a new file the permissions any new file in its folder would get.
void SetUsualPermissions(int descriptor);
// Writes all of data to the descriptor; false (with errno set) on failure.
bool WriteAll(int descriptor, const void* data, size_t size);
// Moves the descriptor's file position to offset bytes from the start; false (with errno set) on
// failure.
bool SeekTo(int descriptor, long long offset);
// Flushes the file to the disk; false (with errno set) when the system refuses.
bool SyncFile(int descriptor);
// Closes the descriptor; false (with errno set) when the last writes failed.
bool CloseFile(int descriptor);
// Renames from over to, replacing to at once if it exists; false (with errno set) on failure.
bool RenameOver(const std::string& from, const std::string& to);

// Where an existing file lives: its device (volume) and its number there, the same for every path,
// symbolic link or hard link that leads to it; nothing when the file cannot be reached.
struct FileNumber {
  uint64_t device = 0;
  uint64_t number = 0;
};
std::optional<FileNumber> NumberOfFile(const std::string& path);

// The folder of the running program, or empty when it cannot be told.
std::filesystem::path ProgramFolder();
// True when the standard error stream is a terminal (progress is drawn only there).
bool ErrorStreamIsTerminal();

} // namespace kolmari::render::platform
