// The state record, its check value, and the request and response heads.
#include <gtest/gtest.h>

#include <cstring>

#include "download/chunked_body.h"
#include "download/crc16.h"
#include "download/http_head.h"
#include "download/task_state_blob.h"

namespace download {
namespace {

int32_t wordAt(const std::string& blob, size_t offset) {
  int32_t v;
  std::memcpy(&v, blob.data() + offset, 4);
  return v;
}

TaskState sampleState() {
  TaskState s;
  s.url = Url{"files.example", 8080, "/patch/data.pak?t=20240101"};
  s.referer = "http://files.example:8080/patch";
  s.userAgent = kUserAgent;
  s.localFile = "C:\\Game\\DownloadCache\\data.pak.tmp";
  s.connections = 5;
  s.fileSize = 100003;
  for (int i = 0; i < 5; ++i) {
    Segment seg;
    seg.start = 20000 * i;
    seg.length = i == 4 ? 20003 : 20000;
    seg.received = 1000 * i;
    seg.owner = i + 1;
    s.segments.push_back(seg);
  }
  return s;
}

TEST(Crc16Arc, MatchesTheCatalogueCheckValue) {
  const char* check = "123456789";
  EXPECT_EQ(crc16Arc(reinterpret_cast<const unsigned char*>(check), 9), 0xBB3D);
  EXPECT_EQ(crc16Arc(nullptr, 0), 0);
}

TEST(TaskStateBlob, FollowsTheFixedLayout) {
  TaskState state = sampleState();
  std::string blob = encodeTaskState(state);
  const size_t n = 5;
  EXPECT_EQ(wordAt(blob, 4), 5);
  for (size_t i = 0; i < n; ++i) {
    size_t record = 16 + 28 * i;
    EXPECT_EQ(wordAt(blob, record + 12), state.segments[i].start);
    EXPECT_EQ(wordAt(blob, record + 16), state.segments[i].length);
    EXPECT_EQ(wordAt(blob, record + 20), state.segments[i].received);
  }
  size_t address = 16 + 28 * n;
  EXPECT_EQ(wordAt(blob, 120 + 28 * n), 100003);
  EXPECT_EQ(wordAt(blob, 44 + 28 * n + 20), 8080);
  // The text area starts with the host, then the path, the referer, ..., the file name.
  size_t area = 124 + 28 * n;
  EXPECT_EQ(wordAt(blob, address + 8), static_cast<int32_t>(area));
  EXPECT_STREQ(blob.data() + area, "files.example");
  EXPECT_STREQ(blob.data() + wordAt(blob, address + 4), "/patch/data.pak?t=20240101");
  EXPECT_STREQ(blob.data() + wordAt(blob, address + 12), "http://files.example:8080/patch");
  EXPECT_STREQ(blob.data() + wordAt(blob, 68 + 28 * n), "C:\\Game\\DownloadCache\\data.pak.tmp");
  EXPECT_LT(wordAt(blob, address + 8), wordAt(blob, address + 4));
  EXPECT_LT(wordAt(blob, address + 4), wordAt(blob, address + 12));
  EXPECT_LT(wordAt(blob, address + 12), wordAt(blob, 68 + 28 * n));
  // Check value over everything before it, low byte first.
  uint16_t crc = crc16Arc(reinterpret_cast<const unsigned char*>(blob.data()), blob.size() - 2);
  EXPECT_EQ(static_cast<unsigned char>(blob[blob.size() - 2]), crc & 0xFF);
  EXPECT_EQ(static_cast<unsigned char>(blob[blob.size() - 1]), crc >> 8);
}

TEST(TaskStateBlob, KeepsTheFileVersionAsTheFurtherText) {
  TaskState state = sampleState();
  state.validator = "\"5f3a-1c\"";
  std::string blob = encodeTaskState(state);
  std::string without = encodeTaskState(sampleState());
  // The fixed part does not move: the text sits behind the others, found by its offset.
  EXPECT_EQ(blob.substr(0, 84 + 28 * 5), without.substr(0, 84 + 28 * 5));
  EXPECT_STREQ(blob.data() + wordAt(blob, 84 + 28 * 5), state.validator.c_str());
  TaskState back;
  ASSERT_TRUE(decodeTaskState(blob, back));
  EXPECT_EQ(back.validator, state.validator);
  ASSERT_TRUE(decodeTaskState(without, back));
  EXPECT_EQ(back.validator, "");
}

TEST(TaskStateBlob, KeepsTheSchemeInTheFirstAddressWord) {
  TaskState state = sampleState();
  std::string plain = encodeTaskState(state);
  state.url.secure = true;
  std::string secure = encodeTaskState(state);
  size_t address = 16 + 28 * 5;
  EXPECT_EQ(wordAt(plain, address), 1);
  EXPECT_EQ(wordAt(secure, address), 2);
  TaskState back;
  ASSERT_TRUE(decodeTaskState(secure, back));
  EXPECT_TRUE(back.url.secure);
  ASSERT_TRUE(decodeTaskState(plain, back));
  EXPECT_FALSE(back.url.secure);
}

TEST(TaskStateBlob, ReadsBackWithWorkingWordsCleared) {
  TaskState state = sampleState();
  TaskState back;
  ASSERT_TRUE(decodeTaskState(encodeTaskState(state), back));
  EXPECT_EQ(back.url.host, "files.example");
  EXPECT_EQ(back.url.port, 8080);
  EXPECT_EQ(back.url.path, "/patch/data.pak?t=20240101");
  EXPECT_EQ(back.referer, state.referer);
  EXPECT_EQ(back.localFile, state.localFile);
  EXPECT_EQ(back.fileSize, 100003);
  ASSERT_EQ(back.segments.size(), 5u);
  for (size_t i = 0; i < 5; ++i) {
    EXPECT_EQ(back.segments[i].start, state.segments[i].start);
    EXPECT_EQ(back.segments[i].length, state.segments[i].length);
    EXPECT_EQ(back.segments[i].received, state.segments[i].received);
    EXPECT_EQ(back.segments[i].owner, 0);
  }
}

TEST(TaskStateBlob, RefusesEveryFlippedByteAndTruncation) {
  std::string blob = encodeTaskState(sampleState());
  TaskState back;
  for (size_t i = 0; i < blob.size(); ++i) {
    for (unsigned char mask : {0x01, 0x80}) {
      std::string bad = blob;
      bad[i] = static_cast<char>(bad[i] ^ mask);
      EXPECT_FALSE(decodeTaskState(bad, back)) << "byte " << i;
    }
  }
  for (size_t cut = 0; cut < blob.size(); cut += 7) EXPECT_FALSE(decodeTaskState(blob.substr(0, cut), back));
}

// Records with a correct check value but content that would make the engine write
// outside the file or into the wrong place.
TEST(TaskStateBlob, RefusesInconsistentTablesEvenWithAValidCheck) {
  TaskState back;
  auto refused = [&](TaskState s) { return !decodeTaskState(encodeTaskState(s), back); };
  TaskState gap = sampleState();
  gap.segments[2].start += 1;
  EXPECT_TRUE(refused(gap));
  TaskState over = sampleState();
  over.segments[1].received = over.segments[1].length + 1;
  EXPECT_TRUE(refused(over));
  TaskState longer = sampleState();
  longer.fileSize -= 1;
  EXPECT_TRUE(refused(longer));
  TaskState noHost = sampleState();
  noHost.url.host.clear();
  EXPECT_TRUE(refused(noHost));
  TaskState badPort = sampleState();
  badPort.url.port = 0;
  EXPECT_TRUE(refused(badPort));
  TaskState none = sampleState();
  none.segments.clear();
  EXPECT_TRUE(refused(none));
  EXPECT_FALSE(refused(sampleState()));
}

TEST(RequestHead, HasTheFieldsInOrder) {
  Url url{"127.0.0.1", 8081, "/a/b.zip?t=1"};
  EXPECT_EQ(buildRequestHead(url, "http://127.0.0.1:8081/a", 4096),
            "GET /a/b.zip?t=1 HTTP/1.1\r\nHost: 127.0.0.1:8081\r\nAccept: */*\r\n"
            "Referer: http://127.0.0.1:8081/a\r\n"
            "User-Agent: Mozilla/4.0 (compatible; MSIE 5.00; Windows 98)\r\n"
            "Range: bytes=4096-\r\nPragma: no-cache\r\nCache-Control: no-cache\r\nConnection: close\r\n\r\n");
  EXPECT_NE(buildRequestHead(url, "r", 4096, "\"v1\"").find("Range: bytes=4096-\r\nIf-Range: \"v1\"\r\nPragma"),
            std::string::npos);
  std::string first = buildRequestHead(Url{"h", 80, "/x"}, "http://h", -1, "\"v1\"");
  EXPECT_EQ(first.find("If-Range"), std::string::npos);
  EXPECT_EQ(first.find("Range"), std::string::npos);
  EXPECT_NE(first.find("Host: h\r\n"), std::string::npos);
}

TEST(ResponseHead, ReadsStatusLengthLocationAndRange) {
  ResponseHead head;
  size_t length = 0;
  std::string text = "HTTP/1.1 200 OK\r\nServer: x\r\nContent-length: 1234\r\n\r\nPAYLOAD";
  ASSERT_EQ(parseResponseHead(text, head, length), HeadStatus::complete);
  EXPECT_EQ(head.status, 200);
  EXPECT_EQ(head.contentLength, 1234);
  EXPECT_EQ(text.substr(length), "PAYLOAD");

  text = "HTTP/1.1 206 Partial\r\nContent-Range: bytes 100-199/200\r\nContent-Length: 100\r\n\r\n";
  ASSERT_EQ(parseResponseHead(text, head, length), HeadStatus::complete);
  EXPECT_TRUE(head.hasContentRange);
  EXPECT_EQ(head.rangeFirst, 100);
  EXPECT_EQ(head.rangeTotal, 200);

  ASSERT_EQ(parseResponseHead("HTTP/1.0 302 Moved\nLocation: /new\n\n", head, length), HeadStatus::complete);
  EXPECT_EQ(head.location, "/new");

  text = "HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\nETag: W/\"w\"\r\nLast-Modified: Mon, 01 Jan 2024\r\n\r\n";
  ASSERT_EQ(parseResponseHead(text, head, length), HeadStatus::complete);
  EXPECT_TRUE(head.chunked);
  EXPECT_FALSE(head.transferCoded);
  EXPECT_EQ(validatorOf(head), "Mon, 01 Jan 2024");  // a weak tag may not be used in If-Range
  ASSERT_EQ(parseResponseHead("HTTP/1.1 200 OK\r\nETag: \"s\"\r\nTransfer-Encoding: identity\r\n\r\n", head, length),
            HeadStatus::complete);
  EXPECT_FALSE(head.transferCoded);
  EXPECT_EQ(validatorOf(head), "\"s\"");
}

TEST(ResponseHead, WaitsForTheBlankLineAndRefusesGarbage) {
  ResponseHead head;
  size_t length = 0;
  EXPECT_EQ(parseResponseHead("HTTP/1.1 200 OK\r\nContent-Length: 5\r\n", head, length), HeadStatus::incomplete);
  EXPECT_EQ(parseResponseHead("", head, length), HeadStatus::incomplete);
  EXPECT_EQ(parseResponseHead("GARBAGE\r\n\r\n", head, length), HeadStatus::malformed);
  EXPECT_EQ(parseResponseHead("HTTP/1.1 2x0 OK\r\n\r\n", head, length), HeadStatus::malformed);
  EXPECT_EQ(parseResponseHead("HTTP/1.1 200 OK\r\nContent-Length: -5\r\n\r\n", head, length), HeadStatus::malformed);
  EXPECT_EQ(parseResponseHead("HTTP/1.1 200 OK\r\nContent-Length: 99999999999999999999\r\n\r\n", head, length),
            HeadStatus::malformed);
  EXPECT_EQ(parseResponseHead("HTTP/1.1 200 OK\r\nContent-Length: 5\r\nContent-Length: 6\r\n\r\n", head, length),
            HeadStatus::malformed);
  EXPECT_EQ(parseResponseHead("HTTP/1.1 206 OK\r\nContent-Range: bytes 9-3/10\r\n\r\n", head, length),
            HeadStatus::malformed);
  EXPECT_EQ(parseResponseHead(std::string(kMaxHeadBytes, 'a'), head, length), HeadStatus::malformed);
  // The unsatisfied form belongs to a refusal only.
  EXPECT_EQ(parseResponseHead("HTTP/1.1 206 OK\r\nContent-Range: bytes */10\r\n\r\n", head, length),
            HeadStatus::malformed);
  ASSERT_EQ(parseResponseHead("HTTP/1.1 416 No\r\nContent-Range: bytes */0\r\n\r\n", head, length),
            HeadStatus::complete);
  EXPECT_FALSE(head.hasContentRange);
  EXPECT_EQ(head.rangeTotal, 0);
}

TEST(ChunkedBody, TakesOffTheFramingInAnyPieces) {
  std::string framed = "5;ext=1\r\nhello\r\n1A\r\nabcdefghijklmnopqrstuvwxyz\r\n0\r\nX-Trailer: 1\r\n\r\nNEXT";
  for (size_t piece : {size_t{1}, size_t{3}, framed.size()}) {
    ChunkedBody chunks;
    std::string out;
    ChunkedBody::Status status = ChunkedBody::Status::more;
    for (size_t at = 0; at < framed.size(); at += piece) {
      status = chunks.feed(framed.data() + at, std::min(piece, framed.size() - at), out);
    }
    EXPECT_EQ(status, ChunkedBody::Status::finished) << piece;
    EXPECT_EQ(out, "helloabcdefghijklmnopqrstuvwxyz") << piece;
  }
  for (const char* bad : {"x\r\n", "\r\n", "3\r\nabcX\r\n", "1234567890123456\r\n"}) {
    ChunkedBody chunks;
    std::string out;
    EXPECT_EQ(chunks.feed(bad, std::strlen(bad), out), ChunkedBody::Status::malformed) << bad;
  }
}

}  // namespace
}  // namespace download
