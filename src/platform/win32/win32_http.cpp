#include "platform/win32/win32_http.h"

#include <windows.h>
#include <wininet.h>

#include <algorithm>
#include <utility>

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

}  // namespace

std::string Win32HttpClient::get(const std::string& host, int port, const std::string& pathAndQuery, bool secure) {
  InternetHandle session(InternetOpenW(L"Mozilla/4.0 (compatible)", INTERNET_OPEN_TYPE_PRECONFIG, nullptr, nullptr, 0));
  if (!session) return {};
  setTimeouts(session.get(), static_cast<DWORD>(timeoutMs_));
  InternetHandle connection(InternetConnectW(session.get(), widen(host).c_str(), static_cast<INTERNET_PORT>(port),
                                             nullptr, nullptr, INTERNET_SERVICE_HTTP, 0, 0));
  if (!connection) return {};
  const wchar_t* accept[] = {L"*/*", nullptr};
  DWORD flags = INTERNET_FLAG_RELOAD | INTERNET_FLAG_NO_CACHE_WRITE | INTERNET_FLAG_PRAGMA_NOCACHE |
                INTERNET_FLAG_NO_COOKIES | INTERNET_FLAG_NO_UI;
  // WinINet checks the certificate and the host name itself; no flag here relaxes either.
  if (secure) flags |= INTERNET_FLAG_SECURE;
  InternetHandle request(HttpOpenRequestW(connection.get(), L"GET", widen(pathAndQuery).c_str(), L"HTTP/1.0",
                                          nullptr, accept, flags, 0));
  if (!request) return {};
  if (!HttpSendRequestW(request.get(), nullptr, 0, nullptr, 0)) return {};
  // The body whatever the status; a broken connection leaves what had arrived.
  std::string body;
  char buffer[16384];
  DWORD got = 0;
  while (body.size() < maxBytes_ && InternetReadFile(request.get(), buffer, sizeof buffer, &got) && got > 0)
    body.append(buffer, std::min<size_t>(got, maxBytes_ - body.size()));
  return body;
}

}  // namespace platform::win32
