#include "WinUpdateRegion.h"

#include <cstdint>

namespace lumen::canvas {

std::vector<RECT> UpdateRegionRectangles(HRGN region) {
  std::vector<RECT> rects;
  RECT box{};
  const int kind = GetRgnBox(region, &box);
  if (kind != SIMPLEREGION && kind != COMPLEXREGION) return rects;
  if (kind == COMPLEXREGION) {
    const DWORD size = GetRegionData(region, 0, nullptr);
    if (size >= sizeof(RGNDATAHEADER) && size <= kMaxRegionData) {
      // RGNDATA is a header followed by RECTs: aligned for both.
      alignas(RGNDATA) uint8_t buffer[kMaxRegionData];
      auto* data = reinterpret_cast<RGNDATA*>(buffer);
      if (GetRegionData(region, size, data) != 0 && data->rdh.iType == RDH_RECTANGLES) {
        const DWORD room = (size - sizeof(RGNDATAHEADER)) / sizeof(RECT);
        const DWORD count = data->rdh.nCount <= room ? data->rdh.nCount : room;
        const auto* first = reinterpret_cast<const RECT*>(data->Buffer);
        rects.assign(first, first + count);
        if (!rects.empty()) return rects;
      }
    }
  }
  rects.push_back(box);
  return rects;
}

} // namespace lumen::canvas
