// Refusals that asking again cannot change (a certificate that fails the check, a proxy that
// turns the connection down) on one of several sources of a file: that source is left and
// the others finish the file; only the last source's refusal ends the download, with its cause.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "download/mirror_fixture.h"
#include "download/engine_texts.h"
#include "download/task_state_blob.h"
#include "download/tls_test_server.h"

namespace download {
namespace {

using dltest::EventLog;
using dltest::TestServer;
using dltest::UntrustedTlsServer;

// The name under which a test's proxy is used; every other host is reached directly.
constexpr const char* kProxiedHost = "files.example";

const char* kTunnelRefused =
    "HTTP/1.1 407 Proxy Authentication Required\r\nProxy-Authenticate: Basic realm=\"p\"\r\nContent-Length: 0\r\n\r\n";

class SourceRefusal : public dltest::MirrorDownload {
 protected:
  TestServer proxy{body};

  void SetUp() override {
    EngineRules rules = dltest::quickRetries(3);
    rules.proxyFor = [this](bool, const std::string& host, int) {
      return host == kProxiedHost ? platform::ProxyServer{"127.0.0.1", proxy.port()} : platform::ProxyServer{};
    };
    engine.setRules(rules);
  }

  void expectWhole() {
    ASSERT_TRUE(log.waitForEnd());
    EXPECT_TRUE(engine.completed());
    EXPECT_EQ(engine.failure(), DownloadFailure::none);
    EXPECT_EQ(dltest::readFile(file), body);
  }
};

TEST_F(SourceRefusal, ACertificateRefusedOnTheFirstSourceLeavesItAndTheOtherServesTheFile) {
  UntrustedTlsServer untrusted;
  ASSERT_TRUE(untrusted.ready());
  TestServer good(body);
  ASSERT_TRUE(engine.start(withMirrors(untrusted.url(), {good.url()})));
  expectWhole();
  EXPECT_TRUE(log.saidText(std::string(texts::kCertificateRefused) + "127.0.0.1]"));
  EXPECT_TRUE(dropped(untrusted.url()));
  EXPECT_FALSE(dropped(good.url()));
  // Asked once: the other connections never went there once it was left.
  EXPECT_EQ(untrusted.connections(), 1);
  ASSERT_FALSE(good.rangeStarts().empty());
  EXPECT_EQ(good.rangeStarts().front(), -1);  // the size came from the source that answered
}

TEST_F(SourceRefusal, AProxyRefusalOnOneSourceLeavesItForTheOthers) {
  struct Case {
    const char* name;
    std::string address;
  };
  // Through a proxy, https asks for a tunnel; plain http names the whole address instead.
  std::vector<Case> cases = {
      {"a tunnel refused", std::string("https://") + kProxiedHost + "/patch.bin"},
      {"a plain request refused", std::string("http://") + kProxiedHost + ":81/patch.bin"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    EventLog events;
    DownloadEngine fresh;
    EngineRules rules = dltest::quickRetries(3);
    TestServer refusing(body), good(body);
    rules.proxyFor = [&](bool, const std::string& host, int) {
      return host == kProxiedHost ? platform::ProxyServer{"127.0.0.1", refusing.port()} : platform::ProxyServer{};
    };
    fresh.setRules(rules);
    if (c.address.rfind("https", 0) == 0) {
      refusing.rawAnswer(kTunnelRefused, 100);
    } else {
      refusing.status = 407;
    }
    TaskParameters p = events.params(c.address, file);
    p.mirrors = {good.url()};
    ASSERT_TRUE(fresh.start(p));
    ASSERT_TRUE(events.waitForEnd());
    EXPECT_TRUE(fresh.completed());
    EXPECT_EQ(fresh.failure(), DownloadFailure::none);
    EXPECT_EQ(dltest::readFile(file), body);
    EXPECT_TRUE(events.saidText(std::string(texts::kProxyRefused) + "407]"));
    EXPECT_TRUE(events.saidText(texts::kSourceDropped + dltest::sourceName(c.address) + "]"));
    EXPECT_EQ(refusing.requests().size(), 1u);
  }
}

TEST_F(SourceRefusal, WhenEverySourceRefusesTheLastRefusalEndsTheDownloadWithItsCause) {
  // The first connection tries the sources in order: the second source's refusal is the last.
  UntrustedTlsServer untrustedA, untrustedB;
  ASSERT_TRUE(untrustedA.ready());
  ASSERT_TRUE(untrustedB.ready());
  std::string proxied = std::string("https://") + kProxiedHost + "/patch.bin";
  proxy.rawAnswer(kTunnelRefused, 100);
  struct Case {
    const char* name;
    std::string first, second;
    DownloadFailure expected;
  };
  std::vector<Case> cases = {
      {"two certificates", untrustedA.url(), untrustedB.url(), DownloadFailure::certificateRefused},
      {"a certificate, then the proxy", untrustedA.url(), proxied, DownloadFailure::proxyRefused},
      {"the proxy, then a certificate", proxied, untrustedB.url(), DownloadFailure::certificateRefused},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    EventLog events;
    DownloadEngine fresh;
    EngineRules rules = dltest::quickRetries(3);
    rules.proxyFor = [this](bool, const std::string& host, int) {
      return host == kProxiedHost ? platform::ProxyServer{"127.0.0.1", proxy.port()} : platform::ProxyServer{};
    };
    fresh.setRules(rules);
    int before = untrustedA.connections() + untrustedB.connections() + static_cast<int>(proxy.requests().size());
    TaskParameters p = events.params(c.first, file);
    p.mirrors = {c.second};
    ASSERT_TRUE(fresh.start(p));
    ASSERT_TRUE(events.waitForEnd());
    EXPECT_FALSE(fresh.completed());
    EXPECT_EQ(fresh.failure(), c.expected);
    EXPECT_TRUE(events.saidText(texts::kSourceDropped + dltest::sourceName(c.first) + "]"));
    EXPECT_FALSE(events.saidText(texts::kSourceDropped + dltest::sourceName(c.second) + "]"));
    // One try per source: neither refusal is asked again.
    int after = untrustedA.connections() + untrustedB.connections() + static_cast<int>(proxy.requests().size());
    EXPECT_EQ(after - before, 2);
  }
}

// A chain longer than the client reads can never be checked: refused once, not retried.
TEST_F(SourceRefusal, ACertificateChainTooLongToReadIsRefusedAtOnce) {
  UntrustedTlsServer oversized(384 * 1024);
  ASSERT_TRUE(oversized.ready());
  ASSERT_TRUE(engine.start(log.params(oversized.url(), file)));
  ASSERT_TRUE(log.waitForEnd());
  EXPECT_FALSE(engine.completed());
  EXPECT_EQ(engine.failure(), DownloadFailure::certificateRefused);
  EXPECT_TRUE(log.saidText(std::string(texts::kCertificateRefused) + "127.0.0.1]"));
  EXPECT_EQ(oversized.connections(), 1);
}

// A resumed file starts all its connections at once, spread over the sources: several meet
// the refusal together and each moves on, none ends the download.
TEST_F(SourceRefusal, ResumedConnectionsRefusedTogetherAllMoveToTheGoodSource) {
  UntrustedTlsServer untrusted;
  ASSERT_TRUE(untrusted.ready());
  TestServer good(body);
  TaskState state;
  parseUrl(untrusted.url(), state.url);
  state.fileSize = static_cast<int32_t>(body.size());
  state.segments = SegmentTable::fresh(state.fileSize, 5).segments();
  std::string partial(body.size(), '\0');
  for (Segment& s : state.segments) {
    s.received = 1000;
    partial.replace(static_cast<size_t>(s.start), 1000, body.substr(static_cast<size_t>(s.start), 1000));
  }
  dltest::writeFile(file, partial);
  ASSERT_TRUE(engine.resume(withMirrors(untrusted.url(), {good.url()}), encodeTaskState(state)));
  expectWhole();
  EXPECT_TRUE(dropped(untrusted.url()));
  // Three of the five went to the refusing source first; each met it once at most.
  EXPECT_GE(untrusted.connections(), 1);
  EXPECT_LE(untrusted.connections(), 3);
  EXPECT_EQ(good.requests().size(), 5u);
  for (int64_t start : good.rangeStarts()) EXPECT_GT(start, 0);
}

}  // namespace
}  // namespace download
