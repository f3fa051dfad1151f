#include "MemoryUse.h"

#include <malloc.h>
#include <unistd.h>

#include <fstream>

namespace kolmari::soak {

MemoryUse MemoryUse::Now() {
  MemoryUse use;
  // statm: total program size, then resident pages.
  std::ifstream statm("/proc/self/statm");
  size_t totalPages = 0;
  size_t residentPages = 0;
  if (statm >> totalPages >> residentPages) use.residentBytes = residentPages * static_cast<size_t>(sysconf(_SC_PAGESIZE));
  const struct mallinfo2 info = mallinfo2();
  use.heapBytes = info.uordblks + info.hblkhd;  // small blocks in use, plus blocks of their own mapping
  return use;
}

} // namespace kolmari::soak
