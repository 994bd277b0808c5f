// One file from several sources: connections spread over them, a source that fails is left
// and its segments finish from the others; only when every source fails does the download.
#include <gtest/gtest.h>

#include <algorithm>

#include "download/mirror_fixture.h"
#include "download/engine_texts.h"
#include "download/source_set.h"
#include "download/task_state_blob.h"

namespace download {
namespace {

using dltest::EventLog;
using dltest::RefusingPort;
using dltest::TestServer;

class MirrorTest : public dltest::MirrorDownload {
 protected:
  void SetUp() override { engine.setRules(dltest::quickRetries(3)); }

  // The download ended complete and byte-identical.
  void expectWhole() {
    ASSERT_TRUE(log.waitForEnd());
    EXPECT_TRUE(engine.completed());
    EXPECT_FALSE(engine.remoteChanged());
    EXPECT_EQ(dltest::readFile(file), body);
    EXPECT_EQ(log.valueOf(kEventEnded), static_cast<int32_t>(body.size()));
  }
  // The record of a download begun at `server` whose first segment holds 100000 bytes, with
  // those bytes in the file.
  std::string resumedFrom(const TestServer& server) {
    TaskState state;
    state.url = Url{"127.0.0.1", server.port(), "/files/patch.bin"};
    state.fileSize = static_cast<int32_t>(body.size());
    state.segments = SegmentTable::fresh(state.fileSize, 5).segments();
    state.segments[0].received = 100000;
    dltest::writeFile(file, body.substr(0, 100000) + std::string(body.size() - 100000, '\0'));
    return encodeTaskState(state);
  }
};

TEST_F(MirrorTest, ConnectionsAreSpreadOverTheSources) {
  TestServer first(body), second(body);
  ASSERT_TRUE(engine.start(withMirrors(first.url(), {second.url("/mirror/patch.bin")})));
  expectWhole();
  // The first connection learns the size from the file's own address; the other four
  // alternate, starting with the source that has none.
  EXPECT_EQ(first.rangeStarts().front(), -1);
  EXPECT_EQ(first.requests().size(), 3u);
  EXPECT_EQ(second.requests().size(), 2u);
  for (int64_t start : second.rangeStarts()) EXPECT_GT(start, 0);
  EXPECT_NE(second.requests().front().find("GET /mirror/patch.bin HTTP/1.1\r\n"), std::string::npos);
  // Each source is asked with its own address as the referer.
  EXPECT_NE(second.requests().front().find("Referer: " + second.url("/mirror") + "\r\n"), std::string::npos);
  EXPECT_FALSE(log.saidText(texts::kSourceDropped));
}

TEST_F(MirrorTest, ARefusingSourceIsLeftAndTheOtherServesTheWholeFile) {
  RefusingPort refusing;
  TestServer second(body);
  ASSERT_TRUE(engine.start(withMirrors(refusing.url(), {second.url()})));
  expectWhole();
  EXPECT_TRUE(dropped(refusing.url()));
  ASSERT_EQ(second.requests().size(), 5u);
  EXPECT_EQ(second.rangeStarts().front(), -1);  // the size came from the source that answered
}

TEST_F(MirrorTest, SegmentsOfASourceThatBreaksOffCompleteFromTheOther) {
  TestServer first(body), second(body);
  first.cutAfter = 50000;  // every answer of the first source ends early
  first.cutCount = -1;
  ASSERT_TRUE(engine.start(withMirrors(first.url(), {second.url()})));
  expectWhole();
  EXPECT_TRUE(dropped(first.url()));
  EXPECT_FALSE(dropped(second.url()));
  // Nothing is asked of the first source again once it has been left: at most its first
  // connections' requests reached it.
  EXPECT_LE(first.requests().size(), 3u);
  // The segments it had begun continue from where its bytes stopped, not from their starts.
  std::vector<int64_t> starts = second.rangeStarts();
  EXPECT_TRUE(std::find(starts.begin(), starts.end(), 50000) != starts.end());
}

TEST_F(MirrorTest, ASourceWithAnotherSizeOrVersionOrAnErrorIsLeftWithoutCallingTheFileChanged) {
  struct Case {
    const char* name;
    std::function<void(TestServer&)> spoil;
  };
  std::vector<Case> cases = {
      {"another total", [](TestServer& s) { s.rangeTotalDelta = 1000; }},
      {"another length", [](TestServer& s) { s.lengthDelta = 1000; }},
      {"another version", [this](TestServer& s) { s.setBody(body, "\"v2\""); }},
      {"an error", [](TestServer& s) { s.status = 404; }},
      {"a server error", [](TestServer& s) { s.status = 503; }},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    EventLog events;
    DownloadEngine fresh;
    fresh.setRules(dltest::quickRetries(3));
    TestServer first(body), second(body);
    first.setBody(body, "\"v1\"");
    second.setBody(body, "\"v1\"");
    c.spoil(second);
    TaskParameters p = events.params(first.url(), file);
    p.mirrors = {second.url()};
    ASSERT_TRUE(fresh.start(p));
    ASSERT_TRUE(events.waitForEnd());
    EXPECT_TRUE(fresh.completed());
    EXPECT_FALSE(fresh.remoteChanged());
    EXPECT_EQ(dltest::readFile(file), body);
    Url u;
    parseUrl(second.url(), u);
    EXPECT_TRUE(events.saidText(texts::kSourceDropped + u.host + ":" + std::to_string(u.port) + "]"));
    EXPECT_LE(second.requests().size(), 2u);  // the two connections first sent there, no more
  }
}

TEST_F(MirrorTest, OnlyWhenEverySourceFailsDoesTheDownloadFail) {
  RefusingPort first;
  TestServer second(body);
  second.cutAfter = 0;  // answers its heads, never a byte of a body
  second.cutCount = -1;
  ASSERT_TRUE(engine.start(withMirrors(first.url(), {second.url()})));
  ASSERT_TRUE(log.waitForEnd());
  EXPECT_FALSE(engine.completed());
  EXPECT_TRUE(dropped(first.url()));
  // The last source is never left: it is tried again as a single address would be.
  EXPECT_FALSE(dropped(second.url()));
  EXPECT_GE(second.requests().size(), 4u);  // the first try and three retries
}

TEST_F(MirrorTest, ASourceThatChangedAloneStillMarksTheFileReplaced) {
  TestServer only(body);
  only.rangeTotalDelta = 7;
  RefusingPort gone;
  ASSERT_TRUE(engine.resume(withMirrors("", {gone.url()}), resumedFrom(only)));
  ASSERT_TRUE(log.waitForEnd());
  EXPECT_FALSE(engine.completed());
  EXPECT_TRUE(engine.remoteChanged());
}

// The same, with the changed source left first: the other one is slow and then cuts every
// answer, so the download fails on it, and what could be reached was the new version.
TEST_F(MirrorTest, AChangedSourceLeftForOneThatThenFailsStillMarksTheFileReplaced) {
  TestServer changed(body), cut(body);
  changed.rangeTotalDelta = 7;
  cut.bytesPerWrite = 1000;
  cut.pauseMsPerWrite = 300;
  cut.cutAfter = 2000;
  cut.cutCount = -1;
  ASSERT_TRUE(engine.resume(withMirrors("", {cut.url()}), resumedFrom(changed)));
  ASSERT_TRUE(log.waitForEnd());
  EXPECT_FALSE(engine.completed());
  EXPECT_TRUE(dropped(changed.url()));
  EXPECT_TRUE(engine.remoteChanged());
}

TEST_F(MirrorTest, AResumedTaskKeepsItsRecordWhicheverAddressNowComesFirst) {
  TestServer recorded(body), other(body);
  TaskState state;
  state.url = Url{"127.0.0.1", recorded.port(), "/files/patch.bin?t=1"};
  state.fileSize = static_cast<int32_t>(body.size());
  state.segments = SegmentTable::fresh(state.fileSize, 5).segments();
  for (int i = 0; i < 2; ++i) state.segments[static_cast<size_t>(i)].received = 150000;
  std::string partial(body.size(), '\0');
  for (int i = 0; i < 2; ++i) {
    size_t at = static_cast<size_t>(state.segments[static_cast<size_t>(i)].start);
    partial.replace(at, 150000, body.substr(at, 150000));
  }
  dltest::writeFile(file, partial);
  // The caller now lists the other source first and the recorded one (new stamp) after it.
  ASSERT_TRUE(engine.resume(withMirrors(other.url() + "?t=2", {recorded.url() + "?t=2"}), encodeTaskState(state)));
  ASSERT_TRUE(log.waitForEnd());
  EXPECT_TRUE(engine.completed());
  EXPECT_EQ(dltest::readFile(file), body);
  // Both sources served missing ranges, none asked from a segment's start again.
  ASSERT_FALSE(recorded.rangeStarts().empty());
  ASSERT_FALSE(other.rangeStarts().empty());
  for (int64_t s : recorded.rangeStarts()) EXPECT_GT(s, 0);
  for (int64_t s : other.rangeStarts()) EXPECT_GT(s, 0);
}

TEST(SourceSetTest, SpreadsTakesTheLeastUsedAndNeverLeavesTheLastSource) {
  SourceSet set;
  EXPECT_TRUE(set.add(Url{"a", 80, "/f?t=1"}, ""));
  EXPECT_FALSE(set.add(Url{"A", 80, "/f?t=2"}, ""));  // the same file under another stamp
  EXPECT_TRUE(set.add(Url{"b", 80, "/f"}, ""));
  EXPECT_TRUE(set.add(Url{"c", 81, "/f"}, ""));
  std::vector<int> taken;
  for (int i = 0; i < 5; ++i) taken.push_back(set.attach());
  EXPECT_EQ(taken, (std::vector<int>{0, 1, 2, 0, 1}));
  int source = 0;
  ASSERT_TRUE(set.moveFrom(source));
  EXPECT_EQ(source, 2);  // the least used of the others
  EXPECT_TRUE(set.dropped(0));
  EXPECT_EQ(set.connections(0), 1);
  EXPECT_EQ(set.attach(), 1);  // b 2, c 2: the earlier wins the tie, a is left out
  source = 1;
  ASSERT_TRUE(set.moveFrom(source));
  EXPECT_EQ(source, 2);
  EXPECT_EQ(set.inUse(), 1);
  EXPECT_FALSE(set.moveFrom(source));  // the last one stays
  EXPECT_EQ(source, 2);
  EXPECT_FALSE(set.dropped(2));
  // A connection still on a source another one has left moves on as well.
  source = 0;
  ASSERT_TRUE(set.moveFrom(source));
  EXPECT_EQ(source, 2);
}

TEST(SourceSetTest, AddressTextsSplitAtTheSeparatorOnly) {
  EXPECT_EQ(splitAddresses("http://a/f?t=1"), (std::vector<std::string>{"http://a/f?t=1"}));
  std::vector<std::string> three{"http://a/f|x", "http://b/f", ""};
  EXPECT_EQ(splitAddresses(joinAddresses(three)), three);
}

}  // namespace
}  // namespace download
