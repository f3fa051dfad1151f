#include "StateFile.h"

#include "ToolError.h"
#include "ToolPlatform.h"

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <fstream>

namespace kolmari::render {

std::vector<uint8_t> StateFile::Read(const std::string& path) {
  namespace fs = std::filesystem;
  const std::string cannot = "cannot read state " + Quoted(path) + ": ";
  std::error_code ec;
  const fs::file_status status = fs::status(path, ec);
  if (!fs::exists(status)) throw ToolError(cannot + "no such file");
  if (fs::is_directory(status)) throw ToolError(cannot + "it is a directory");
  const uintmax_t size = fs::is_regular_file(status) ? fs::file_size(path, ec) : 0;
  if (ec) throw ToolError(cannot + ec.message());
  if (size > kMaxBytes)
    throw ToolError(cannot + "it has " + std::to_string(size) + " bytes, more than plug-in settings take");

  std::ifstream in(path, std::ios::binary);
  if (!in) throw ToolError(cannot + std::strerror(errno));
  std::vector<uint8_t> bytes(static_cast<size_t>(size));
  in.read(reinterpret_cast<char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
  if (in.gcount() != static_cast<std::streamsize>(bytes.size())) throw ToolError(cannot + "it ends early");
  if (bytes.empty()) throw ToolError(cannot + "the file is empty");
  return bytes;
}

StateFileWriter::StateFileWriter(const std::string& path, const std::vector<uint8_t>& bytes) : mTemp(path) {
  if (!platform::WriteAll(mTemp.Descriptor(), bytes.data(), bytes.size())) mTemp.Fail(std::strerror(errno));
}

} // namespace kolmari::render
