#pragma once

#include <cstdint>

namespace lumen {

// A parameter value on its way from the host side to the editor: the real value, not normalised.
struct ParamUpdate {
  int32_t index = -1;
  double value = 0.0;
};

} // namespace lumen
