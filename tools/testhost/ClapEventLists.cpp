#include "ClapEventLists.h"

#include <algorithm>
#include <cstring>

namespace kolmari::testhost {

ClapInputEvents::ClapInputEvents() {
  mList.ctx = this;
  mList.size = [](const clap_input_events_t* list) -> uint32_t {
    return static_cast<uint32_t>(static_cast<const ClapInputEvents*>(list->ctx)->mEvents.size());
  };
  mList.get = [](const clap_input_events_t* list, uint32_t index) -> const clap_event_header_t* {
    const auto* self = static_cast<const ClapInputEvents*>(list->ctx);
    if (index >= self->mEvents.size()) return nullptr;
    return reinterpret_cast<const clap_event_header_t*>(self->mEvents[index].data());
  };
}

void ClapInputEvents::AddParamValue(uint32_t time, clap_id id, double value) {
  clap_event_param_value_t event{};
  event.header = {sizeof event, time, CLAP_CORE_EVENT_SPACE_ID, CLAP_EVENT_PARAM_VALUE, 0};
  event.param_id = id;
  event.note_id = -1;
  event.port_index = -1;
  event.channel = -1;
  event.key = -1;
  event.value = value;
  std::vector<uint64_t> words((sizeof event + 7) / 8);
  std::memcpy(words.data(), &event, sizeof event);
  const auto after = std::find_if(mEvents.begin(), mEvents.end(), [time](const std::vector<uint64_t>& e) {
    return reinterpret_cast<const clap_event_header_t*>(e.data())->time > time;
  });
  mEvents.insert(after, std::move(words));
}

void ClapInputEvents::AddRaw(const void* event, size_t size) {
  std::vector<uint64_t> words(std::max<size_t>((size + 7) / 8, (sizeof(clap_event_header_t) + 7) / 8));
  std::memcpy(words.data(), event, size);
  mEvents.push_back(std::move(words));
}

ClapOutputEvents::ClapOutputEvents() {
  mList.ctx = this;
  mList.try_push = [](const clap_output_events_t* list, const clap_event_header_t* event) {
    auto* self = static_cast<ClapOutputEvents*>(list->ctx);
    if (!event || event->space_id != CLAP_CORE_EVENT_SPACE_ID) return false;
    ClapOutputEvent kept;
    kept.type = event->type;
    kept.time = event->time;
    if (event->type == CLAP_EVENT_PARAM_VALUE && event->size >= sizeof(clap_event_param_value_t)) {
      const auto* value = reinterpret_cast<const clap_event_param_value_t*>(event);
      kept.paramId = value->param_id;
      kept.value = value->value;
    } else if ((event->type == CLAP_EVENT_PARAM_GESTURE_BEGIN || event->type == CLAP_EVENT_PARAM_GESTURE_END) &&
               event->size >= sizeof(clap_event_param_gesture_t)) {
      kept.paramId = reinterpret_cast<const clap_event_param_gesture_t*>(event)->param_id;
    } else {
      return false;
    }
    self->mEvents.push_back(kept);
    return true;
  };
}

} // namespace kolmari::testhost
