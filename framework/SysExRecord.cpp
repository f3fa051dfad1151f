#include "SysExRecord.h"

#include <algorithm>
#include <cstring>

namespace lumen {

SysExRecord SysExRecord::FromMessage(const ISysExMessage& message) {
  SysExRecord record;
  record.offset = message.offset;
  record.size = std::clamp(message.size, 0, kMaxData);
  if (message.data) std::memcpy(record.data, message.data, static_cast<size_t>(record.size));
  return record;
}

} // namespace lumen
