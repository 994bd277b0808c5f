// downloadFile and DownloadTask with real files: fresh, resumed, refused records, end states.
#include <gtest/gtest.h>

#include <time.h>

#include <filesystem>
#include <thread>

#include "state/app_state.h"
#include "patching/file_download.h"
#include "download/engine_fixture.h"
#include "download/source_set.h"
#include "download/task_state_blob.h"
#include "fakes/fake_platform.h"
#include "platform/posix/posix_files.h"

namespace download {
namespace {

using dltest::TestServer;
using patching::downloadFile;
using patching::kComplete;
using patching::kIncomplete;
using patching::kNotStarted;

// Real files on a volume that may claim to be nearly full.
struct VolumeFiles : platform::posix::PosixFiles {
  std::atomic<int64_t> freeBytes{-1};  // -1: the volume's own answer
  bool freeSpace(const std::string& path, int64_t& bytes) override {
    if (freeBytes < 0) return PosixFiles::freeSpace(path, bytes);
    bytes = freeBytes;
    return true;
  }
};

// A launcher whose files are real, in a temporary folder.
struct RealLauncher {
  RealLauncher() {
    app.downloadTask.engine().setRules(dltest::quickRetries(1));
    app.onDownloadStarted = [this] { record("started"); };
    app.onDownloadEnded = [this] { record("ended"); };
    app.onDownloadRefresh = [this] { record("refresh"); };
  }
  void record(const char* what) {
    std::lock_guard guard(mutex);
    hooks.push_back(what);
  }
  std::vector<std::string> hookCalls() {
    std::lock_guard guard(mutex);
    return hooks;
  }

  fakes::FakePlatform fake;
  VolumeFiles files;
  platform::Platform bundle{fake.system, files,        fake.processes, fake.instance, fake.presence,
                            fake.http,   fake.network, fake.registry,  fake.shell,    fake.ini,
                            fake.shortcuts, fake.starter};
  ui::Window window{text::DisplayCode::SC};
  state::AppState app{bundle, window, text::DisplayCode::SC};
  std::mutex mutex;
  std::vector<std::string> hooks;
};

class DownloadFileTest : public ::testing::Test {
 protected:
  dltest::TempFolder folder;
  std::string target = folder.path("data.pak");
  std::string tmp = target + ".tmp";
  std::string work = tmp + ".work";

  // Starts a download on a worker thread and stops it (as the process ending would) once
  // part of it has arrived and its state was saved; returns the saved record.
  std::string interruptedDownload(TestServer& slow) { return interruptedDownload(slow.url(), target); }
  std::string interruptedDownload(const std::string& url, const std::string& into) {
    RealLauncher first;
    int result = -1;
    std::thread worker([&] { result = downloadFile(first.app, url, into, 1, 1); });
    while (first.app.downloadTask.receivedBytes() < 200000) std::this_thread::sleep_for(std::chrono::milliseconds(5));
    EXPECT_TRUE(first.app.downloadTask.saveState(first.files, "", false));
    first.app.downloadTask.engine().destroy();
    worker.join();
    EXPECT_EQ(result, kIncomplete);
    return dltest::readFile(into + ".tmp.work");
  }
};

TEST_F(DownloadFileTest, CompleteDownloadLeavesOnlyTheTmpFileAndDrivesTheHooks) {
  std::string body = dltest::patternBody(700001);
  TestServer server(body);
  RealLauncher launcher;
  EXPECT_EQ(downloadFile(launcher.app, "  " + server.url() + " ", target, 2, 3), kComplete);
  EXPECT_EQ(dltest::readFile(tmp), body);
  EXPECT_FALSE(std::filesystem::exists(work));
  EXPECT_EQ(launcher.app.downloadState.load(), kComplete);
  EXPECT_EQ(launcher.app.downloadIndex, 2);
  EXPECT_EQ(launcher.app.downloadCount, 3);
  EXPECT_EQ(launcher.app.downloadTask.getTotalSize(), 700001);
  EXPECT_EQ(launcher.hookCalls(), (std::vector<std::string>{"started", "ended", "refresh"}));
  // A late timer tick after the end must not bring the state file back.
  EXPECT_FALSE(launcher.app.downloadTask.saveState(launcher.files, "", false));
  EXPECT_FALSE(std::filesystem::exists(work));
}

TEST_F(DownloadFileTest, AnInterruptedDownloadResumesFromItsStateFile) {
  std::string body = dltest::patternBody(900000);
  TestServer server(body);
  server.bytesPerWrite = 4096;
  server.pauseMsPerWrite = 5;
  std::string saved = interruptedDownload(server);
  TaskState state;
  ASSERT_TRUE(decodeTaskState(saved, state));
  EXPECT_TRUE(std::filesystem::exists(tmp));

  server.pauseMsPerWrite = 0;
  server.bytesPerWrite = 65536;
  size_t before = server.requests().size();
  RealLauncher next;  // the next run of the launcher
  EXPECT_EQ(downloadFile(next.app, server.url(), target, 1, 1), kComplete);
  EXPECT_EQ(dltest::readFile(tmp), body);
  EXPECT_FALSE(std::filesystem::exists(work));
  std::vector<int64_t> starts = server.rangeStarts();
  for (size_t i = before; i < starts.size(); ++i) EXPECT_GT(starts[i], 0) << "request " << i;
}

TEST_F(DownloadFileTest, AFileReplacedOnTheServerDropsTheStaleStateSoTheNextRunStartsAfresh) {
  std::string body = dltest::patternBody(900000);
  TestServer server(body);
  server.bytesPerWrite = 4096;
  server.pauseMsPerWrite = 5;
  interruptedDownload(server);
  ASSERT_TRUE(std::filesystem::exists(work));

  // The server now reports another total size for the ranges the record asks for.
  server.pauseMsPerWrite = 0;
  server.rangeTotalDelta = 1000;
  RealLauncher next;
  EXPECT_EQ(downloadFile(next.app, server.url(), target, 1, 1), kIncomplete);
  EXPECT_FALSE(std::filesystem::exists(tmp));
  EXPECT_FALSE(std::filesystem::exists(work));

  server.rangeTotalDelta = 0;
  size_t before = server.requests().size();
  RealLauncher after;
  EXPECT_EQ(downloadFile(after.app, server.url(), target, 1, 1), kComplete);
  EXPECT_EQ(dltest::readFile(tmp), body);
  EXPECT_EQ(server.rangeStarts().at(before), -1);  // from the first byte, without a range
}

TEST_F(DownloadFileTest, AStaleTmpWithoutStateFileIsDeletedAndFetchedFromTheStart) {
  std::string body = dltest::patternBody(300000);
  TestServer server(body);
  dltest::writeFile(tmp, std::string(300000, 'z'));
  RealLauncher launcher;
  EXPECT_EQ(downloadFile(launcher.app, server.url(), target, 1, 1), kComplete);
  EXPECT_EQ(dltest::readFile(tmp), body);
  EXPECT_EQ(server.rangeStarts().front(), -1);
}

TEST_F(DownloadFileTest, AStateFileWithAFlippedByteIsRefusedAndTheDownloadStartsAfresh) {
  std::string body = dltest::patternBody(900000);
  TestServer server(body);
  server.bytesPerWrite = 4096;
  server.pauseMsPerWrite = 5;
  std::string saved = interruptedDownload(server);
  ASSERT_FALSE(saved.empty());
  saved[20] = static_cast<char>(saved[20] ^ 0x10);
  dltest::writeFile(work, saved);
  // Scribble over the data too: a resume from the refused record would keep it.
  dltest::writeFile(tmp, std::string(900000, 'z'));

  server.pauseMsPerWrite = 0;
  size_t before = server.requests().size();
  RealLauncher next;
  EXPECT_EQ(downloadFile(next.app, server.url(), target, 1, 1), kComplete);
  EXPECT_EQ(dltest::readFile(tmp), body);
  EXPECT_FALSE(std::filesystem::exists(work));
  EXPECT_EQ(server.rangeStarts()[before], -1);
}

TEST_F(DownloadFileTest, AStateFileThatDoesNotMatchTheDataFileStartsAfresh) {
  std::string body = dltest::patternBody(300000);
  TestServer server(body);
  TaskState state;
  state.url = Url{"127.0.0.1", server.port(), "/files/patch.bin"};
  state.fileSize = 300000;
  state.segments = SegmentTable::fresh(300000, 5).segments();
  state.segments[0].received = 1000;
  dltest::writeFile(work, encodeTaskState(state));
  dltest::writeFile(tmp, std::string(1000, 'z'));  // truncated data file
  RealLauncher launcher;
  EXPECT_EQ(downloadFile(launcher.app, server.url(), target, 1, 1), kComplete);
  EXPECT_EQ(dltest::readFile(tmp), body);
}

TEST_F(DownloadFileTest, FewerBytesThanAnnouncedGivesTwoAndKeepsTheFiles) {
  std::string body = dltest::patternBody(300000);
  TestServer server(body);
  server.cutAfter = 5000;
  server.cutCount = -1;
  RealLauncher launcher;
  EXPECT_EQ(downloadFile(launcher.app, server.url(), target, 1, 1), kIncomplete);
  EXPECT_EQ(launcher.app.downloadState.load(), kIncomplete);
  EXPECT_TRUE(std::filesystem::exists(tmp));
  EXPECT_LT(launcher.app.downloadTask.getState(), kComplete);
}

TEST_F(DownloadFileTest, AFailureBeforeTheSizeIsKnownIsNeverReportedComplete) {
  TestServer server(dltest::patternBody(1000));
  server.status = 404;
  RealLauncher launcher;  // totalSize is still 0, so the count alone would say "complete"
  EXPECT_EQ(downloadFile(launcher.app, server.url(), target, 1, 1), kIncomplete);
  EXPECT_EQ(launcher.hookCalls(), (std::vector<std::string>{"ended", "refresh"}));
}

TEST_F(DownloadFileTest, WaitingBlocksWithoutBurningTheCoreAndSamplesReadZeroWithoutData) {
  TestServer server(dltest::patternBody(300000));
  server.stallAfter = 50000;
  server.stallCount = -1;
  RealLauncher launcher;
  double cpuSeconds = -1;
  int result = -1;
  std::thread worker([&] {
    timespec a{}, b{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &a);
    result = downloadFile(launcher.app, server.url(), target, 1, 1);
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &b);
    cpuSeconds = static_cast<double>(b.tv_sec - a.tv_sec) + (b.tv_nsec - a.tv_nsec) / 1e9;
  });
  while (launcher.app.downloadTask.receivedBytes() < 250000) std::this_thread::sleep_for(std::chrono::milliseconds(5));
  std::this_thread::sleep_for(std::chrono::milliseconds(1000));
  launcher.app.downloadTask.takeSpeedSample();
  EXPECT_EQ(launcher.app.downloadTask.takeSpeedSample(), 0);
  // A second start while one runs is refused and touches nothing.
  RealLauncher other;
  EXPECT_FALSE(launcher.app.downloadTask.start(other.files, server.url(), folder.path("other"), nullptr, 5, true));
  EXPECT_EQ(launcher.app.downloadTask.tmpPath(), tmp);
  EXPECT_EQ(launcher.app.downloadTask.getState(), 1);
  launcher.app.downloadTask.engine().destroy();
  worker.join();
  EXPECT_EQ(result, kIncomplete);
  EXPECT_GE(cpuSeconds, 0.0);
  EXPECT_LT(cpuSeconds, 0.2);
}

TEST_F(DownloadFileTest, AnAddressThatCannotBeUsedIsNotStarted) {
  RealLauncher launcher;
  EXPECT_EQ(downloadFile(launcher.app, "ftp://127.0.0.1/x", target, 1, 1), kNotStarted);
}

TEST_F(DownloadFileTest, AnAddressWithoutAHostFailsAtOnceAndKeepsTheEarlierPart) {
  RealLauncher launcher;
  dltest::writeFile(tmp, "part");
  dltest::writeFile(work, "state");
  // A missing manifest attribute reads as empty; the stamp is appended all the same.
  EXPECT_EQ(downloadFile(launcher.app, "?t=1796761422", target, 1, 1), kNotStarted);
  EXPECT_EQ(downloadFile(launcher.app, "http://?t=1796761422", target, 1, 1), kNotStarted);
  EXPECT_EQ(downloadFile(launcher.app, "http://#x", target, 1, 1), kNotStarted);
  EXPECT_EQ(dltest::readFile(tmp), "part");
  EXPECT_EQ(dltest::readFile(work), "state");
}

TEST_F(DownloadFileTest, AResumedFileThatHadArrivedWholeEndsCompleteAfterALargerFile) {
  std::string large = dltest::patternBody(700000);
  TestServer server(large);
  RealLauncher launcher;
  ASSERT_EQ(downloadFile(launcher.app, server.url(), target, 1, 2), kComplete);
  // The second file's data and state say every segment is here (killed just before the end).
  std::string small = dltest::patternBody(300000, 9);
  TaskState state;
  state.url = Url{"127.0.0.1", server.port(), "/files/patch.bin"};
  state.fileSize = 300000;
  state.segments = SegmentTable::fresh(300000, 5).segments();
  for (Segment& segment : state.segments) segment.received = segment.length;
  std::string second = folder.path("second.pak");
  dltest::writeFile(second + ".tmp", small);
  dltest::writeFile(second + ".tmp.work", encodeTaskState(state));
  size_t before = server.requests().size();
  EXPECT_EQ(downloadFile(launcher.app, server.url(), second, 2, 2), kComplete);
  EXPECT_EQ(launcher.app.downloadTask.getTotalSize(), 300000);
  EXPECT_EQ(dltest::readFile(second + ".tmp"), small);
  EXPECT_FALSE(std::filesystem::exists(second + ".tmp.work"));
  EXPECT_EQ(server.requests().size(), before);
}

TEST_F(DownloadFileTest, AStateFileOfAnotherAddressIsDroppedButAnotherStampResumes) {
  std::string body = dltest::patternBody(900000);
  std::string other = folder.path("other.pak");
  {
    TestServer old(body);
    old.bytesPerWrite = 4096;
    old.pauseMsPerWrite = 5;
    interruptedDownload(old.url() + "?t=1", target);
    interruptedDownload(old.url() + "?t=1", other);
    // The same file under a new stamp goes on where it stopped.
    old.pauseMsPerWrite = 0;
    old.bytesPerWrite = 65536;
    size_t before = old.requests().size();
    RealLauncher next;
    EXPECT_EQ(downloadFile(next.app, old.url() + "?t=2", target, 1, 1), kComplete);
    EXPECT_EQ(dltest::readFile(tmp), body);
    std::vector<int64_t> starts = old.rangeStarts();
    for (size_t i = before; i < starts.size(); ++i) EXPECT_GT(starts[i], 0) << "request " << i;
  }
  // The operator moved the file to another server and the old one is gone.
  TestServer moved(body);
  RealLauncher next;
  EXPECT_EQ(downloadFile(next.app, moved.url() + "?t=3", other, 1, 1), kComplete);
  EXPECT_EQ(dltest::readFile(other + ".tmp"), body);
  EXPECT_EQ(moved.rangeStarts().front(), -1);
}

// The state file names the file's own address; the next run finds it whichever of the file's
// addresses comes first now, and finishes from the sources that still answer.
TEST_F(DownloadFileTest, AStateFileResumesAcrossSourcesWhateverTheirOrder) {
  std::string body = dltest::patternBody(900000);
  TestServer second(body);
  std::string saved;
  {
    TestServer first(body);
    for (TestServer* s : {&first, &second}) {
      s->bytesPerWrite = 4096;
      s->pauseMsPerWrite = 5;
    }
    saved = interruptedDownload(joinAddresses({first.url() + "?t=1", second.url() + "?t=1"}), target);
    // Both served part of it.
    EXPECT_GE(first.requests().size(), 1u);
    EXPECT_GE(second.requests().size(), 1u);
    second.pauseMsPerWrite = 0;
    second.bytesPerWrite = 65536;
  }
  TaskState state;
  ASSERT_TRUE(decodeTaskState(saved, state));
  EXPECT_EQ(state.url.path, "/files/patch.bin?t=1");
  // The first server is gone, and the manifest now lists the second one first.
  size_t before = second.requests().size();
  RealLauncher next;
  std::string gone = "http://127.0.0.1:" + std::to_string(state.url.port) + "/files/patch.bin?t=2";
  EXPECT_EQ(downloadFile(next.app, joinAddresses({second.url() + "?t=2", gone}), target, 1, 1), kComplete);
  EXPECT_EQ(dltest::readFile(tmp), body);
  EXPECT_FALSE(std::filesystem::exists(work));
  std::vector<int64_t> starts = second.rangeStarts();
  ASSERT_GT(starts.size(), before);
  for (size_t i = before; i < starts.size(); ++i) EXPECT_GT(starts[i], 0) << "request " << i;
  // A record that names none of the addresses is stale: the file is fetched from its start.
  RealLauncher other;
  std::string elsewhere = folder.path("elsewhere.pak");
  second.pauseMsPerWrite = 5;
  second.bytesPerWrite = 4096;
  interruptedDownload(second.url() + "?t=3", elsewhere);
  TestServer third(body);
  EXPECT_EQ(downloadFile(other.app, joinAddresses({third.url(), third.url("/other")}), elsewhere, 1, 1), kComplete);
  EXPECT_EQ(third.rangeStarts().front(), -1);
}

TEST_F(DownloadFileTest, AFileReplacedByOneOfTheSameSizeIsNeverMixed) {
  std::string body = dltest::patternBody(900000);
  TestServer server(body);
  server.setBody(body, "\"v1\"");
  server.bytesPerWrite = 4096;
  server.pauseMsPerWrite = 5;
  interruptedDownload(server);
  TaskState state;
  ASSERT_TRUE(decodeTaskState(dltest::readFile(work), state));
  EXPECT_EQ(state.validator, "\"v1\"");
  for (const std::string& request : server.requests()) {
    if (request.find("Range: ") != std::string::npos) {
      EXPECT_NE(request.find("If-Range: \"v1\"\r\n"), std::string::npos);
    }
  }

  std::string replaced = dltest::patternBody(900000, 11);
  server.setBody(replaced, "\"v2\"");
  server.pauseMsPerWrite = 0;
  server.bytesPerWrite = 65536;
  // The resumed ranges are answered with the whole new file: that run starts afresh at once.
  RealLauncher next;
  EXPECT_EQ(downloadFile(next.app, server.url(), target, 1, 1), kComplete);
  EXPECT_EQ(dltest::readFile(tmp), replaced);
  EXPECT_FALSE(std::filesystem::exists(work));
}

// A record of another size than the one the caller expects is dropped unread; a server's
// size the volume has no room for is refused before the file is made.
TEST_F(DownloadFileTest, TheExpectedSizeAndTheRoomOnTheVolumeDecideBeforeAnythingIsWritten) {
  std::string body = dltest::patternBody(900000);
  TestServer server(body);
  server.bytesPerWrite = 4096;
  server.pauseMsPerWrite = 5;
  interruptedDownload(server);
  ASSERT_TRUE(std::filesystem::exists(work));

  std::string replaced = dltest::patternBody(800000, 11);
  server.setBody(replaced, "");
  server.pauseMsPerWrite = 0;
  size_t before = server.requests().size();
  RealLauncher next;
  next.app.downloadTask.expectSizeOfNextStart(800000);
  EXPECT_EQ(downloadFile(next.app, server.url(), target, 1, 1), kComplete);
  EXPECT_EQ(dltest::readFile(tmp), replaced);
  EXPECT_EQ(server.rangeStarts().at(before), -1);  // the stale record was never resumed
  EXPECT_EQ(next.app.downloadTask.expectedSizeOfNextStart(), 0);  // taken by that start

  std::filesystem::remove(tmp);
  server.announcedLength = int64_t{954} << 20;
  RealLauncher full;
  full.files.freeBytes = 2000000;
  EXPECT_EQ(downloadFile(full.app, server.url(), target, 1, 1), kIncomplete);
  EXPECT_FALSE(std::filesystem::exists(tmp));
  EXPECT_EQ(full.app.downloadTask.failure(), DownloadFailure::noRoom);
  EXPECT_EQ(full.app.downloadTask.learnedSize(), int64_t{954} << 20);
}

// The support log learns of each download: the address without its stamp, the bytes, the
// part an earlier run had fetched, the connections and the outcome.
TEST_F(DownloadFileTest, EachDownloadIsNotedWithItsFiguresInTheSupportLog) {
  std::string body = dltest::patternBody(900000);
  TestServer server(body);
  server.bytesPerWrite = 4096;
  server.pauseMsPerWrite = 5;
  interruptedDownload(server);
  TaskState saved;
  ASSERT_TRUE(decodeTaskState(dltest::readFile(work), saved));
  int64_t resumed = 0;
  for (const Segment& s : saved.segments) resumed += s.received;
  ASSERT_GT(resumed, 0);

  server.pauseMsPerWrite = 0;
  RealLauncher next;
  std::string logPath = folder.path("launcher.log");
  next.app.log.open(logPath);
  EXPECT_EQ(downloadFile(next.app, server.url() + "?t=1234567890", target, 1, 1), kComplete);
  EXPECT_EQ(downloadFile(next.app, "no address", target, 1, 1), kNotStarted);
  std::string log = dltest::readFile(logPath);
  EXPECT_NE(log.find(" download \"" + server.url() + "\" to \"" + tmp + "\": complete, 900000 of 900000 bytes, " +
                     std::to_string(resumed) + " resumed, up to 5 connections, "),
            std::string::npos)
      << log;
  EXPECT_NE(log.find(" download \"no address\" to \"" + tmp + "\": not started, 0 bytes of an unknown size, 0 resumed, "),
            std::string::npos)
      << log;
  EXPECT_EQ(log.find("?t="), std::string::npos) << "the cache-busting stamp was logged";
}

}  // namespace
}  // namespace download
