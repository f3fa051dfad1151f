// The queue several producers may push to: order, capacity, dropping, and producers on many threads.
#include "IMultiProducerRingQueue.h"
#include "ParamUpdate.h"

#include <gtest/gtest.h>

#include <atomic>
#include <memory>
#include <thread>
#include <vector>

namespace lumen {
namespace {

TEST(IMultiProducerRingQueue, HoldsNItemsInOrderAndDropsTheNextAcrossWrapArounds) {
  IMultiProducerRingQueue<int, 4> q;
  int v = -1;
  EXPECT_FALSE(q.Pop(v));
  int next = 0;
  int expected = 0;
  for (int round = 0; round < 50; ++round) {
    for (int i = 0; i < 4; ++i) ASSERT_TRUE(q.Push(next++));
    ASSERT_FALSE(q.Push(-1)) << "a fifth item does not fit";
    for (int i = 0; i < 4; ++i) {
      ASSERT_TRUE(q.Pop(v));
      ASSERT_EQ(v, expected++);
    }
    EXPECT_FALSE(q.Pop(v));
  }
}

TEST(IMultiProducerRingQueue, TheFirst512ParameterUpdatesArriveAndThe513thIsDropped) {
  auto q = std::make_unique<IMultiProducerRingQueue<ParamUpdate, 512>>();
  for (int i = 0; i < 512; ++i) ASSERT_TRUE(q->Push(ParamUpdate{i, i * 0.25}));
  EXPECT_FALSE(q->Push(ParamUpdate{512, 0.0}));
  ParamUpdate u;
  for (int i = 0; i < 512; ++i) {
    ASSERT_TRUE(q->Pop(u));
    ASSERT_EQ(u.index, i);
    ASSERT_EQ(u.value, i * 0.25);
  }
  EXPECT_FALSE(q->Pop(u));
}

// Four producers push numbered updates (retrying while full) while one consumer pops: every update
// arrives exactly once, whole, and each producer's updates in the order it pushed them.
TEST(IMultiProducerRingQueueThreads, ManyProducersLoseTearAndReorderNothing) {
  constexpr int kProducers = 4;
  constexpr int kItems = 50000;
  IMultiProducerRingQueue<ParamUpdate, 32> q;
  std::vector<std::thread> producers;
  for (int p = 0; p < kProducers; ++p) {
    producers.emplace_back([&q, p] {
      for (int i = 0; i < kItems; ++i) {
        while (!q.Push(ParamUpdate{p, static_cast<double>(i)})) std::this_thread::yield();
      }
    });
  }
  std::vector<int> next(kProducers, 0);
  int received = 0;
  ParamUpdate u;
  while (received < kProducers * kItems) {
    if (!q.Pop(u)) {
      std::this_thread::yield();
      continue;
    }
    ASSERT_GE(u.index, 0);
    ASSERT_LT(u.index, kProducers);
    ASSERT_EQ(u.value, static_cast<double>(next[static_cast<size_t>(u.index)])) << "producer " << u.index;
    ++next[static_cast<size_t>(u.index)];
    ++received;
  }
  for (auto& t : producers) t.join();
  EXPECT_FALSE(q.Pop(u));
}

} // namespace
} // namespace lumen
