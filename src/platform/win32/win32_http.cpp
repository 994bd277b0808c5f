#include "platform/win32/win32_http.h"

#include <windows.h>
#include <wininet.h>

#include <atomic>
#include <memory>
#include <mutex>
#include <new>
#include <optional>
#include <utility>

#include "platform/bounded_call.h"
#include "platform/win32/wide.h"

namespace platform::win32 {

namespace {

// Owns one WinINet handle.
class InternetHandle {
 public:
  explicit InternetHandle(HINTERNET h) : h_(h) {}
  InternetHandle(const InternetHandle&) = delete;
  InternetHandle& operator=(const InternetHandle&) = delete;
  ~InternetHandle() {
    if (h_) InternetCloseHandle(h_);
  }
  HINTERNET get() const { return h_; }
  explicit operator bool() const { return h_ != nullptr; }

 private:
  HINTERNET h_;
};

void setTimeouts(HINTERNET h, DWORD ms) {
  for (DWORD option : {INTERNET_OPTION_CONNECT_TIMEOUT, INTERNET_OPTION_SEND_TIMEOUT, INTERNET_OPTION_RECEIVE_TIMEOUT})
    InternetSetOptionW(h, option, &ms, sizeof ms);
}

// The request handle of one exchange, shared by the thread that makes the exchange and the
// caller waiting for it. WinINet's time-outs bound each wait, not a server that trickles a
// header line every few seconds; closing the handle is WinINet's own way to end a call blocked
// on it, so the caller closes it when its deadline passes and the thread, which looks before
// every further call, stops.
class RequestGuard {
 public:
  // Takes the handle; false, with the handle closed, when the caller has already given up.
  bool adopt(HINTERNET h) {
    std::lock_guard lock(mutex_);
    if (!cancelled_) return handle_ = h, true;
    InternetCloseHandle(h);
    return false;
  }
  bool live() {
    std::lock_guard lock(mutex_);
    return !cancelled_;
  }
  // Either side, once: the thread when it is done, the caller when it stops waiting.
  void close(bool cancel) {
    std::lock_guard lock(mutex_);
    cancelled_ = cancelled_ || cancel;
    if (handle_) InternetCloseHandle(std::exchange(handle_, nullptr));
  }

 private:
  std::mutex mutex_;
  HINTERNET handle_ = nullptr;
  bool cancelled_ = false;
};

struct Exchange {
  std::wstring host;
  INTERNET_PORT port;
  std::wstring pathAndQuery;
  bool secure;
  DWORD timeoutMs;
  size_t maxBytes;
};

HttpAnswer readBody(HINTERNET request, size_t maxBytes, RequestGuard& guard) {
  HttpAnswer answer;
  char buffer[16384];
  DWORD got = 0;
  while (guard.live() && InternetReadFile(request, buffer, sizeof buffer, &got) && got > 0) {
    if (got > maxBytes - answer.body.size()) return {{}, HttpAnswer::Refusal::tooLarge};
    answer.body.append(buffer, got);
  }
  return answer;
}

HttpAnswer exchange(const Exchange& x, RequestGuard& guard) {
  InternetHandle session(InternetOpenW(L"Mozilla/4.0 (compatible)", INTERNET_OPEN_TYPE_PRECONFIG, nullptr, nullptr, 0));
  if (!session) return {};
  setTimeouts(session.get(), x.timeoutMs);
  InternetHandle connection(
      InternetConnectW(session.get(), x.host.c_str(), x.port, nullptr, nullptr, INTERNET_SERVICE_HTTP, 0, 0));
  if (!connection) return {};
  const wchar_t* accept[] = {L"*/*", nullptr};
  DWORD flags = INTERNET_FLAG_RELOAD | INTERNET_FLAG_NO_CACHE_WRITE | INTERNET_FLAG_PRAGMA_NOCACHE |
                INTERNET_FLAG_NO_COOKIES | INTERNET_FLAG_NO_UI;
  // WinINet checks the certificate and the host name itself; no flag here relaxes either.
  if (x.secure) flags |= INTERNET_FLAG_SECURE;
  HINTERNET request =
      HttpOpenRequestW(connection.get(), L"GET", x.pathAndQuery.c_str(), L"HTTP/1.0", nullptr, accept, flags, 0);
  if (!request || !guard.adopt(request)) return {};
  // Closed before its connection and session.
  struct CloseAtEnd {
    RequestGuard& guard;
    ~CloseAtEnd() { guard.close(false); }
  } closeAtEnd{guard};
  if (!guard.live() || !HttpSendRequestW(request, nullptr, 0, nullptr, 0)) return {};
  // The body whatever the status; a broken connection leaves what had arrived.
  try {
    return readBody(request, x.maxBytes, guard);
  } catch (const std::bad_alloc&) {
    return {{}, HttpAnswer::Refusal::tooLarge};
  }
}

}  // namespace

HttpAnswer Win32HttpClient::get(const std::string& host, int port, const std::string& pathAndQuery, bool secure) {
  static const std::atomic<bool> never{false};
  Exchange x{widen(host), static_cast<INTERNET_PORT>(port), widen(pathAndQuery), secure,
             static_cast<DWORD>(timeoutMs_), maxBytes_};
  auto guard = std::make_shared<RequestGuard>();
  // The exchange runs on a thread of its own that owns all it touches; past the deadline its
  // answer is dropped and its request closed.
  std::optional<HttpAnswer> answer =
      callWithin<HttpAnswer>([x, guard] { return exchange(x, *guard); }, deadlineMs_, never);
  if (answer) return *answer;
  guard->close(true);
  return {{}, HttpAnswer::Refusal::tooSlow};
}

}  // namespace platform::win32
