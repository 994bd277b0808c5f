// The user's proxy settings as Internet Explorer and WinINet keep them, read through WinHTTP:
// a fixed proxy with its bypass list, or automatic detection and configuration scripts.
#include <windows.h>
#include <winhttp.h>

#include "platform/proxy.h"
#include "platform/win32/wide.h"

namespace platform {

namespace {

// Frees the strings WinHTTP hands out.
struct GlobalText {
  LPWSTR text = nullptr;
  ~GlobalText() {
    if (text != nullptr) GlobalFree(text);
  }
  std::string narrowed() const { return text == nullptr ? std::string() : win32::narrow(text); }
};

class SessionHandle {
 public:
  explicit SessionHandle(HINTERNET h) : h_(h) {}
  SessionHandle(const SessionHandle&) = delete;
  SessionHandle& operator=(const SessionHandle&) = delete;
  ~SessionHandle() {
    if (h_ != nullptr) WinHttpCloseHandle(h_);
  }
  HINTERNET get() const { return h_; }

 private:
  HINTERNET h_;
};

ProxyServer chosen(const std::string& list, const std::string& bypass, bool secure, const std::string& host) {
  if (list.empty() || proxy_rules::bypassedByWindowsList(bypass, host)) return {};
  return proxy_rules::pickFromWindowsList(list, secure);
}

// What detection (WPAD) or the configuration script says for `url`; false when neither gave an answer.
bool scriptedProxy(bool detect, const std::wstring& scriptUrl, const std::wstring& url, std::string& list,
                   std::string& bypass) {
  SessionHandle session(WinHttpOpen(L"launcher", WINHTTP_ACCESS_TYPE_NO_PROXY, WINHTTP_NO_PROXY_NAME,
                                    WINHTTP_NO_PROXY_BYPASS, 0));
  if (session.get() == nullptr) return false;
  WINHTTP_AUTOPROXY_OPTIONS options{};
  if (detect) {
    options.dwFlags |= WINHTTP_AUTOPROXY_AUTO_DETECT;
    options.dwAutoDetectFlags = WINHTTP_AUTO_DETECT_TYPE_DHCP | WINHTTP_AUTO_DETECT_TYPE_DNS_A;
  }
  if (!scriptUrl.empty()) {
    options.dwFlags |= WINHTTP_AUTOPROXY_CONFIG_URL;
    options.lpszAutoConfigUrl = scriptUrl.c_str();
  }
  options.fAutoLogonIfChallenged = TRUE;
  WINHTTP_PROXY_INFO info{};
  if (!WinHttpGetProxyForUrl(session.get(), url.c_str(), &options, &info)) return false;
  GlobalText proxy{info.lpszProxy}, bypassed{info.lpszProxyBypass};
  list = info.dwAccessType == WINHTTP_ACCESS_TYPE_NAMED_PROXY ? proxy.narrowed() : std::string();
  bypass = bypassed.narrowed();
  return true;
}

}  // namespace

ProxyServer systemProxyFor(bool secure, const std::string& host, int port) {
  WINHTTP_CURRENT_USER_IE_PROXY_CONFIG config{};
  if (!WinHttpGetIEProxyConfigForCurrentUser(&config)) return {};
  GlobalText script{config.lpszAutoConfigUrl}, proxy{config.lpszProxy}, bypass{config.lpszProxyBypass};
  if (config.fAutoDetect || script.text != nullptr) {
    std::string name = host.find(':') != std::string::npos ? "[" + host + "]" : host;
    std::wstring url = win32::widen(std::string(secure ? "https://" : "http://") + name + ":" + std::to_string(port) + "/");
    std::string list, scriptedBypass;
    if (scriptedProxy(config.fAutoDetect, script.text != nullptr ? script.text : L"", url, list, scriptedBypass)) {
      return chosen(list, scriptedBypass, secure, host);
    }
    // Neither detection nor the script answered: the fixed settings, as browsers fall back.
  }
  return chosen(proxy.narrowed(), bypass.narrowed(), secure, host);
}

}  // namespace platform
