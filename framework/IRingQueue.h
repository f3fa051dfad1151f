#pragma once

#include <array>
#include <atomic>
#include <cstddef>

namespace lumen {

// A fixed-capacity queue between exactly one producer thread and one consumer thread, without
// locks and without allocation: N + 1 slots hold at most N items, copied by value. A push onto a
// full queue drops the new item, so the producer never waits.
//
// The write index belongs to the producer and the read index to the consumer. Each side publishes
// its index with a release store and reads the other side's with an acquire load, so an item's
// bytes are visible before the index that hands it over.
template <typename T, size_t N>
class IRingQueue {
  static_assert(N > 0, "a queue holds at least one item");

public:
  static constexpr size_t kCapacity = N;

  // Producer side. False, with the item dropped, when the queue is full.
  bool Push(const T& item) {
    const size_t write = mWrite.load(std::memory_order_relaxed);
    const size_t next = Advance(write);
    if (next == mRead.load(std::memory_order_acquire)) return false;
    mSlots[write] = item;
    mWrite.store(next, std::memory_order_release);
    return true;
  }

  // Consumer side. False, with item untouched, when the queue is empty.
  bool Pop(T& item) {
    const size_t read = mRead.load(std::memory_order_relaxed);
    if (read == mWrite.load(std::memory_order_acquire)) return false;
    item = mSlots[read];
    mRead.store(Advance(read), std::memory_order_release);
    return true;
  }

  // The number of items waiting; exact only when neither side is active.
  size_t Count() const {
    const size_t write = mWrite.load(std::memory_order_acquire);
    const size_t read = mRead.load(std::memory_order_acquire);
    return write >= read ? write - read : write + kSlots - read;
  }

  bool Empty() const { return Count() == 0; }

private:
  static constexpr size_t kSlots = N + 1;
  static constexpr size_t Advance(size_t index) { return index + 1 == kSlots ? 0 : index + 1; }

  std::array<T, kSlots> mSlots{};
  // On separate cache lines, so the two sides do not slow each other down.
  alignas(64) std::atomic<size_t> mWrite{0};
  alignas(64) std::atomic<size_t> mRead{0};
};

} // namespace lumen
