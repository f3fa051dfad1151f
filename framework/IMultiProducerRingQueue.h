#pragma once

#include <array>
#include <atomic>
#include <cstddef>

namespace lumen {

// A fixed-capacity queue that any number of producer threads may push to and one consumer thread
// pops from, without locks and without allocation. It holds at most N items (N a power of two),
// copied by value; a push onto a full queue drops the new item, so no producer ever waits.
//
// Hosts set parameter values from more than one thread (the audio thread while playing automation,
// the main thread for edits and text entry), so the queue that carries those values to the editor
// must not assume a single producer.
//
// Every slot carries a sequence number. A producer claims a slot by advancing the shared write
// position with a compare-and-swap, fills it, then publishes it by storing the next sequence
// number with release order; the consumer takes a slot only once that number says it is full.
template <typename T, size_t N>
class IMultiProducerRingQueue {
  static_assert(N > 0 && (N & (N - 1)) == 0, "the capacity is a power of two");

public:
  static constexpr size_t kCapacity = N;

  IMultiProducerRingQueue() {
    for (size_t i = 0; i < N; ++i) mSlots[i].sequence.store(i, std::memory_order_relaxed);
  }
  IMultiProducerRingQueue(const IMultiProducerRingQueue&) = delete;
  IMultiProducerRingQueue& operator=(const IMultiProducerRingQueue&) = delete;

  // Any thread. False, with the item dropped, when the queue is full.
  bool Push(const T& item) {
    size_t position = mWrite.load(std::memory_order_relaxed);
    for (;;) {
      Slot& slot = mSlots[position & kMask];
      const size_t sequence = slot.sequence.load(std::memory_order_acquire);
      const auto difference = static_cast<std::ptrdiff_t>(sequence - position);
      if (difference == 0) {
        if (mWrite.compare_exchange_weak(position, position + 1, std::memory_order_relaxed)) {
          slot.item = item;
          slot.sequence.store(position + 1, std::memory_order_release);
          return true;
        }
      } else if (difference < 0) {
        return false; // full: the slot still holds an item the consumer has not taken
      } else {
        position = mWrite.load(std::memory_order_relaxed);
      }
    }
  }

  // The one consumer thread. False, with item untouched, when nothing is ready.
  bool Pop(T& item) {
    const size_t position = mRead.load(std::memory_order_relaxed);
    Slot& slot = mSlots[position & kMask];
    const size_t sequence = slot.sequence.load(std::memory_order_acquire);
    if (sequence != position + 1) return false;
    item = slot.item;
    slot.sequence.store(position + N, std::memory_order_release);
    mRead.store(position + 1, std::memory_order_relaxed);
    return true;
  }

private:
  static constexpr size_t kMask = N - 1;

  struct Slot {
    std::atomic<size_t> sequence{0};
    T item{};
  };

  std::array<Slot, N> mSlots;
  alignas(64) std::atomic<size_t> mWrite{0};
  alignas(64) std::atomic<size_t> mRead{0};
};

} // namespace lumen
