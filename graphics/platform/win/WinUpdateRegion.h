#pragma once

#include <vector>

#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <windows.h>

namespace lumen::canvas {

// The rectangles of a window's update region in window pixels: each rectangle of a complex region
// whose data fits in kMaxRegionData bytes, else the region's bounding box. Nothing for an empty
// or invalid region. The region data is read only into a buffer of its announced size and its
// rectangle count is checked against that size.
inline constexpr DWORD kMaxRegionData = 1024;
std::vector<RECT> UpdateRegionRectangles(HRGN region);

} // namespace lumen::canvas
