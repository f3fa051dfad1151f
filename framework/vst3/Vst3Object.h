#pragma once

#include "HostCallGuard.h"
#include "Vst3Interfaces.h"

#include <atomic>
#include <cstdint>
#include <utility>

namespace lumen::vst3 {

// What every COM object of the binding shares: the slots it hands the host, one reference count
// for all of them, and the three FUnknown entries that lead from a slot back to the object.
//
// An object (Owner) derives from Vst3Object<Owner> and answers Interface(iid) with the slot of the
// interface asked for (a reference added) or null. It starts with one reference and deletes itself
// when the last one goes; its destructor may be private if it befriends Vst3Object<Owner>.
// AddRef and Release may come on any thread.
template <typename Owner>
class Vst3Object {
public:
  // What the host holds: a pointer to an interface's method record, then the object.
  struct Slot {
    const void* methods;
    Owner* owner;
  };
  static Owner* FromSelf(void* self) { return static_cast<Slot*>(self)->owner; }

  uint32_t AddRef() { return ++mRefs; }
  uint32_t Release() {
    const uint32_t left = --mRefs;
    if (left == 0) delete static_cast<Owner*>(this);
    return left;
  }

  // The FUnknown entries of every interface record of Owner.
  static v3_result V3_API QueryInterfaceEntry(void* self, const v3_tuid iid, void** obj) {
    if (!obj) return V3_INVALID_ARG;
    *obj = FromSelf(self)->Interface(iid);
    return *obj ? V3_OK : V3_NO_INTERFACE;
  }
  static uint32_t V3_API AddRefEntry(void* self) { return FromSelf(self)->AddRef(); }
  static uint32_t V3_API ReleaseEntry(void* self) { return FromSelf(self)->Release(); }
  static constexpr v3_funknown kUnknown{&QueryInterfaceEntry, &AddRefEntry, &ReleaseEntry};

protected:
  Vst3Object() = default;
  ~Vst3Object() = default;

private:
  std::atomic<uint32_t> mRefs{1};
};

// The framework's guard with this interface's failure code.
template <typename F>
v3_result Guarded(F&& f) {
  return GuardHostCall<v3_result>(V3_INTERNAL_ERR, std::forward<F>(f));
}

} // namespace lumen::vst3
