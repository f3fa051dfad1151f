// The single-producer single-consumer queue: order, capacity, dropping, and two threads at once.
#include "IRingQueue.h"
#include "ParamUpdate.h"
#include "SysExRecord.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <cstdint>
#include <memory>
#include <thread>
#include <vector>

namespace lumen {
namespace {

TEST(IRingQueue, HoldsNItemsInOrderAndDropsTheNext) {
  IRingQueue<int, 4> q;
  EXPECT_TRUE(q.Empty());
  for (int i = 1; i <= 4; ++i) EXPECT_TRUE(q.Push(i));
  EXPECT_FALSE(q.Push(5));
  EXPECT_EQ(q.Count(), 4u);

  int v = -1;
  for (int i = 1; i <= 4; ++i) {
    ASSERT_TRUE(q.Pop(v));
    EXPECT_EQ(v, i);
  }
  v = -1;
  EXPECT_FALSE(q.Pop(v));
  EXPECT_EQ(v, -1);
}

TEST(IRingQueue, KeepsOrderAcrossManyWrapArounds) {
  IRingQueue<ParamUpdate, 3> q;
  int next = 0;
  int expected = 0;
  for (int round = 0; round < 100; ++round) {
    const int n = 1 + round % 3;
    for (int i = 0; i < n; ++i, ++next) ASSERT_TRUE(q.Push(ParamUpdate{next, next * 0.5}));
    EXPECT_EQ(q.Count(), static_cast<size_t>(n));
    ParamUpdate u;
    while (q.Pop(u)) {
      ASSERT_EQ(u.index, expected);
      ASSERT_EQ(u.value, expected * 0.5);
      ++expected;
    }
  }
  EXPECT_EQ(expected, next);
}

TEST(IRingQueue, TheFirst512ParameterUpdatesArriveAndThe513thIsDropped) {
  auto q = std::make_unique<IRingQueue<ParamUpdate, 512>>();
  for (int i = 0; i < 513; ++i) q->Push(ParamUpdate{i, 0.0});
  ParamUpdate u;
  for (int i = 0; i < 512; ++i) {
    ASSERT_TRUE(q->Pop(u));
    ASSERT_EQ(u.index, i);
  }
  EXPECT_FALSE(q->Pop(u));
}

// One thread pushes a numbered sequence, retrying while the queue is full; the other pops. Every
// number arrives exactly once and in order.
TEST(IRingQueueThreads, ProducerAndConsumerOnTwoThreadsLoseAndReorderNothing) {
  constexpr int kItems = 200000;
  IRingQueue<int, 32> q;
  std::thread producer([&q] {
    for (int i = 0; i < kItems; ++i) {
      while (!q.Push(i)) std::this_thread::yield();
    }
  });
  int expected = 0;
  int v = 0;
  while (expected < kItems) {
    if (q.Pop(v)) {
      ASSERT_EQ(v, expected);
      ++expected;
    } else {
      std::this_thread::yield();
    }
  }
  producer.join();
  EXPECT_FALSE(q.Pop(v));
}

// Large items with a checkable body: the consumer must never see a record whose bytes were not yet
// written. A producer that does not wait loses items, but never delivers a torn one.
TEST(IRingQueueThreads, LargeItemsArriveWholeAndInOrderWhenTheProducerDrops) {
  constexpr int kItems = 20000;
  IRingQueue<SysExRecord, 4> q;
  std::atomic<bool> done{false};
  std::thread producer([&] {
    for (int i = 0; i < kItems; ++i) {
      SysExRecord r;
      r.offset = i;
      r.size = i % (SysExRecord::kMaxData + 1);
      std::fill(r.data, r.data + r.size, static_cast<uint8_t>(i));
      q.Push(r);
    }
    done.store(true, std::memory_order_release);
  });

  int last = -1;
  int received = 0;
  SysExRecord r;
  for (;;) {
    const bool finished = done.load(std::memory_order_acquire);
    if (q.Pop(r)) {
      ASSERT_GT(r.offset, last);
      ASSERT_EQ(r.size, r.offset % (SysExRecord::kMaxData + 1));
      for (int k = 0; k < r.size; ++k) ASSERT_EQ(r.data[k], static_cast<uint8_t>(r.offset));
      last = r.offset;
      ++received;
    } else if (finished) {
      break;
    } else {
      std::this_thread::yield();
    }
  }
  producer.join();
  EXPECT_GT(received, 0);
  EXPECT_LE(received, kItems);
}

} // namespace
} // namespace lumen
