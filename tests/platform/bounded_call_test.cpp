// Blocking calls with a time-out of our own: host-name lookups that a silent name server
// would otherwise hold for as long as it likes.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <future>
#include <memory>
#include <mutex>
#include <string>
#include <thread>

#include "platform/bounded_call.h"
#include "platform/posix/address_lookup.h"

namespace platform {
namespace {

using Clock = std::chrono::steady_clock;

// Holds a call until released, as a name server that does not answer would.
struct Gate {
  std::mutex mutex;
  std::condition_variable opened;
  bool open = false;
  void release() {
    std::lock_guard guard(mutex);
    open = true;
    opened.notify_all();
  }
  void pass() {
    std::unique_lock lock(mutex);
    opened.wait(lock, [this] { return open; });
  }
};

// Counts its own destruction, so a dropped result can be seen to be freed.
struct Counted {
  std::shared_ptr<std::atomic<int>> freed;
  explicit Counted(std::shared_ptr<std::atomic<int>> f) : freed(std::move(f)) {}
  Counted(Counted&& o) noexcept : freed(std::move(o.freed)) {}
  ~Counted() {
    if (freed) ++*freed;
  }
};

TEST(BoundedCall, AQuickCallGivesItsResult) {
  std::atomic<bool> stop{false};
  std::optional<std::string> got = callWithin<std::string>([] { return std::string("done"); }, 5000, stop);
  ASSERT_TRUE(got.has_value());
  EXPECT_EQ(*got, "done");
}

TEST(BoundedCall, ACallPastItsTimeIsLeftBehindAndItsResultFreedWhenItEnds) {
  auto gate = std::make_shared<Gate>();
  auto freed = std::make_shared<std::atomic<int>>(0);
  std::atomic<bool> stop{false};
  Clock::time_point began = Clock::now();
  std::optional<Counted> got = callWithin<Counted>(
      [gate, freed] {
        gate->pass();
        return Counted(freed);
      },
      200, stop);
  auto waited = Clock::now() - began;
  EXPECT_FALSE(got.has_value());
  EXPECT_GE(waited, std::chrono::milliseconds(190));
  EXPECT_LT(waited, std::chrono::seconds(10));
  gate->release();
  for (int i = 0; i < 500 && freed->load() == 0; ++i) std::this_thread::sleep_for(std::chrono::milliseconds(10));
  EXPECT_GE(freed->load(), 1);
}

TEST(BoundedCall, AStopEndsTheWaitLongBeforeTheTimeOut) {
  auto gate = std::make_shared<Gate>();
  std::atomic<bool> stop{false};
  Clock::time_point began = Clock::now();
  std::future<bool> waiting = std::async(std::launch::async, [&] {
    return callWithin<int>(
               [gate] {
                 gate->pass();
                 return 1;
               },
               60000, stop)
        .has_value();
  });
  std::this_thread::sleep_for(std::chrono::milliseconds(50));
  stop = true;
  EXPECT_FALSE(waiting.get());
  EXPECT_LT(Clock::now() - began, std::chrono::seconds(10));
  gate->release();
}

TEST(AddressLookup, DottedAddressesAndLocalNamesResolve) {
  std::atomic<bool> stop{false};
  std::optional<posix::AddressList> dotted = posix::lookUpWithin("127.0.0.1", "80", AF_INET, 1000, stop);
  ASSERT_TRUE(dotted.has_value());
  ASSERT_TRUE(*dotted);
  EXPECT_EQ((*dotted)->ai_family, AF_INET);
  std::optional<posix::AddressList> local = posix::lookUpWithin("localhost", "80", AF_UNSPEC, 5000, stop);
  ASSERT_TRUE(local.has_value());
  EXPECT_TRUE(*local);
  std::optional<posix::AddressList> bad = posix::lookUpWithin("no such host..invalid", "80", AF_UNSPEC, 5000, stop);
  ASSERT_TRUE(bad.has_value());
  EXPECT_FALSE(*bad);
}

}  // namespace
}  // namespace platform
