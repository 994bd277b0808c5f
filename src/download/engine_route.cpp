// How one connection reaches its server: straight, or through the user's proxy (plain HTTP
// with the whole address as the request target; HTTPS through a CONNECT tunnel), then TLS
// for https addresses.
#include <algorithm>
#include <string>

#include "download/engine_task.h"
#include "download/engine_texts.h"
#include "download/http_head.h"

namespace download {

namespace {

std::string endpoint(const std::string& host, int port) { return host + ":" + std::to_string(port); }

}  // namespace

// Connects `socket` to the server of `url` or to its proxy, tunnels and secures it as the
// address needs. `absoluteTarget` tells the request to name the whole address (plain HTTP
// through a proxy).
// Under a speed limit a connection holds a twentieth of a second of the limit in the system's
// buffer, not the megabytes it would grow to: the server then sends as the limit reads, and
// what it has sent when a segment ends and its connection closes is little.
int EngineTask::receiveBufferFor() const {
  int64_t rate = params_.control ? params_.control->rate() : 0;
  if (rate <= 0) return 0;
  return static_cast<int>(std::clamp<int64_t>(rate / 20, 16 * 1024, 1 << 20));
}

EngineTask::Outcome EngineTask::reach(platform::Stream& socket, const Url& url, bool& absoluteTarget) {
  platform::ProxyServer proxy = proxyFor(url);
  if (proxy.malformed) return refused(Outcome::proxyInvalid, texts::kProxyInvalid + url.host + "]");
  const std::string& host = proxy.direct() ? url.host : proxy.host;
  int port = proxy.direct() ? url.port : proxy.port;
  say(0, texts::kResolving + host + "]");
  say(0, texts::kConnecting + endpoint(host, port) + "]");
  platform::SocketStatus status = socket.connect(host, port, params_.connectTimeout, stop_, receiveBufferFor());
  if (status == platform::SocketStatus::stopped) return Outcome::stopped;
  if (status != platform::SocketStatus::ok) {
    const char* how = status == platform::SocketStatus::timedOut ? texts::kTimedOut : texts::kFailed;
    say(3, texts::kConnectPrefix + endpoint(host, port) + "]" + how);
    return Outcome::failed;
  }
  say(0, texts::kConnectedPrefix + endpoint(host, port) + "]" + texts::kSucceeded);
  absoluteTarget = !proxy.direct() && !url.secure;
  if (!url.secure) return Outcome::done;
  if (!proxy.direct()) {
    Outcome tunneled = tunnel(socket, url);
    if (tunneled != Outcome::done) return tunneled;
  }
  return secure(socket, url);
}

// Asked once per server and task: finding the proxy may mean running a configuration script.
platform::ProxyServer EngineTask::proxyFor(const Url& url) {
  std::string key = (url.secure ? "https " : "http ") + url.host + " " + std::to_string(url.port);
  {
    std::lock_guard guard(lock_);
    auto known = proxies_.find(key);
    if (known != proxies_.end()) return known->second;
  }
  platform::ProxyServer found = rules_.proxyFor ? rules_.proxyFor(url.secure, url.host, url.port) : platform::ProxyServer{};
  std::lock_guard guard(lock_);
  return proxies_.emplace(key, found).first->second;
}

// Asks the proxy for a tunnel to the server. Its answer ends at the blank line; nothing follows
// until TLS begins, so whatever else arrives is a broken proxy.
EngineTask::Outcome EngineTask::tunnel(platform::Stream& socket, const Url& url) {
  std::string target = hostField(Url{url.host, url.port, "/", false});
  if (url.port == 80) target += ":80";
  std::string request = "CONNECT " + target + " HTTP/1.1\r\nHost: " + target + "\r\nUser-Agent: " + kUserAgent +
                        "\r\nProxy-Connection: keep-alive\r\n\r\n";
  Outcome sent = sendRequest(socket, request);
  if (sent != Outcome::done) return sent;
  std::string pending;
  ResponseHead head;
  Outcome received = receiveHead(socket, pending, head);
  // A head too long or not HTTP at all is what this proxy answers, every time.
  if (received == Outcome::gaveUp) return refused(Outcome::proxyRefused, proxyRefusal(head.status));
  if (received != Outcome::done) return received == Outcome::stopped ? received : Outcome::failed;
  // A gateway that could not reach the server may reach it on a later try.
  if (head.status >= 500) return Outcome::failed;
  // 407 asks for credentials the launcher does not have; 403 and the like are the proxy's
  // rules; a redirect or bytes before TLS are no tunnel. Asking again would only bring the
  // same answer.
  if (head.status < 200 || head.status >= 300 || !pending.empty())
    return refused(Outcome::proxyRefused, proxyRefusal(head.status));
  return Outcome::done;
}

// TLS on a fresh connection. A certificate that fails the check is never asked again: it
// would be the same certificate, and taking it would hand the file to whoever holds it.
EngineTask::Outcome EngineTask::secure(platform::Stream& socket, const Url& url) {
  platform::TlsStatus status = socket.secure(url.host, params_.receiveTimeout, stop_);
  switch (status) {
    case platform::TlsStatus::ok: return Outcome::done;
    case platform::TlsStatus::stopped: return Outcome::stopped;
    case platform::TlsStatus::certificateRefused:
      return refused(Outcome::certificateRefused, texts::kCertificateRefused + url.host + "]");
    default:
      say(3, texts::kConnectPrefix + endpoint(url.host, url.port) + "]" + texts::kFailed);
      return Outcome::failed;
  }
}

// A refusal the player can act on: said at once with the server or proxy it came from. The
// connection leaves that source for another one if it can, and ends the task if not.
EngineTask::Outcome EngineTask::refused(Outcome refusal, const std::string& text) {
  say(3, text);
  return refusal;
}

bool EngineTask::isRefusal(Outcome outcome) {
  return outcome == Outcome::certificateRefused || outcome == Outcome::proxyRefused ||
         outcome == Outcome::proxyInvalid || outcome == Outcome::sizeRefused;
}

// Ends the task for the cause of a refusal on its last source: the other connections would
// meet the same refusal, so they end too and the file stays for a later run.
void EngineTask::endForRefusal(Outcome refusal) {
  DownloadFailure cause = DownloadFailure::sizeRefused;
  switch (refusal) {
    case Outcome::certificateRefused: cause = DownloadFailure::certificateRefused; break;
    case Outcome::proxyRefused: cause = DownloadFailure::proxyRefused; break;
    case Outcome::proxyInvalid: cause = DownloadFailure::proxyInvalid; break;
    default: break;
  }
  std::lock_guard guard(lock_);
  if (failure_ == DownloadFailure::none) failure_ = cause;
  stop_.store(true);
  wake_.notify_all();
}

// Sends a request head whole; it is shown in the task's detail log once it has gone out.
EngineTask::Outcome EngineTask::sendRequest(platform::Stream& socket, const std::string& request) {
  platform::SocketStatus status = socket.sendAll(request, params_.sendTimeout, stop_);
  if (status == platform::SocketStatus::stopped) return Outcome::stopped;
  if (status != platform::SocketStatus::ok) return Outcome::failed;
  say(1, request);
  return Outcome::done;
}

std::string EngineTask::proxyRefusal(int status) { return texts::kProxyRefused + std::to_string(status) + "]"; }

}  // namespace download
