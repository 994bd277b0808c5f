#include "range_probe.h"

#include <atomic>

#include "download/url.h"
#include "platform/proxy.h"
#include "platform/stream.h"

namespace fetchtool {

namespace {

constexpr int kTimeoutMs = 20000;  // the engine's own connect, send and receive time-outs
constexpr int kMaxRedirects = 10;

struct Step {
  std::string failure;
  bool absoluteTarget = false;
};

// Reads until a whole response head has arrived; false with `failure` set when none does.
bool receiveHead(platform::Stream& stream, const std::atomic<bool>& stop, download::ResponseHead& head,
                 std::string& failure) {
  std::string pending;
  char buffer[4096];
  for (;;) {
    size_t got = 0;
    if (stream.receive(buffer, sizeof buffer, got, kTimeoutMs, stop) != platform::SocketStatus::ok) {
      failure = "connection closed before an answer";
      return false;
    }
    pending.append(buffer, got);
    size_t length = 0;
    download::HeadStatus parsed = download::parseResponseHead(pending, head, length);
    if (parsed == download::HeadStatus::complete) return true;
    if (parsed == download::HeadStatus::malformed) {
      failure = "answer is not HTTP";
      return false;
    }
  }
}

// Connects to the server of `url` or its proxy, tunnels and secures as the address needs.
Step reach(platform::Stream& stream, const download::Url& url, const std::atomic<bool>& stop) {
  platform::ProxyServer proxy = platform::systemProxyFor(url.secure, url.host, url.port);
  if (proxy.malformed) return {"proxy settings not usable"};
  const std::string& host = proxy.direct() ? url.host : proxy.host;
  int port = proxy.direct() ? url.port : proxy.port;
  platform::SocketStatus status = stream.connect(host, port, kTimeoutMs, stop);
  if (status != platform::SocketStatus::ok) {
    std::string where = host + ":" + std::to_string(port);
    return {status == platform::SocketStatus::resolveFailed ? "cannot resolve " + host : "cannot connect to " + where};
  }
  if (!url.secure) return {"", !proxy.direct()};
  if (!proxy.direct()) {
    std::string target = url.host + ":" + std::to_string(url.port);
    std::string request = "CONNECT " + target + " HTTP/1.1\r\nHost: " + target + "\r\nUser-Agent: " +
                          download::kUserAgent + "\r\n\r\n";
    if (stream.sendAll(request, kTimeoutMs, stop) != platform::SocketStatus::ok) return {"proxy connection broke"};
    download::ResponseHead head;
    std::string failure;
    if (!receiveHead(stream, stop, head, failure)) return {"proxy: " + failure};
    if (head.status < 200 || head.status >= 300) return {"proxy refused the tunnel (" + std::to_string(head.status) + ")"};
  }
  platform::TlsStatus tls = stream.secure(url.host, kTimeoutMs, stop);
  if (tls == platform::TlsStatus::certificateRefused) return {"certificate refused for " + url.host};
  if (tls != platform::TlsStatus::ok) return {"TLS handshake failed"};
  return {};
}

}  // namespace

ProbeAnswer askRange(const std::string& address, int64_t first, int64_t last) {
  ProbeAnswer answer;
  download::Url url;
  if (!download::parseUrl(address, url)) {
    answer.failure = "not an http or https address";
    return answer;
  }
  std::atomic<bool> stop{false};
  for (int redirects = 0;; ++redirects) {
    platform::Stream stream;
    Step step = reach(stream, url, stop);
    if (!step.failure.empty()) {
      answer.failure = step.failure;
      return answer;
    }
    std::string referer = download::defaultReferer(download::formatUrl(url));
    std::string request = download::buildRequestHead(url, referer, first, {}, step.absoluteTarget, last);
    if (stream.sendAll(request, kTimeoutMs, stop) != platform::SocketStatus::ok) {
      answer.failure = "connection broke while asking";
      return answer;
    }
    answer.head = {};
    if (!receiveHead(stream, stop, answer.head, answer.failure)) return answer;
    int status = answer.head.status;
    if (status != 301 && status != 302) return answer;
    download::Url target;
    if (redirects >= kMaxRedirects || !download::resolveLocation(url, answer.head.location, target)) {
      answer.failure = "unusable redirect";
      return answer;
    }
    url = target;
  }
}

}  // namespace fetchtool
