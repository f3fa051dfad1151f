#pragma once

#include <string>

namespace kolmari::render {

// An output's temporary twin: a new, empty, hidden file (".NAME.XXXXXX") in the output's folder,
// with the permissions a new file there would get. Writing into it and committing renames it over
// the output, which replaces the output all at once; the rename never crosses file systems.
// Destroying it before Commit removes it again and leaves any existing output untouched. An output
// that is a symbolic link stays one: the twin is made beside the link's final target and replaces it.
class TempFile {
public:
  // Throws "cannot write 'output': ..." when output cannot be a file or its folder is not writable.
  explicit TempFile(const std::string& output);
  ~TempFile();
  TempFile(const TempFile&) = delete;
  TempFile& operator=(const TempFile&) = delete;

  // Open for writing until Commit or Discard; -1 after.
  int Descriptor() const { return mDescriptor; }

  // Syncs and closes the file, then renames it over the output.
  void Commit();
  // Closes and removes the file; nothing once it is committed or discarded.
  void Discard();
  // Discards the file and throws "cannot write 'output': reason".
  [[noreturn]] void Fail(const std::string& reason);

private:
  std::string mOutput; // as given, for messages
  std::string mTarget; // where it is written: the output, or the final target of its link
  std::string mPath;
  int mDescriptor = -1;
};

} // namespace kolmari::render
