#include "support/support_log.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <atomic>
#include <thread>
#include <vector>

#include <unistd.h>

#include "fakes/fake_platform.h"
#include "platform/posix/posix_files.h"
#include "platform/posix/posix_system.h"

namespace {

using support::kLogCap;
using support::SupportLog;

constexpr const char* kPath = "C:\\Game\\launcher.log";
const std::string kBom = "\xEF\xBB\xBF";

struct LogOnFakes : ::testing::Test {
  fakes::FakeSystem system;
  fakes::FakeFiles files;
  SupportLog log{files, system};

  std::string content() { return files.files.count(kPath) ? files.files[kPath] : "<missing>"; }
};

// Every line of a log body (after the byte-order mark) is whole: a timestamp, text, CR LF.
void expectWholeLines(const std::string& body) {
  ASSERT_EQ(body.rfind(kBom, 0), 0u) << "no byte-order mark at the start";
  std::istringstream in(body.substr(kBom.size()));
  std::string line;
  while (std::getline(in, line)) {
    ASSERT_GE(line.size(), 25u) << line;
    EXPECT_EQ(line.back(), '\r') << line;
    EXPECT_EQ(line[4], '-') << line;
    EXPECT_EQ(line[10], ' ') << line;
    EXPECT_EQ(line[19], '.') << line;
  }
  EXPECT_EQ(body.back(), '\n');
}

TEST_F(LogOnFakes, LinesBeforeOpenWaitInMemoryAndTheFirstPathStays) {
  system.now = {1700000000, 42};  // 2023-11-14 22:13:20 on the local clock
  log.write("early");
  EXPECT_TRUE(files.files.empty());
  EXPECT_FALSE(log.isOpen());

  system.now.seconds += 1;
  log.open(kPath);
  log.open("C:\\Elsewhere\\launcher.log");
  log.write("first");
  system.now.seconds += 1;
  log.write("second");
  EXPECT_EQ(content(), kBom + "2023-11-14 22:13:20.042 early\r\n2023-11-14 22:13:21.042 first\r\n"
                              "2023-11-14 22:13:22.042 second\r\n");
  EXPECT_EQ(files.files.size(), 1u);
}

TEST_F(LogOnFakes, WaitingLinesAreBoundedAndNeverWrittenWithoutOpen) {
  const std::string filler(1000, 'w');
  for (int i = 0; i < 200; ++i) log.write("waiting " + std::to_string(i) + " " + filler);
  EXPECT_TRUE(files.files.empty());
  log.open(kPath);
  std::string body = content();
  EXPECT_LE(body.size(), support::kPendingCap + kBom.size());
  EXPECT_NE(body.find(" waiting 0 "), std::string::npos);
  EXPECT_EQ(body.find(" waiting 199 "), std::string::npos);
  expectWholeLines(body);
}

TEST(LogTimestamp, CalendarDatesAroundLeapDaysCenturiesAndTheEpoch) {
  EXPECT_EQ(support::formatTimestamp({0, 0}), "1970-01-01 00:00:00.000");
  EXPECT_EQ(support::formatTimestamp({951782400, 7}), "2000-02-29 00:00:00.007");
  EXPECT_EQ(support::formatTimestamp({1709251199, 999}), "2024-02-29 23:59:59.999");
  EXPECT_EQ(support::formatTimestamp({4107542400, 0}), "2100-03-01 00:00:00.000");
  EXPECT_EQ(support::formatTimestamp({-1, 500}), "1969-12-31 23:59:59.500");
}

TEST(LogLine, BreaksCannotForgeLinesAndLongLinesAreCutBetweenCharacters) {
  EXPECT_EQ(support::singleLine("name\r\n2023-01-01 00:00:00.000 forged\tline"),
            "name  2023-01-01 00:00:00.000 forged line");
  std::string chinese;
  while (chinese.size() < support::kLongestLine + 10) chinese += "\xE8\xA1\xA5";  // 补, three bytes
  std::string cut = support::singleLine("x" + chinese);
  ASSERT_EQ(cut.substr(cut.size() - 3), "...");
  EXPECT_LE(cut.size(), support::kLongestLine + 3);
  EXPECT_EQ((cut.size() - 4) % 3, 0u) << "a character was split";
  EXPECT_EQ(support::singleLine("short"), "short");
}

TEST_F(LogOnFakes, GrowingPastTheCapDropsTheOlderHalfAtALineBoundary) {
  log.open(kPath);
  const std::string filler(90, 'f');
  int trims = 0;
  size_t previous = 0;
  for (int i = 0; i < 30000; ++i) {
    log.write("line " + std::to_string(i) + " " + filler);
    size_t size = files.files[kPath].size();
    ASSERT_LE(size, static_cast<size_t>(kLogCap)) << "after line " << i;
    if (size < previous) {
      ++trims;
      // About half is kept: the newer half, from the start of a line.
      EXPECT_GE(size, static_cast<size_t>(kLogCap / 2 - 200));
      EXPECT_LE(size, static_cast<size_t>(kLogCap / 2 + 300));
      expectWholeLines(files.files[kPath]);
    }
    previous = size;
  }
  EXPECT_GE(trims, 4);
  std::string body = content();
  expectWholeLines(body);
  EXPECT_NE(body.find(" line 29999 " + filler + "\r\n"), std::string::npos);
  EXPECT_EQ(body.find(" line 0 "), std::string::npos);
  // Kept lines run on without a gap up to the last one.
  size_t first = body.find(" line ") + 6;
  int from = std::stoi(body.substr(first));
  for (int i = from; i < 30000; i += 997)
    EXPECT_NE(body.find(" line " + std::to_string(i) + " "), std::string::npos) << i;
}

TEST_F(LogOnFakes, AnOversizedLogFromElsewhereIsCutBelowTheCapAtTheNextWrite) {
  std::string big;
  for (int i = 0; big.size() < 3 * static_cast<size_t>(kLogCap); ++i) big += "old line " + std::to_string(i) + "\r\n";
  files.files[kPath] = big;
  log.open(kPath);
  log.write("new");
  std::string body = content();
  EXPECT_LE(body.size(), static_cast<size_t>(kLogCap / 2 + 100));
  EXPECT_EQ(body.rfind(kBom + "old line ", 0), 0u) << "not cut at a line boundary";
  EXPECT_EQ(body.substr(body.size() - 5), "new\r\n");
}

TEST_F(LogOnFakes, ANewerHalfWithoutALineEndIsKeptWholeCharactersOnly) {
  EXPECT_EQ(support::keepNewerHalf(std::string(1000, 'x')), std::string(500, 'x') + "\r\n");
  EXPECT_EQ(support::keepNewerHalf("aaaa\nbbbb\ncc\n"), "cc\n");
  // Three-byte characters: the cut moves past the continuation bytes it would land on.
  std::string chinese;
  for (int i = 0; i < 1000; ++i) chinese += "\xE8\xA1\xA5";
  EXPECT_EQ(support::keepNewerHalf("x" + chinese), chinese.substr(1500) + "\r\n");
  // A megabyte without a line end, as a file from elsewhere may be: the next write keeps its
  // newer part and the new line after it.
  files.files[kPath] = std::string(static_cast<size_t>(kLogCap), 'q');
  log.open(kPath);
  log.write("new");
  std::string body = content();
  EXPECT_EQ(body.rfind(kBom + std::string(1000, 'q'), 0), 0u);
  EXPECT_GE(body.size(), static_cast<size_t>(kLogCap / 2));
  EXPECT_LE(body.size(), static_cast<size_t>(kLogCap));
  size_t newLine = body.rfind("q\r\n");
  ASSERT_NE(newLine, std::string::npos);
  EXPECT_EQ(body.substr(newLine + 3 + 24), "new\r\n");  // after the kept part: a timestamped line
}

// A folder that takes no file, a log held open, a disk without room: the launcher goes on as
// if nothing were amiss, and nothing reaches the log.
TEST_F(LogOnFakes, AFailedWriteIsSilent) {
  files.readOnly.insert(kPath);
  log.open(kPath);
  EXPECT_NO_THROW(log.write("lost"));
  EXPECT_EQ(content(), "<missing>");
}

// A log that has to be cut but cannot be read is not cut, and is not allowed to grow either.
struct UnreadableFiles : fakes::FakeFiles {
  bool readWhole(const std::string&, std::string&) override { return false; }
};

TEST(LogCap, ALogThatCannotBeReadIsNeverGrownPastTheCap) {
  fakes::FakeSystem system;
  UnreadableFiles files;
  files.files[kPath] = std::string(kLogCap - 10, 'x');
  SupportLog log(files, system);
  log.open(kPath);
  log.write("this line would pass the cap");
  EXPECT_EQ(files.files[kPath].size(), static_cast<size_t>(kLogCap - 10));
}

// Real files, many threads at once, crossing the cap several times: every line arrives whole,
// none is interleaved with another, and the file stays below the cap. Run under
// ThreadSanitizer as well.
TEST(LogThreads, WritersOnManyThreadsNeverTearALine) {
  std::filesystem::path folder = std::filesystem::temp_directory_path() /
                                 ("support-log-" + std::to_string(::getpid()) + "-" +
                                  std::to_string(reinterpret_cast<uintptr_t>(&folder) & 0xFFFF));
  std::filesystem::create_directories(folder);
  platform::posix::PosixFiles files;
  platform::posix::PosixSystem system;
  SupportLog log(files, system);
  std::string path = (folder / "launcher.log").string();
  log.open(path);

  constexpr int kThreads = 4;
  constexpr int kLines = 2500;
  const std::string filler(120, '=');
  std::vector<std::thread> writers;
  for (int t = 0; t < kThreads; ++t)
    writers.emplace_back([&, t] {
      for (int i = 0; i < kLines; ++i) log.write("thread " + std::to_string(t) + " line " + std::to_string(i) + filler);
    });
  for (auto& w : writers) w.join();

  std::ifstream in(path, std::ios::binary);
  std::string body((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  EXPECT_LE(body.size(), static_cast<size_t>(kLogCap));
  EXPECT_GT(body.size(), static_cast<size_t>(kLogCap / 2));
  expectWholeLines(body);
  // Only the front of the file is ever dropped: what is left of each thread's lines runs
  // on without a gap to its last line.
  std::vector<int> next(kThreads, -1);
  std::istringstream lines(body.substr(kBom.size()));
  int count = 0;
  for (std::string line; std::getline(lines, line); ++count) {
    ASSERT_EQ(line.size(), line.find(filler) + filler.size() + 1) << "a torn line: " << line;
    int t = 0, i = 0;
    ASSERT_EQ(std::sscanf(line.c_str() + 24, "thread %d line %d", &t, &i), 2) << line;
    ASSERT_TRUE(t >= 0 && t < kThreads) << line;
    if (next[t] >= 0) {
      EXPECT_EQ(i, next[t]) << "a line of thread " << t << " is missing";
    }
    next[t] = i + 1;
  }
  int present = 0;
  for (int t = 0; t < kThreads; ++t) {
    if (next[t] < 0) continue;
    ++present;
    EXPECT_EQ(next[t], kLines) << "thread " << t << " lost its last lines";
  }
  EXPECT_GE(present, 1);
  EXPECT_GT(count, 1000);
  std::filesystem::remove_all(folder);
}

// A failure that keeps coming back: the first is noted at once, then at most one line a
// minute with the failures since the last one, across a wrap of the tick counter too.
TEST(RepeatedFailures, TheFirstAtOnceThenOneLineAMinuteWithTheCount) {
  struct Step {
    uint32_t at;
    int64_t count;  // 0: only counted
    bool first;
  };
  struct Case {
    const char* what;
    uint32_t start;
    std::vector<Step> steps;
  };
  const Case cases[] = {
      {"every 5 s for two minutes", 1000,
       {{0, 1, true}, {5000, 0, false}, {55000, 0, false}, {59999, 0, false}, {60000, 4, false},
        {65000, 0, false}, {120000, 2, false}, {125000, 0, false}}},
      {"far apart: each one its own line", 0, {{0, 1, true}, {600000, 1, false}, {1200000, 1, false}}},
      {"across the wrap of the tick count", 0xFFFF8000u,
       {{0, 1, true}, {20000, 0, false}, {40000, 0, false}, {60000, 3, false}, {70000, 0, false}}},
      // A thread that read the clock just before another one noted a line comes late with an
      // earlier time: that is no minute passed.
      {"a time from just before the last line", 100000, {{0, 1, true}, {60000, 1, false}, {59990, 0, false}}},
      {"many at the same moment", 5, {{0, 1, true}, {0, 0, false}, {0, 0, false}, {60000, 3, false}}},
  };
  for (const Case& c : cases) {
    support::RepeatedFailures failures;
    for (size_t i = 0; i < c.steps.size(); ++i) {
      support::RepeatedFailures::Note note = failures.failed(c.start + c.steps[i].at);
      EXPECT_EQ(note.count, c.steps[i].count) << c.what << ", step " << i;
      EXPECT_EQ(note.first, c.steps[i].first) << c.what << ", step " << i;
    }
    EXPECT_EQ(failures.total(), static_cast<int64_t>(c.steps.size())) << c.what;
  }
}

// The engine's connections fail on several threads at once against one clock: no failure is
// lost or counted twice, and the lines stay within one a minute. Run under ThreadSanitizer too.
TEST(RepeatedFailures, ConnectionThreadsAtOnceLoseNoFailure) {
  fakes::FakeSystem clock;
  clock.tickStep = 7;  // time passes with every reading
  support::RepeatedFailures failures;
  constexpr int kThreads = 4;
  constexpr int kEach = 20000;
  std::atomic<int64_t> noted{0};
  std::atomic<int> lines{0};
  std::vector<std::thread> threads;
  uint32_t began = clock.tick.load();
  for (int t = 0; t < kThreads; ++t)
    threads.emplace_back([&] {
      for (int i = 0; i < kEach; ++i) {
        support::RepeatedFailures::Note note = failures.failed(clock.tickCount());
        if (note.count == 0) continue;
        noted += note.count;
        ++lines;
      }
    });
  for (auto& t : threads) t.join();
  uint32_t elapsed = clock.tick.load() - began;
  EXPECT_EQ(failures.total(), int64_t{kThreads} * kEach);
  EXPECT_LE(noted.load(), failures.total());
  EXPECT_GE(lines.load(), 2);
  EXPECT_LE(lines.load(), static_cast<int>(elapsed / support::RepeatedFailures::kSpacingMs) + 1);
  // Whatever the last line did not tell is at most a minute's worth of failures.
  EXPECT_LE(failures.total() - noted.load(), int64_t{support::RepeatedFailures::kSpacingMs / 7 + kThreads});
}

}  // namespace
