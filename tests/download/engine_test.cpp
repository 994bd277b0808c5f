// The engine against a loopback server: fresh, resumed and misbehaving downloads.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <thread>

#include "download/engine_fixture.h"
#include "download/engine_texts.h"
#include "download/task_state_blob.h"

namespace download {
namespace {

using dltest::EventLog;
using dltest::TestServer;

class EngineTest : public ::testing::Test {
 protected:
  dltest::TempFolder folder;
  std::string file;
  EventLog log;
  DownloadEngine engine;

  void SetUp() override {
    file = folder.path("patch.bin.tmp");
    engine.setRules(dltest::quickRetries());
  }
  // Every byte of the file is the source's byte at that offset or still zero.
  static void expectNoForeignBytes(const std::string& got, const std::string& body) {
    ASSERT_EQ(got.size(), body.size());
    size_t wrong = 0;
    for (size_t i = 0; i < got.size(); ++i) wrong += got[i] != 0 && got[i] != body[i];
    EXPECT_EQ(wrong, 0u);
  }
};

TEST_F(EngineTest, FreshDownloadUsesFiveRangesAndIsByteIdentical) {
  std::string body = dltest::patternBody(1000003);
  TestServer server(body);
  ASSERT_TRUE(engine.start(log.params(server.url(), file)));
  ASSERT_TRUE(log.waitForEnd());
  EXPECT_EQ(dltest::readFile(file), body);
  EXPECT_TRUE(engine.completed());
  EXPECT_EQ(log.count(kEventSizeKnown), 1);
  EXPECT_EQ(log.valueOf(kEventSizeKnown), 1000003);
  EXPECT_EQ(log.count(kEventEnded), 1);
  EXPECT_EQ(log.valueOf(kEventEnded), 1000003);
  std::vector<int64_t> starts = server.rangeStarts();
  ASSERT_EQ(starts.size(), 5u);
  EXPECT_EQ(starts[0], -1);  // the first request learns the size
  std::sort(starts.begin(), starts.end());
  EXPECT_EQ(starts, (std::vector<int64_t>{-1, 200000, 400000, 600000, 800000}));
  EXPECT_NE(server.requests()[0].find("User-Agent: Mozilla/4.0 (compatible; MSIE 5.00; Windows 98)\r\n"),
            std::string::npos);
  EXPECT_NE(server.requests()[0].find("Referer: http://127.0.0.1:" + std::to_string(server.port()) + "/files\r\n"),
            std::string::npos);
}

// Gaps between consecutive request arrivals, in milliseconds.
std::vector<long> arrivalGaps(const TestServer& server) {
  std::vector<std::chrono::steady_clock::time_point> at = server.arrivals();
  std::vector<long> gaps;
  for (size_t i = 1; i < at.size(); ++i) {
    gaps.push_back(static_cast<long>(std::chrono::duration_cast<std::chrono::milliseconds>(at[i] - at[i - 1]).count()));
  }
  return gaps;
}

TEST_F(EngineTest, ConnectionsOfALargeFileStartApartAndSmallFilesAtOnce) {
  std::string body = dltest::patternBody(400000);
  // Downloads the body with the further connections spaced from `spacedFrom` bytes on, and
  // gives the gaps between the requests' arrivals.
  auto gapsWhenSpacedFrom = [&](int64_t spacedFrom) {
    EngineRules rules = dltest::quickRetries();
    rules.launchSpacingMs = 600;
    rules.spacedFromBytes = spacedFrom;
    engine.setRules(rules);
    EventLog events;
    TestServer server(body);
    EXPECT_TRUE(engine.start(events.params(server.url(), file)));
    EXPECT_TRUE(events.waitForEnd());
    EXPECT_EQ(dltest::readFile(file), body);
    return arrivalGaps(server);
  };
  std::vector<long> large = gapsWhenSpacedFrom(400000);
  ASSERT_EQ(large.size(), 4u);
  // One arrival held up by a busy machine shortens the gap after it, never the spacing itself.
  for (long gap : large) EXPECT_GE(gap, 450);
  std::vector<long> small = gapsWhenSpacedFrom(400001);
  ASSERT_EQ(small.size(), 4u);
  for (long gap : small) EXPECT_LT(gap, 300);
}

TEST_F(EngineTest, AStopWhileConnectionsWaitToStartEndsAtOnceAndResumesThem) {
  std::string body = dltest::patternBody(400000);
  EngineRules rules = dltest::quickRetries();
  rules.launchSpacingMs = 5000;
  rules.spacedFromBytes = 1;
  engine.setRules(rules);
  TestServer server(body);
  server.bytesPerWrite = 4096;
  server.pauseMsPerWrite = 20;
  ASSERT_TRUE(engine.start(log.params(server.url(), file)));
  for (int i = 0; i < 400 && engine.receivedBytes() == 0; ++i) std::this_thread::sleep_for(std::chrono::milliseconds(5));
  auto before = std::chrono::steady_clock::now();
  std::string blob;
  ASSERT_TRUE(engine.stopAndTakeState(blob));
  EXPECT_LT(std::chrono::steady_clock::now() - before, std::chrono::seconds(3));
  EXPECT_EQ(log.count(kEventEnded), 1);
  EXPECT_EQ(server.requests().size(), 1u);

  // The four segments that never started are started by the resumed task, again spaced.
  rules.launchSpacingMs = 200;
  engine.setRules(rules);
  server.pauseMsPerWrite = 0;
  server.bytesPerWrite = 65536;
  EventLog resumed;
  ASSERT_TRUE(engine.resume(resumed.params("", file), blob));
  ASSERT_TRUE(resumed.waitForEnd());
  EXPECT_EQ(dltest::readFile(file), body);
  std::vector<int64_t> starts = server.rangeStarts();
  ASSERT_EQ(starts.size(), 6u);
  std::sort(starts.begin() + 1, starts.end());
  EXPECT_EQ(std::vector<int64_t>(starts.begin() + 2, starts.end()), (std::vector<int64_t>{80000, 160000, 240000, 320000}));
  std::vector<long> gaps = arrivalGaps(server);
  for (size_t i = 2; i < gaps.size(); ++i) EXPECT_GE(gaps[i], 120);
}

TEST_F(EngineTest, SmallAndEmptyFilesTakeOneRequest) {
  for (size_t size : {size_t{1000}, size_t{0}}) {
    EventLog local;
    std::string body = dltest::patternBody(size);
    TestServer server(body);
    ASSERT_TRUE(engine.start(local.params(server.url(), file)));
    ASSERT_TRUE(local.waitForEnd());
    EXPECT_TRUE(std::filesystem::exists(file));
    EXPECT_EQ(dltest::readFile(file), body);
    EXPECT_TRUE(engine.completed());
    EXPECT_EQ(server.requests().size(), 1u);
  }
}

TEST_F(EngineTest, AWholeFileAnswerToALaterRangeIsNeverStoredAsThatRange) {
  std::string body = dltest::patternBody(500000);
  TestServer server(body);
  server.ignoreRange = true;
  ASSERT_TRUE(engine.start(log.params(server.url(), file)));
  ASSERT_TRUE(log.waitForEnd());
  EXPECT_FALSE(engine.completed());
  EXPECT_EQ(log.valueOf(kEventEnded), 100000);  // only segment 0 came from the answer without a range
  std::string got = dltest::readFile(file);
  expectNoForeignBytes(got, body);
  EXPECT_EQ(got.substr(0, 100000), body.substr(0, 100000));
}

TEST_F(EngineTest, EarlyClosesAreRetriedFromWhereTheyStopped) {
  std::string body = dltest::patternBody(600000);
  TestServer server(body);
  server.cutAfter = 30001;
  server.cutCount = 4;
  ASSERT_TRUE(engine.start(log.params(server.url(), file)));
  ASSERT_TRUE(log.waitForEnd());
  EXPECT_EQ(dltest::readFile(file), body);
  EXPECT_TRUE(engine.completed());
  EXPECT_TRUE(log.saidText(texts::kRetrySuffix));
  std::vector<int64_t> starts = server.rangeStarts();
  EXPECT_GE(starts.size(), 9u);
  // A retry continues inside its segment, not at the segment's start.
  EXPECT_TRUE(std::any_of(starts.begin(), starts.end(), [](int64_t s) { return s > 0 && s % 120000 != 0; }));
}

TEST_F(EngineTest, FewerBytesThanAnnouncedOnEveryTryEndsIncomplete) {
  engine.setRules(dltest::quickRetries(2));
  std::string body = dltest::patternBody(300000);
  TestServer server(body);
  server.cutAfter = 1000;
  server.cutCount = -1;
  ASSERT_TRUE(engine.start(log.params(server.url(), file)));
  ASSERT_TRUE(log.waitForEnd());
  EXPECT_FALSE(engine.completed());
  EXPECT_LT(log.valueOf(kEventEnded), 300000);
  // One first try and two retries per connection.
  EXPECT_EQ(server.requests().size(), 15u);
  expectNoForeignBytes(dltest::readFile(file), body);
}

TEST_F(EngineTest, AStalledAnswerTimesOutAndIsRetried) {
  std::string body = dltest::patternBody(300000);
  TestServer server(body);
  server.stallAfter = 5000;
  server.stallCount = 2;
  TaskParameters params = log.params(server.url(), file);
  params.receiveTimeout = 300;
  ASSERT_TRUE(engine.start(params));
  ASSERT_TRUE(log.waitForEnd());
  EXPECT_EQ(dltest::readFile(file), body);
}

TEST_F(EngineTest, ErrorAnswersEndTheDownloadWithoutRetrying) {
  TestServer server(dltest::patternBody(1000));
  server.status = 404;
  ASSERT_TRUE(engine.start(log.params(server.url(), file)));
  ASSERT_TRUE(log.waitForEnd());
  EXPECT_FALSE(engine.completed());
  EXPECT_EQ(server.requests().size(), 1u);
  EXPECT_TRUE(log.saidText(texts::kErrorOccurred));

  EventLog other;
  server.status = 500;
  ASSERT_TRUE(engine.start(other.params(server.url(), file)));
  ASSERT_TRUE(other.waitForEnd());
  EXPECT_FALSE(engine.completed());
  EXPECT_TRUE(other.saidText(std::string(texts::kUnsupportedAnswer) + "500]"));
}

TEST_F(EngineTest, RedirectsAreFollowedByEveryConnection) {
  std::string body = dltest::patternBody(200000);
  TestServer server(body);
  server.redirect("/old.bin", "/middle.bin");
  server.redirect("/middle.bin", server.url());
  ASSERT_TRUE(engine.start(log.params(server.url("/old.bin"), file)));
  ASSERT_TRUE(log.waitForEnd());
  EXPECT_EQ(dltest::readFile(file), body);
  EXPECT_TRUE(log.saidText(texts::kRedirectedTo));
  EXPECT_EQ(server.requests().size(), 15u);
}

TEST_F(EngineTest, ARedirectLoopEndsInsteadOfSpinning) {
  TestServer server(dltest::patternBody(1000));
  server.redirect("/a", "/b");
  server.redirect("/b", "/a");
  ASSERT_TRUE(engine.start(log.params(server.url("/a"), file)));
  ASSERT_TRUE(log.waitForEnd());
  EXPECT_FALSE(engine.completed());
  EXPECT_TRUE(log.saidText(texts::kBadRedirect));
  EXPECT_EQ(server.requests().size(), 11u);
}

TEST_F(EngineTest, RangeAnswersForAnotherFileSizeAreRefused) {
  std::string body = dltest::patternBody(400000);
  TestServer server(body);
  server.lengthDelta = 100;  // the first answer claims 100 bytes more than there are
  ASSERT_TRUE(engine.start(log.params(server.url(), file)));
  ASSERT_TRUE(log.waitForEnd());
  EXPECT_FALSE(engine.completed());
  EXPECT_LT(log.valueOf(kEventEnded), 400100);
}

TEST_F(EngineTest, AFileOfTwoGigabytesOrMoreIsRefusedWithTheCreationText) {
  TestServer server(dltest::patternBody(1000));
  server.announcedLength = int64_t{3} << 30;
  ASSERT_TRUE(engine.start(log.params(server.url(), file)));
  ASSERT_TRUE(log.waitForEnd());
  EXPECT_FALSE(engine.completed());
  EXPECT_TRUE(log.saidText(texts::kCreateFileError));
  EXPECT_EQ(log.count(kEventSizeKnown), 0);
  EXPECT_TRUE(!std::filesystem::exists(file) || std::filesystem::file_size(file) == 0);
}

// A hostile answer must not take the disk: a size other than the expected one, or one its
// volume has no room for, is refused before the file exists.
TEST_F(EngineTest, AnAnswerOfAnotherSizeThanExpectedOrWithoutRoomCreatesNothing) {
  std::string body = dltest::patternBody(100000);
  struct Case {
    const char* name;
    int64_t announced;  // -1: the body's own length
    int64_t expected;
    bool room;
    DownloadFailure failure;
  };
  const Case cases[] = {
      {"954 MB announced, 100000 signed", int64_t{954} << 20, 100000, true, DownloadFailure::sizeRefused},
      {"one byte short of the signed size", -1, 100001, true, DownloadFailure::sizeRefused},
      {"no room for the announced size", int64_t{954} << 20, 0, false, DownloadFailure::noRoom},
      {"the signed size, and room", -1, 100000, true, DownloadFailure::none},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    TestServer server(body);
    server.announcedLength = c.announced;
    EventLog events;
    std::vector<int64_t> asked;
    std::mutex askedLock;
    TaskParameters p = events.params(server.url(), file);
    p.expectedSize = c.expected;
    p.roomFor = [&](int64_t size) {
      std::lock_guard guard(askedLock);
      asked.push_back(size);
      return c.room;
    };
    ASSERT_TRUE(engine.start(p));
    ASSERT_TRUE(events.waitForEnd());
    EXPECT_EQ(engine.failure(), c.failure);
    EXPECT_EQ(engine.offeredSize(), c.announced < 0 ? 100000 : c.announced);
    if (c.failure == DownloadFailure::none) {
      EXPECT_TRUE(engine.completed());
      EXPECT_EQ(dltest::readFile(file), body);
      EXPECT_EQ(asked, std::vector<int64_t>{100000});
      continue;
    }
    EXPECT_FALSE(engine.completed());
    EXPECT_FALSE(std::filesystem::exists(file));
    EXPECT_EQ(events.count(kEventSizeKnown), 0);
    EXPECT_EQ(server.requests().size(), 1u);  // the same answer would come again
    EXPECT_EQ(asked.size(), c.failure == DownloadFailure::noRoom ? 1u : 0u);
    if (c.failure == DownloadFailure::sizeRefused) EXPECT_TRUE(events.saidText(texts::kSizeRefused));
  }
}

TEST_F(EngineTest, UnwritableFileEndsWithTheCreationText) {
  TestServer server(dltest::patternBody(1000));
  ASSERT_TRUE(engine.start(log.params(server.url(), folder.path("missing/dir/x.tmp"))));
  ASSERT_TRUE(log.waitForEnd());
  EXPECT_FALSE(engine.completed());
  EXPECT_TRUE(log.saidText(texts::kCreateFileError));
}

TEST_F(EngineTest, StoppedTaskResumesFromItsRecordToAnIdenticalFile) {
  std::string body = dltest::patternBody(600000);
  TestServer slow(body);
  slow.bytesPerWrite = 4096;
  slow.pauseMsPerWrite = 5;
  ASSERT_TRUE(engine.start(log.params(slow.url(), file)));
  for (int i = 0; i < 2000 && engine.receivedBytes() < 150000; ++i) std::this_thread::sleep_for(std::chrono::milliseconds(5));
  std::string blob;
  ASSERT_TRUE(engine.stopAndTakeState(blob));
  EXPECT_EQ(log.count(kEventEnded), 1);
  EXPECT_FALSE(engine.holdsTask());
  TaskState state;
  ASSERT_TRUE(decodeTaskState(blob, state));
  ASSERT_EQ(state.segments.size(), 5u);

  // The record names the slow server; serve the rest from a fast one on the same address.
  EventLog resumed;
  slow.pauseMsPerWrite = 0;
  slow.bytesPerWrite = 65536;
  size_t before = slow.requests().size();
  ASSERT_TRUE(engine.resume(resumed.params("http://ignored.invalid/x", file), blob));
  ASSERT_TRUE(resumed.waitForEnd());
  EXPECT_EQ(dltest::readFile(file), body);
  EXPECT_EQ(resumed.count(kEventSizeKnown), 1);
  EXPECT_EQ(resumed.valueOf(kEventEnded), 600000);
  std::vector<int64_t> expected, starts = slow.rangeStarts();
  for (const Segment& s : state.segments) {
    if (!s.complete()) expected.push_back(s.start + s.received);
  }
  starts.erase(starts.begin(), starts.begin() + static_cast<long>(before));
  std::sort(starts.begin(), starts.end());
  EXPECT_EQ(starts, expected);
}

TEST_F(EngineTest, ResumeIsRefusedWhenTheDataFileDoesNotMatchTheRecord) {
  TaskState state;
  state.url = Url{"127.0.0.1", 9, "/x"};
  state.fileSize = 50000;
  state.segments = SegmentTable::fresh(50000, 5).segments();
  dltest::writeFile(file, std::string(49999, 'x'));
  EXPECT_FALSE(engine.resume(log.params("", file), encodeTaskState(state)));
  EXPECT_FALSE(engine.holdsTask());
}

TEST_F(EngineTest, OneTaskAtATimeAndANewStartRightAfterTheEnd) {
  std::string body = dltest::patternBody(300000);
  TestServer server(body);
  server.stallAfter = 0;
  server.stallCount = -1;
  ASSERT_TRUE(engine.start(log.params(server.url(), file)));
  EventLog second;
  EXPECT_FALSE(engine.start(second.params(server.url(), file)));
  std::this_thread::sleep_for(std::chrono::milliseconds(100));
  // Nothing arrives while the server stalls: the second of two samples is 0.
  engine.takeSpeedSample();
  EXPECT_EQ(engine.takeSpeedSample(), 0);
  engine.destroy();
  EXPECT_EQ(log.count(kEventEnded), 1);

  server.stallAfter = -1;
  EventLog third;
  ASSERT_TRUE(engine.start(third.params(server.url(), file)));
  ASSERT_TRUE(third.waitForEnd());
  // Started from inside the end event's aftermath: the finishing task must not refuse it.
  EventLog fourth;
  EXPECT_TRUE(engine.start(fourth.params(server.url(), file)));
  ASSERT_TRUE(fourth.waitForEnd());
  EXPECT_EQ(dltest::readFile(file), body);
}

TEST_F(EngineTest, ARateLimitShrinksEveryReceiveToTheShare) {
  std::string body = dltest::patternBody(16000);
  TestServer server(body);
  TaskParameters params = log.params(server.url(), file, 1);
  params.rateLimit = 6000;
  std::vector<int32_t> chunks;
  std::mutex m;
  auto inner = params.callback;
  params.callback = [&](int32_t code, int32_t a, int32_t b, int32_t c, int32_t t) {
    if (code == kEventStored) {
      std::lock_guard g(m);
      chunks.push_back(b);
    }
    return inner(code, a, b, c, t);
  };
  ASSERT_TRUE(engine.start(params));
  ASSERT_TRUE(log.waitForEnd());
  EXPECT_EQ(dltest::readFile(file), body);
  std::lock_guard g(m);
  ASSERT_FALSE(chunks.empty());
  for (int32_t c : chunks) EXPECT_LE(c, 6000);
}

TEST_F(EngineTest, APartialAnswerToTheFirstRequestSizesTheFileFromTheRangeTotal) {
  std::string body = dltest::patternBody(1000000);
  TestServer server(body);
  server.unrangedPartial = 100;  // "206, bytes 0-99/1000000" to the request without a range
  ASSERT_TRUE(engine.start(log.params(server.url(), file)));
  ASSERT_TRUE(log.waitForEnd());
  EXPECT_EQ(log.valueOf(kEventSizeKnown), 1000000);
  EXPECT_TRUE(engine.completed());
  EXPECT_EQ(dltest::readFile(file), body);
  // The rest of segment 0 is asked for at once, not after a wait for a lost connection.
  EXPECT_FALSE(log.saidText(texts::kRetrySuffix));
  EXPECT_EQ(server.rangeStarts().size(), 6u);
}

// A resumed task whose two missing segments start 300 ms apart: the first is answered with
// another range than it asked for.
TEST_F(EngineTest, AnAnswerForAnotherRangeIsRefusedAndTheNextAnswerAnnouncesTheSize) {
  std::string body = dltest::patternBody(400000);
  TestServer server(body);
  server.rangeShift = 1000;
  server.rangeShiftCount = 1;
  TaskState state;
  state.url = Url{"127.0.0.1", server.port(), "/files/patch.bin"};
  state.fileSize = 400000;
  state.segments = SegmentTable::fresh(400000, 5).segments();
  for (int i = 0; i < 3; ++i) state.segments[static_cast<size_t>(i)].received = 80000;
  dltest::writeFile(file, body.substr(0, 240000) + std::string(160000, '\0'));
  EngineRules rules = dltest::quickRetries();
  rules.launchSpacingMs = 300;
  rules.spacedFromBytes = 1;
  engine.setRules(rules);
  ASSERT_TRUE(engine.resume(log.params("", file), encodeTaskState(state)));
  ASSERT_TRUE(log.waitForEnd());
  EXPECT_EQ(server.rangeStarts(), (std::vector<int64_t>{240000, 320000}));
  EXPECT_TRUE(log.saidText(std::string(texts::kUnsupportedAnswer) + "206]"));
  EXPECT_FALSE(engine.completed());
  std::string got = dltest::readFile(file);
  expectNoForeignBytes(got, body);
  EXPECT_EQ(got.substr(320000), body.substr(320000));
  // The refused answer does not count as the one that announces the size.
  EXPECT_EQ(log.count(kEventSizeKnown), 1);
  EXPECT_EQ(log.valueOf(kEventSizeKnown), 400000);
}

TEST_F(EngineTest, AWholeMalformedHeadIsRefusedAtOnceWhileACutHeadIsRetried) {
  engine.setRules(dltest::quickRetries(3));
  std::string body = dltest::patternBody(30000);
  for (const char* head : {"HTTP/1.1 200 OK\r\nContent-Length: abc\r\n\r\n",
                           "HTTP/1.1 200 OK\r\nContent-Length: -1\r\n\r\n",
                           "HTTP/1.1 200 OK\r\nContent-Length: 30000\r\nContent-Length: 29999\r\n\r\n",
                           "HTTP/1.1 206 Partial\r\nContent-Range: bytes 0-x/30000\r\n\r\n",
                           "HTTP/1.1 20 OK\r\nContent-Length: 30000\r\n\r\n"}) {
    EventLog events;
    TestServer server(body);
    server.rawAnswer(head, -1);
    ASSERT_TRUE(engine.start(events.params(server.url(), file)));
    ASSERT_TRUE(events.waitForEnd()) << head;
    EXPECT_EQ(server.requests().size(), 1u) << head;
    EXPECT_TRUE(events.saidText(texts::kUnsupportedAnswer)) << head;
    EXPECT_FALSE(engine.completed());
  }
  TestServer server(body);
  server.rawAnswer("HTTP/1.1 200 OK\r\nContent-Len", 1);
  ASSERT_TRUE(engine.start(log.params(server.url(), file)));
  ASSERT_TRUE(log.waitForEnd());
  EXPECT_TRUE(log.saidText(texts::kRetrySuffix));
  EXPECT_EQ(dltest::readFile(file), body);
}

TEST_F(EngineTest, ChunkedAnswersAreStoredWithoutTheirFramingAndOtherCodingsRefused) {
  std::string body = dltest::patternBody(300000);
  TestServer server(body);
  server.chunked = true;  // every answer, the first and the ranged ones, beside a Content-Length
  server.bytesPerWrite = 7000;
  ASSERT_TRUE(engine.start(log.params(server.url(), file)));
  ASSERT_TRUE(log.waitForEnd());
  EXPECT_TRUE(engine.completed());
  EXPECT_EQ(dltest::readFile(file), body);

  EventLog other;
  TestServer gzip(body);
  gzip.rawAnswer("HTTP/1.1 200 OK\r\nContent-Length: 300000\r\nTransfer-Encoding: gzip, chunked\r\n\r\n", -1);
  ASSERT_TRUE(engine.start(other.params(gzip.url(), file)));
  ASSERT_TRUE(other.waitForEnd());
  EXPECT_FALSE(engine.completed());
  EXPECT_TRUE(other.saidText(std::string(texts::kUnsupportedAnswer) + "200]"));
  EXPECT_EQ(other.valueOf(kEventEnded), 0);
}

}  // namespace
}  // namespace download
