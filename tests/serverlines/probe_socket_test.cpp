#include <gtest/gtest.h>

#include <condition_variable>

#include "line_fixture.h"
#include "loopback_server.h"
#include "ui/component_names.h"
#include "ui/probe_socket.h"

namespace serverlines {
namespace {

using namespace ui::names;

// An echo that answers only when the test lets it.
struct HeldEcho : platform::Network {
  std::mutex mutex;
  std::condition_variable released;
  bool open = false;
  int answerMs = 42;
  int icmpEcho(const std::string&, int) override {
    std::unique_lock lock(mutex);
    released.wait(lock, [this] { return open; });
    return answerMs;
  }
  void release() {
    std::lock_guard lock(mutex);
    open = true;
    released.notify_all();
  }
};

// The launcher's window over the real client socket, with echoes held by the test.
struct LiveLines {
  fakes::FakePlatform fake;
  HeldEcho echo;
  platform::Platform bundle{fake.system, fake.files, fake.processes, fake.instance, fake.presence, fake.http,
                            echo,        fake.registry, fake.shell,  fake.ini,      fake.shortcuts, fake.starter};
  LineApp t{bundle};
  ui::ProbeSocket probe{[this] { t.window.socketDataArrived(); }};
  std::vector<std::thread> threads;

  LiveLines() {
    t.window.attachSocketDriver(&probe);
    t.app.spawn = [this](std::function<void()> body) { threads.emplace_back(std::move(body)); };
  }
  ~LiveLines() {
    echo.release();
    for (auto& th : threads) th.join();
    t.window.attachSocketDriver(nullptr);
  }
  void choose(int index) { t.window.raiseSelected(kComboZone, index); }
  ui::Picture status() { return t.window.component(kPictureStatus).picture; }
};

std::string at(int port) { return std::to_string(port); }

TEST(LiveProbe, ASilentLoginServerNeverHoldsTheWindowThread) {
  BlackholePort blackhole;
  LoopbackServer silent("");
  LoopbackServer up("UP!!");
  LiveLines live;
  live.t.loadLines({line("Dropped", "127.0.0.1", at(blackhole.port())), line("Silent", "127.0.0.1", at(silent.port())),
                    line("Up", "127.0.0.1", at(up.port()))});

  live.choose(0);
  live.choose(1);
  ASSERT_TRUE(pumpUntil(live.t.window, [&] { return silent.accepted() == 1; }));
  live.choose(0);
  EXPECT_FALSE(pumpUntil(live.t.window, [&] { return live.status() == ui::Picture::StatusOnline; }, 1));

  live.choose(2);
  ASSERT_TRUE(pumpUntil(live.t.window, [&] { return live.status() == ui::Picture::StatusOnline; }));
  EXPECT_TRUE(live.t.window.component(kButtonStartGame).enabled);
  // The echo is still unanswered: the window thread has moved on regardless.
  EXPECT_EQ(live.t.window.component(kLabelPing).caption, "");
  live.echo.release();
  ASSERT_TRUE(pumpUntil(live.t.window, [&] { return live.t.window.component(kLabelPing).caption == "42ms"; }));

  EXPECT_LT(live.t.window.longestHandlerMicros(), 50'000);
}

TEST(LiveProbe, OnlyTheNewestLineMayAnswer) {
  LoopbackServer upA("AAAA");
  LoopbackServer fiveB("BBBBB");
  LiveLines live;
  live.t.loadLines({line("A", "127.0.0.1", at(upA.port())), line("B", "127.0.0.1", at(fiveB.port()))});
  live.choose(0);
  live.choose(1);
  // Whatever A managed to send before B was chosen, B's five bytes decide.
  ASSERT_TRUE(pumpUntil(live.t.window, [&] { return fiveB.accepted() == 1; }));
  pumpUntil(live.t.window, [] { return false; }, 1);
  EXPECT_EQ(live.status(), ui::Picture::StatusOffline);
  EXPECT_FALSE(live.t.window.component(kButtonStartGame).enabled);
}

TEST(LiveProbe, TheAnswerIsWhatTheSocketHoldsWhenTheWindowHandlesTheArrival) {
  LoopbackServer split("UP", "!!", 30);
  LoopbackServer five("UP", "!!!", 30);
  LiveLines live;
  live.t.loadLines({line("Split", "127.0.0.1", at(split.port())), line("Five", "127.0.0.1", at(five.port()))});
  // The arrival of the first two bytes is queued, but the window gets to it only after the
  // last two are there too: the four bytes together decide.
  live.choose(0);
  ASSERT_TRUE(waitFor([&] { return split.served() == 1 && live.t.window.hasPending(); }));
  std::this_thread::sleep_for(std::chrono::milliseconds(20));
  live.t.window.pump();
  EXPECT_EQ(live.status(), ui::Picture::StatusOnline);
  EXPECT_TRUE(live.t.window.component(kButtonStartGame).enabled);

  live.choose(1);
  ASSERT_TRUE(waitFor([&] { return five.served() == 1 && live.t.window.hasPending(); }));
  std::this_thread::sleep_for(std::chrono::milliseconds(20));
  live.t.window.pump();
  EXPECT_EQ(live.status(), ui::Picture::StatusOffline);
  EXPECT_FALSE(live.t.window.component(kButtonStartGame).enabled);
}

TEST(LiveProbe, ARefusedConnectionLeavesTheLineOffline) {
  int port = 0;
  int closed = listenLoopback(1, port);
  ::close(closed);  // nothing listens there any more
  LiveLines live;
  live.t.loadLines({line("Refused", "127.0.0.1", at(port))});
  live.choose(0);
  EXPECT_FALSE(pumpUntil(live.t.window, [&] { return live.status() == ui::Picture::StatusOnline; }, 1));
  EXPECT_LT(live.t.window.longestHandlerMicros(), 50'000);
}

// A connection whose data is already there but is reported only when the test says so,
// whatever cancel() was told meanwhile.
struct HeldConnection : platform::ProbeConnection {
  std::shared_ptr<HeldEcho> gate;
  explicit HeldConnection(std::shared_ptr<HeldEcho> g) : gate(std::move(g)) {}
  bool waitForData(const std::string& host, int) override {
    gate->icmpEcho(host, 0);
    return true;
  }
  std::string takeAvailable() override { return "DATA"; }
  void cancel() override {}
};

TEST(ProbeSocketDriver, NothingOfARetiredConnectionIsReportedOrTakenAfterDisconnectReturns) {
  auto first = std::make_shared<HeldEcho>();
  auto second = std::make_shared<HeldEcho>();
  int made = 0;
  std::atomic<int> reported{0};
  {
    ui::ProbeSocket probe([&] { ++reported; },
                          [&]() -> std::unique_ptr<platform::ProbeConnection> {
                            return std::make_unique<HeldConnection>(++made == 1 ? first : second);
                          });
    probe.connect("10.0.0.1", 5000);
    EXPECT_EQ(probe.take(), "") << "nothing is read before an arrival is reported";
    probe.disconnect();
    first->release();
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    EXPECT_EQ(reported, 0);
    EXPECT_EQ(probe.take(), "");
    probe.connect("10.0.0.2", 5000);
    second->release();
    EXPECT_TRUE(waitFor([&] { return reported == 1; }));
    EXPECT_EQ(probe.take(), "DATA");
    probe.disconnect();
    EXPECT_EQ(probe.take(), "");
  }
  EXPECT_EQ(reported, 1);
}

// The end of the program closes the driver while an attempt still waits on a server that
// never speaks: close returns once that attempt's thread has ended, and nothing is reported.
TEST(ProbeSocketDriver, CloseEndsAnAttemptThatIsStillWaiting) {
  LoopbackServer silent("");
  std::atomic<int> reported{0};
  std::atomic<bool> waitEnded{false};
  struct Watched : platform::ProbeConnection {
    std::unique_ptr<platform::ProbeConnection> real = platform::makeProbeConnection();
    std::atomic<bool>& ended;
    explicit Watched(std::atomic<bool>& e) : ended(e) {}
    bool waitForData(const std::string& host, int port) override {
      bool arrived = real->waitForData(host, port);
      ended = true;
      return arrived;
    }
    std::string takeAvailable() override { return real->takeAvailable(); }
    void cancel() override { real->cancel(); }
  };
  ui::ProbeSocket probe([&] { ++reported; }, [&]() -> std::unique_ptr<platform::ProbeConnection> {
    return std::make_unique<Watched>(waitEnded);
  });
  probe.connect("127.0.0.1", silent.port());
  ASSERT_TRUE(waitFor([&] { return silent.accepted() == 1; }));
  EXPECT_FALSE(waitEnded.load());
  probe.close();
  EXPECT_TRUE(waitEnded.load());
  EXPECT_EQ(reported, 0);
  EXPECT_EQ(probe.take(), "");
}

TEST(ProbeSocketDriver, PortsOutsideTheTcpRangeMakeNoConnection) {
  int made = 0;
  ui::ProbeSocket probe([] {}, [&]() -> std::unique_ptr<platform::ProbeConnection> {
    ++made;
    return nullptr;
  });
  probe.connect("127.0.0.1", 65536);
  probe.connect("", 80);
  EXPECT_EQ(made, 0);
  probe.connect("127.0.0.1", 65535);
  EXPECT_EQ(made, 1);
}

}  // namespace
}  // namespace serverlines
