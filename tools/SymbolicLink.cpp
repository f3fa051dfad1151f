#include "SymbolicLink.h"

#include <filesystem>
#include <system_error>

namespace kolmari::render {

namespace fs = std::filesystem;

std::string SymbolicLink::FinalTarget(const std::string& path) {
  // The system's own limit on links followed in one lookup.
  constexpr int kMaxHops = 40;
  fs::path current(path);
  std::error_code ec;
  for (int hops = 0; hops < kMaxHops && fs::is_symlink(fs::symlink_status(current, ec)); ++hops) {
    const fs::path target = fs::read_symlink(current, ec);
    if (ec) break;
    current = target.is_absolute() ? target : current.parent_path() / target;
  }
  return current.string();
}

} // namespace kolmari::render
