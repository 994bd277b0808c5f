// What a download tells the support log: which source served how many bytes, which one was
// left and why, and a connection that keeps failing, at most once a minute on the launcher's clock.
#include <gtest/gtest.h>

#include <functional>
#include <mutex>
#include <string>
#include <vector>

#include "download/mirror_fixture.h"
#include "fakes/fake_platform.h"

namespace download {
namespace {

using dltest::RefusingPort;
using dltest::TestServer;

// The lines the engine's threads hand to the support log.
class StoryLines {
 public:
  void attach(TaskParameters& p) {
    p.supportNote = [this](const std::string& line) {
      std::lock_guard guard(mutex_);
      lines_.push_back(line);
    };
  }
  std::vector<std::string> starting(const std::string& prefix) const {
    std::lock_guard guard(mutex_);
    std::vector<std::string> found;
    for (const std::string& line : lines_)
      if (line.rfind(prefix, 0) == 0) found.push_back(line);
    return found;
  }
  bool has(const std::string& line) const {
    std::lock_guard guard(mutex_);
    for (const std::string& l : lines_)
      if (l == line) return true;
    return false;
  }
  std::string all() const {
    std::lock_guard guard(mutex_);
    std::string text;
    for (const std::string& l : lines_) text += l + "\n";
    return text;
  }

 private:
  mutable std::mutex mutex_;
  std::vector<std::string> lines_;
};

// The address as the log names it: without the cache-busting stamp.
std::string named(const std::string& url) { return "\"" + url.substr(0, url.find('?')) + "\""; }

TEST(SupportStory, EachSourceIsNamedWithItsBytesAndALeftOneWithWhy) {
  struct Case {
    const char* name;
    std::function<void(TestServer&)> spoil;  // of the mirror; null: the mirror refuses connections
    std::string why;
  };
  const std::string body = dltest::patternBody(1000003);
  const std::vector<Case> cases = {
      {"refuses connections", nullptr, "no connection"},
      {"an error", [](TestServer& s) { s.status = 404; }, "answered status 404"},
      {"a server error", [](TestServer& s) { s.status = 503; }, "answered status 503"},
      {"another version", [&](TestServer& s) { s.setBody(body, "\"v2\""); }, "serves another version of the file"},
      {"breaks off", [](TestServer& s) { s.cutAfter = 20000; s.cutCount = -1; }, "answer broke off"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    dltest::TempFolder folder;
    dltest::EventLog events;
    StoryLines story;
    DownloadEngine engine;
    engine.setRules(dltest::quickRetries(3));
    TestServer base(body), spoiled(body);
    RefusingPort refusing;
    base.setBody(body, "\"v1\"");
    spoiled.setBody(body, "\"v1\"");
    if (c.spoil) c.spoil(spoiled);
    std::string mirror = c.spoil ? spoiled.url("/mirror/patch.bin?t=9") : refusing.url("/mirror/patch.bin?t=9");
    TaskParameters p = events.params(base.url("/files/patch.bin?t=9"), folder.path("patch.bin.tmp"));
    p.mirrors = {mirror};
    story.attach(p);
    ASSERT_TRUE(engine.start(p));
    ASSERT_TRUE(events.waitForEnd());
    ASSERT_TRUE(engine.completed());

    // Told once, however many connections were on it.
    EXPECT_EQ(story.starting("download left "), std::vector<std::string>{"download left " + named(mirror) + ": " + c.why})
        << story.all();
    // One line per source at the end; together they account for every byte of the file.
    std::vector<std::string> served = story.starting("download from ");
    ASSERT_EQ(served.size(), 2u) << story.all();
    std::string baseLine = "download from " + named(base.url()) + ": ";
    std::string mirrorLine = "download from " + named(mirror) + ": ";
    int64_t total = 0;
    for (const std::string& line : served) {
      bool ofBase = line.rfind(baseLine, 0) == 0;
      ASSERT_TRUE(ofBase || line.rfind(mirrorLine, 0) == 0) << line;
      total += std::stoll(line.substr((ofBase ? baseLine : mirrorLine).size()));
      std::string ending = ofBase ? " bytes" : " bytes, left: " + c.why;
      EXPECT_TRUE(line.ends_with(ending)) << line;
    }
    EXPECT_EQ(total, static_cast<int64_t>(body.size())) << story.all();
    EXPECT_TRUE(story.starting("download failing ").empty()) << story.all();
  }
}

// One source that never answers: the first failure at once, then a line with the count only
// when a minute has passed on the launcher's clock, and the tally at the end.
TEST(SupportStory, AConnectionThatKeepsFailingIsToldOnceAMinute) {
  dltest::TempFolder folder;
  dltest::EventLog events;
  StoryLines story;
  fakes::FakeSystem system;
  system.tickStep = 20000;  // every reading of the clock: 20 s later
  DownloadEngine engine;
  engine.setRules(dltest::quickRetries(7));
  RefusingPort gone;
  TaskParameters p = events.params(gone.url("/files/patch.bin?t=3"), folder.path("patch.bin.tmp"), 1);
  story.attach(p);
  p.clock = [&system] { return system.tickCount(); };
  ASSERT_TRUE(engine.start(p));
  ASSERT_TRUE(events.waitForEnd());
  EXPECT_FALSE(engine.completed());

  std::string failing = "download failing " + named(gone.url()) + ": no connection, ";
  // Seven failures tried again, at 20 s, 40 s ... 140 s: noted at 20 s, 80 s and 140 s.
  EXPECT_EQ(story.starting("download failing "),
            (std::vector<std::string>{failing + "first failure", failing + "3 failures since the last line",
                                      failing + "3 failures since the last line"}))
      << story.all();
  EXPECT_TRUE(story.has("download from " + named(gone.url()) + ": 0 bytes")) << story.all();
  EXPECT_TRUE(story.has("download tried again 7 times after a failure")) << story.all();
  EXPECT_TRUE(story.starting("download left ").empty()) << "the last source is never left";
}

}  // namespace
}  // namespace download
