#include "state/worker_threads.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <future>
#include <thread>

namespace {

using namespace std::chrono_literals;

TEST(WorkerThreads, FinishWaitsForThreadsThatAreReturning) {
  state::WorkerThreads workers;
  std::atomic<int> finished{0};
  for (int i = 0; i < 4; ++i)
    workers.start([&finished] {
      std::this_thread::sleep_for(50ms);
      ++finished;
    });
  EXPECT_TRUE(workers.finish(10000));
  EXPECT_EQ(finished.load(), 4);
}

TEST(WorkerThreads, FinishGivesUpOnAThreadThatDoesNotReturnAndLeavesItRunning) {
  std::promise<void> release;
  std::shared_future<void> released = release.get_future().share();
  std::atomic<bool> quickOneDone{false};
  std::atomic<bool> slowOneDone{false};
  {
    state::WorkerThreads workers;
    workers.start([&quickOneDone] { quickOneDone = true; });
    workers.start([released, &slowOneDone] {
      released.wait();
      slowOneDone = true;
    });
    EXPECT_FALSE(workers.finish(100));
    EXPECT_TRUE(quickOneDone.load());
    EXPECT_FALSE(slowOneDone.load());
  }
  // The object is gone; the thread it left behind still ends without touching it.
  release.set_value();
  for (int i = 0; i < 1000 && !slowOneDone; ++i) std::this_thread::sleep_for(5ms);
  EXPECT_TRUE(slowOneDone.load());
}

TEST(WorkerThreads, AWorkerMayStartAnotherAndBothAreWaitedFor) {
  state::WorkerThreads workers;
  std::atomic<bool> innerDone{false};
  workers.start([&workers, &innerDone] {
    workers.start([&innerDone] {
      std::this_thread::sleep_for(50ms);
      innerDone = true;
    });
  });
  EXPECT_TRUE(workers.finish(10000));
  EXPECT_TRUE(innerDone.load());
}

}  // namespace
