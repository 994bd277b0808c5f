// A delta's ranges: closed requests that must come back as exactly those bytes, each checked
// against the chunk hashes as it is stored. A source that serves wrong bytes is left for another
// one; with none left, or a server that ignores ranges or shifts them, the task gives up at once
// and keeps only what passed its check.
#include <gtest/gtest.h>

#include <optional>
#include <random>
#include <set>

#include "delta/chunk_scanner.h"
#include "delta/chunk_verifier.h"
#include "download/download_engine.h"
#include "download/engine_fixture.h"
#include "download/engine_texts.h"
#include "download/mirror_fixture.h"
#include "download/test_server.h"

namespace download {
namespace {

using dltest::EventLog;
using dltest::TestServer;

std::string randomBytes(size_t size, uint32_t seed) {
  std::mt19937 gen(seed);
  std::string bytes(size, '\0');
  for (char& c : bytes) c = static_cast<char>(gen());
  return bytes;
}

class CheckedRanges : public ::testing::Test {
 protected:
  void SetUp() override {
    delta::ChunkScanner scanner(delta::ChunkParams{});
    scanner.feed(body.data(), body.size());
    ASSERT_TRUE(scanner.finish());
    index = delta::indexOf(scanner, delta::ChunkParams{});
    ASSERT_GT(index.chunks.size(), 20u);
    chunkMap.emplace(index);
    engine.setRules(dltest::quickRetries(2));
  }

  // Chunks [3, 8) and [12, 20) are to fetch; the rest is "copied" already.
  TaskState table() {
    TaskState state;
    state.fileSize = static_cast<int32_t>(body.size());
    int64_t a = chunkMap->start(3), b = chunkMap->start(8), c = chunkMap->start(12), d = chunkMap->start(20);
    state.segments = {{0, a, a}, {a, b - a, 0}, {b, c - b, c - b}, {c, d - c, 0}, {d, end() - d, end() - d}};
    std::string local = body;
    std::fill(local.begin() + a, local.begin() + b, 'x');
    std::fill(local.begin() + c, local.begin() + d, 'x');
    dltest::writeFile(file, local);
    return state;
  }
  int64_t end() const { return static_cast<int64_t>(body.size()); }

  bool run(const TestServer& primary, std::vector<std::string> mirrors = {}) {
    return runWith(log, engine, primary, std::move(mirrors));
  }
  bool runWith(EventLog& events, DownloadEngine& task, const TestServer& primary, std::vector<std::string> mirrors) {
    TaskParameters p = events.params(primary.url(), file, 5);
    p.mirrors = std::move(mirrors);
    p.rangesOnly = true;
    p.checkFrom = [this](int64_t at) { return delta::checkFromChunk(*chunkMap, at); };
    TaskState state = table();
    state.url = Url{"127.0.0.1", primary.port(), "/files/patch.bin"};
    if (!task.resumeWith(p, state)) return false;
    return events.waitForEnd();
  }

  // The bytes outside the ranges to fetch are untouched.
  void expectOnlyCheckedBytes() {
    std::string got = dltest::readFile(file);
    ASSERT_EQ(got.size(), body.size());
    for (size_t i = 0; i < index.chunks.size(); ++i) {
      std::string_view chunk(got.data() + chunkMap->start(i), index.chunks[i].length);
      std::string_view want(body.data() + chunkMap->start(i), index.chunks[i].length);
      bool fetched = (i >= 3 && i < 8) || (i >= 12 && i < 20);
      if (!fetched) {
        EXPECT_EQ(chunk, want) << "chunk " << i;
      }
    }
  }

  dltest::TempFolder folder;
  std::string file = folder.path("patch.bin.tmp");
  std::string body = randomBytes(3 << 20, 11);
  delta::ChunkIndex index;
  std::optional<delta::ChunkMap> chunkMap;  // made once the index is
  EventLog log;
  DownloadEngine engine;
};

TEST_F(CheckedRanges, ClosedRangesFillTheFileAndNothingElseIsAsked) {
  TestServer server(body);
  ASSERT_TRUE(run(server));
  EXPECT_TRUE(engine.completed());
  EXPECT_EQ(dltest::readFile(file), body);
  EXPECT_TRUE(engine.abandonedFor().empty());
  std::vector<std::string> heads = server.requests();
  ASSERT_EQ(heads.size(), 2u);
  std::set<std::string> ranges;
  for (const std::string& h : heads) ranges.insert(h.substr(h.find("Range: "), h.find("\r\n", h.find("Range: ")) - h.find("Range: ")));
  std::set<std::string> want{"Range: bytes=" + std::to_string(chunkMap->start(3)) + "-" + std::to_string(chunkMap->start(8) - 1),
                             "Range: bytes=" + std::to_string(chunkMap->start(12)) + "-" + std::to_string(chunkMap->start(20) - 1)};
  EXPECT_EQ(ranges, want);
}

TEST_F(CheckedRanges, WrongBytesFromAMirrorAreFetchedAgainFromTheGoodSource) {
  std::string bad = body;
  for (int64_t at : {chunkMap->start(4) + 100, chunkMap->start(15) + 7}) bad[static_cast<size_t>(at)] ^= 0x20;
  TestServer good(body), liar(bad);
  liar.bytesPerWrite = 4096;
  // Both ranges start on the liar: the first connection takes the primary, the second the mirror.
  ASSERT_TRUE(run(liar, {good.url()}));
  EXPECT_TRUE(engine.completed());
  EXPECT_EQ(dltest::readFile(file), body);
  EXPECT_TRUE(log.saidText(texts::kSourceDropped + dltest::sourceName(liar.url()) + "]"));
}

TEST_F(CheckedRanges, AnswersThatDoNotCarryTheRangeEndTheTaskKeepingOnlyCheckedBytes) {
  struct Case {
    const char* name;
    void (*spoil)(TestServer&, const std::string&);
    const char* why;
  };
  const Case cases[] = {
      {"wrong bytes", nullptr, "fail the file's chunk hashes"},
      {"whole file", [](TestServer& s, const std::string&) { s.ignoreRange = true; }, "status 200"},
      {"shifted range", [](TestServer& s, const std::string&) { s.rangeShift = 1; s.rangeShiftCount = -1; }, "status 206"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    std::string served = body;
    if (!c.spoil) served[static_cast<size_t>(chunkMap->start(13) + 5)] ^= 1;
    TestServer server(served);
    if (c.spoil) c.spoil(server, body);
    EventLog events;
    DownloadEngine task;
    task.setRules(dltest::quickRetries(2));
    ASSERT_TRUE(runWith(events, task, server, {}));
    EXPECT_FALSE(task.completed());
    EXPECT_NE(task.abandonedFor().find(c.why), std::string::npos) << task.abandonedFor();
    expectOnlyCheckedBytes();
    // Given up at once: no try is repeated on the one source.
    EXPECT_LE(server.requests().size(), 2u);
  }
}

TEST_F(CheckedRanges, AnAnswerCutMidChunkIsAskedAgainFromThatChunksStart) {
  TestServer server(body);
  server.cutAfter = 100000;  // inside the second or third chunk of each range
  server.cutCount = 2;
  ASSERT_TRUE(run(server));
  EXPECT_TRUE(engine.completed());
  EXPECT_EQ(dltest::readFile(file), body);
  std::vector<int64_t> starts = server.rangeStarts();
  ASSERT_EQ(starts.size(), 4u);
  for (int64_t at : starts) EXPECT_TRUE(chunkMap->chunkAt(static_cast<uint64_t>(at))) << at;
}

}  // namespace
}  // namespace download
