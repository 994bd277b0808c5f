#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

#include "fakes/fake_platform.h"
#include "patching/md5.h"
#include "release_check.h"
#include "signing.h"
#include "state/app_state.h"
#include "ui/window.h"

namespace fetchtool {
namespace {

download::ResponseHead head(int status, int64_t length, int64_t first, int64_t last, int64_t total) {
  download::ResponseHead h;
  h.status = status;
  h.contentLength = length;
  h.hasContentRange = first >= 0;
  h.rangeFirst = first;
  h.rangeLast = last;
  h.rangeTotal = total;
  return h;
}

TEST(ReleaseCheckFacts, ReadsTheAnswerToAOneByteRange) {
  struct Case {
    const char* what;
    download::ResponseHead head;
    std::string failure;
    int64_t size;
    bool ranged;
  } cases[] = {
      {"206 with the range asked for", head(206, 1, 0, 0, 5000), "", 5000, true},
      {"206 with another range", head(206, 100, 0, 99, 5000), "206 without a Content-Range of bytes 0-0/<size>", -1, false},
      {"206 without Content-Range", head(206, 1, -1, -1, -1), "206 without a Content-Range of bytes 0-0/<size>", -1, false},
      {"206 of an unknown total", head(206, 1, 0, 0, -1), "206 without a Content-Range of bytes 0-0/<size>", -1, false},
      {"200: the whole file", head(200, 5000, -1, -1, -1), "", 5000, false},
      {"200 of no length", head(200, -1, -1, -1, -1), "200 without a Content-Length", -1, false},
      {"404", head(404, 10, -1, -1, -1), "HTTP 404", -1, false},
      {"416", head(416, 0, -1, -1, -1), "HTTP 416", -1, false},
  };
  for (const Case& c : cases) {
    SourceFacts facts = factsFromHead(c.head);
    EXPECT_EQ(facts.failure, c.failure) << c.what;
    if (c.failure.empty()) {
      EXPECT_EQ(facts.size, c.size) << c.what;
    }
    EXPECT_EQ(facts.ranged, c.ranged) << c.what;
    if (c.failure.empty() && !c.ranged) {
      EXPECT_FALSE(facts.rangeProblem.empty()) << c.what;
    }
  }
  download::ResponseHead tagged = head(206, 1, 0, 0, 5);
  tagged.etag = "\"abc\"";
  tagged.lastModified = "Tue, 01 Dec 2026 10:00:00 GMT";
  EXPECT_EQ(factsFromHead(tagged).validator, "\"abc\"");
  tagged.etag.clear();
  EXPECT_EQ(factsFromHead(tagged).validator, "Tue, 01 Dec 2026 10:00:00 GMT");
}

SourceFacts ranged(int64_t size) {
  SourceFacts f;
  f.size = size;
  f.ranged = true;
  f.validator = "\"v\"";
  return f;
}

const std::string kMd5 = "0123456789ABCDEF0123456789ABCDEF";
const std::string kHeader = "0011223344556677";
const std::string kSha = std::string(64, 'a');

TEST(ReleaseCheckRows, ComparesEachSourceWithTheManifest) {
  ReleaseFile md5File{"a.pak", {"http://h/a.pak"}, 100, kMd5, ""};
  ReleaseFile signedFile{"b.bin", {"http://h/b.bin"}, 100, kHeader, kSha};
  ReleaseFile launcher{"DLQ.exe", {"http://h/DLQ.exe"}, -1, "", kSha};
  ReleaseFile badCode{"c.pak", {"http://h/c.pak"}, 100, "12345", ""};
  SourceFacts whole = ranged(100);
  whole.ranged = false;
  whole.rangeProblem = "answered 200";
  SourceFacts missing;
  missing.failure = "HTTP 404";
  FileCodes same{"", kMd5, kSha};
  FileCodes header{"", kHeader, kSha};
  FileCodes otherSha{"", kHeader, std::string(64, 'b')};
  FileCodes broken{"incomplete", "", ""};
  struct Case {
    const char* what;
    const ReleaseFile& file;
    SourceFacts facts;
    const FileCodes* codes;
    Verdict size, ranges, digest;
    std::string reason;  // a part of the row's reasons; empty: none at all
  } cases[] = {
      {"all well, not downloaded", md5File, ranged(100), nullptr, Verdict::ok, Verdict::ok, Verdict::unchecked, ""},
      {"all well, downloaded", md5File, ranged(100), &same, Verdict::ok, Verdict::ok, Verdict::ok, ""},
      {"another size", md5File, ranged(99), nullptr, Verdict::failed, Verdict::ok, Verdict::unchecked, "size 99, manifest 100"},
      {"no ranges", md5File, whole, nullptr, Verdict::ok, Verdict::failed, Verdict::unchecked, "answered 200"},
      {"no file", md5File, missing, &same, Verdict::failed, Verdict::failed, Verdict::unchecked, "HTTP 404"},
      {"other MD5", md5File, ranged(100), &header, Verdict::ok, Verdict::ok, Verdict::failed, "CheckCode 0011223344556677, manifest 0123"},
      {"header code and sha256", signedFile, ranged(100), &header, Verdict::ok, Verdict::ok, Verdict::ok, ""},
      {"header code, other sha256", signedFile, ranged(100), &otherSha, Verdict::ok, Verdict::ok, Verdict::failed, "sha256 bbbb"},
      {"download broke", signedFile, ranged(100), &broken, Verdict::ok, Verdict::ok, Verdict::failed, "download: incomplete"},
      {"launcher: no size to compare", launcher, ranged(7), &header, Verdict::unchecked, Verdict::ok, Verdict::ok, ""},
      {"a CheckCode no file has", badCode, ranged(100), &same, Verdict::ok, Verdict::ok, Verdict::failed, "not 16 or 32"},
  };
  for (const Case& c : cases) {
    CheckRow row = checkSource(c.file, c.file.sources[0], c.facts, c.codes);
    EXPECT_EQ(row.size, c.size) << c.what;
    EXPECT_EQ(row.ranges, c.ranges) << c.what;
    EXPECT_EQ(row.digest, c.digest) << c.what;
    std::string reasons;
    for (const std::string& r : row.reasons) reasons += r + ";";
    if (c.reason.empty()) {
      EXPECT_EQ(reasons, "") << c.what;
    } else {
      EXPECT_NE(reasons.find(c.reason), std::string::npos) << c.what << ": " << reasons;
    }
    bool failing = c.size == Verdict::failed || c.ranges == Verdict::failed || c.digest == Verdict::failed;
    EXPECT_EQ(row.passed(), !failing) << c.what;
  }
  SourceFacts untagged = ranged(100);
  untagged.validator.clear();
  CheckRow row = checkSource(md5File, "http://h/a.pak", untagged, nullptr);
  EXPECT_TRUE(row.passed());
  ASSERT_EQ(row.reasons.size(), 1u);
  EXPECT_EQ(row.reasons[0], "note: no ETag or Last-Modified");
}

TEST(ReleaseCheckRows, TableShowsEveryRowAndTheSummaryCountsFailures) {
  CheckRow good{"a.pak", "http://h/a.pak", Verdict::ok, Verdict::ok, Verdict::unchecked, "\"v\"", {}};
  CheckRow bad{"data/b.pak", "http://m/b.pak", Verdict::failed, Verdict::failed, Verdict::unchecked, "", {"HTTP 404", "x"}};
  std::string table = formatTable({good, bad});
  EXPECT_EQ(table,
            "file        source          size  ranges  digest  reason\n"
            "a.pak       http://h/a.pak  ok    ok      -       \n"
            "data/b.pak  http://m/b.pak  FAIL  FAIL    -       HTTP 404; x\n");
  EXPECT_EQ(summaryLine({good, bad}), "release check FAILED: 2 file sources checked, 1 failed\n");
  EXPECT_EQ(summaryLine({good}), "release check passed: 1 file sources checked, 0 failed\n");
}

// Answers from a table of addresses (without their stamp); every address asked is kept.
struct FakeAsker : SourceAsker {
  std::map<std::string, SourceFacts> facts;
  std::map<std::string, FileCodes> codes;
  std::vector<std::string> asked, downloaded;
  static std::string unstamped(const std::string& a) { return a.substr(0, a.find("?t=")); }
  SourceFacts ask(const std::string& address) override {
    asked.push_back(address);
    auto it = facts.find(unstamped(address));
    if (it != facts.end()) return it->second;
    SourceFacts none;
    none.failure = "unreachable";
    return none;
  }
  FileCodes download(const std::string& address, const std::string&) override {
    downloaded.push_back(address);
    return codes[unstamped(address)];
  }
};

const std::string kManifestKey = "10.1.1.1:8888/dlq/UpdateInfo_test.xml";

std::string manifest(const std::string& sha) {
  return "<?xml version=\"1.0\"?>\r\n<UpdateInfo serial=\"1700000000\"><ServerList><S name=\"one\"/></ServerList>"
         "<Launcher name=\"DLQ.exe\" url=\"http://base/DLQ.exe\" ver=\"2.0\" sha256=\"" + sha + "\"/>"
         "<PatchList><Patch name=\"a.pak\" path=\"data\" size=\"100\" CheckCode=\"" + kMd5 +
         "\" url=\"http://base/data/a.pak\" isupdate=\"true\"/></PatchList>"
         "<MirrorList base=\"http://base\"><Mirror base=\"http://mirror\"/></MirrorList></UpdateInfo>\r\n";
}

class ReleaseCheckRun : public ::testing::Test {
 protected:
  ReleaseCheckRun() {
    app.endpoints.manifestPrimary = "10.1.1.1";
    app.endpoints.manifestSecondary = "10.2.2.2";
    app.clientFolder = "C:\\Check\\";
    for (const char* source : {"http://base/data/a.pak", "http://mirror/data/a.pak"}) {
      asker.facts[source] = ranged(100);
      asker.codes[source] = {"", kMd5, ""};
    }
    for (const char* source : {"http://base/DLQ.exe", "http://mirror/DLQ.exe"}) {
      asker.facts[source] = ranged(7);
      asker.codes[source] = {"", "", kSha};
    }
  }
  int run(bool full) {
    out.clear();
    return runReleaseCheck(app, asker, full, out);
  }

  fakes::FakePlatform fake;
  ui::Window window{text::DisplayCode::SC};
  state::AppState app{fake.bundle, window, text::DisplayCode::SC};
  FakeAsker asker;
  std::string out;
};

TEST_F(ReleaseCheckRun, AsksEverySourceOfEveryFileWithTheLaunchersStamp) {
  fake.http.bodies[kManifestKey] = manifest(kSha);
  EXPECT_EQ(run(false), 0) << out;
  std::vector<std::string> unstamped;
  for (const std::string& a : asker.asked) {
    EXPECT_NE(a.find("?t="), std::string::npos) << a;
    unstamped.push_back(FakeAsker::unstamped(a));
  }
  EXPECT_EQ(unstamped, (std::vector<std::string>{"http://base/data/a.pak", "http://mirror/data/a.pak",
                                                 "http://base/DLQ.exe", "http://mirror/DLQ.exe"}));
  EXPECT_TRUE(asker.downloaded.empty());
  EXPECT_NE(out.find("data/a.pak  http://mirror/data/a.pak  ok    ok      -"), std::string::npos) << out;
  EXPECT_NE(out.find("release check passed: 4 file sources checked, 0 failed"), std::string::npos) << out;

  EXPECT_EQ(run(true), 0) << out;
  EXPECT_EQ(asker.downloaded.size(), 4u);
  asker.codes["http://mirror/DLQ.exe"].sha256 = std::string(64, 'c');
  EXPECT_EQ(run(true), 1) << out;
  EXPECT_NE(out.find("DLQ.exe     http://mirror/DLQ.exe     -     ok      FAIL"), std::string::npos) << out;
}

TEST_F(ReleaseCheckRun, AnyFailingSourceFailsTheCheck) {
  fake.http.bodies[kManifestKey] = manifest(kSha);
  asker.facts.erase("http://mirror/data/a.pak");
  EXPECT_EQ(run(false), 1);
  EXPECT_NE(out.find("FAIL  FAIL    -       unreachable"), std::string::npos) << out;
  EXPECT_NE(out.find("release check FAILED: 4 file sources checked, 1 failed"), std::string::npos) << out;
}

TEST_F(ReleaseCheckRun, NoUsableManifestEndsWithItsOwnCode) {
  EXPECT_EQ(run(false), state::kExitNoManifest);
  EXPECT_TRUE(asker.asked.empty());
  EXPECT_NE(out.find("no usable manifest"), std::string::npos);
  // The secondary address is asked too, as the launcher asks it.
  fake.http.bodies["10.2.2.2:8282/buding/dlq/UpdateInfo_test.xml"] = manifest(kSha);
  EXPECT_EQ(run(false), 0) << out;
}

TEST_F(ReleaseCheckRun, TheBuildsKeysDecideWhichManifestCounts) {
  maker::SigningKey key, stranger;
  std::string error;
  ASSERT_TRUE(maker::SigningKey::generate(key, error)) << error;
  ASSERT_TRUE(maker::SigningKey::generate(stranger, error)) << error;
  app.endpoints.trustKeys[0] = key.publicKey();
  fake.http.bodies[kManifestKey] = manifest(kSha);
  EXPECT_EQ(run(false), state::kExitNoManifest) << "unsigned";
  std::string text = manifest(kSha);
  ASSERT_TRUE(maker::appendSignature(text, stranger, error)) << error;
  fake.http.bodies[kManifestKey] = text;
  EXPECT_EQ(run(false), state::kExitNoManifest) << "another key";
  text = manifest(kSha);
  ASSERT_TRUE(maker::appendSignature(text, key, error)) << error;
  fake.http.bodies[kManifestKey] = text;
  EXPECT_EQ(run(false), 0) << out;
  fake.system.utc = 1800000000;
  app.endpoints.minimumSerial = 1700000001;
  EXPECT_EQ(run(false), state::kExitNoManifest) << "older than the build";
}

}  // namespace
}  // namespace fetchtool
