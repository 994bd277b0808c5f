#include "platform/win32/address_lookup.h"

#include "platform/bounded_call.h"
#include "platform/win32/wide.h"
#include "platform/win32/winsock.h"

namespace platform::win32 {

namespace {

AddressList lookUpNow(const std::wstring& host, const std::wstring& service, int family, int flags) {
  ADDRINFOW hints{};
  hints.ai_family = family;
  hints.ai_socktype = SOCK_STREAM;
  hints.ai_protocol = IPPROTO_TCP;
  hints.ai_flags = flags;
  ADDRINFOW* list = nullptr;
  if (GetAddrInfoW(host.c_str(), service.empty() ? nullptr : service.c_str(), &hints, &list) != 0) return nullptr;
  return AddressList(list);
}

}  // namespace

std::optional<AddressList> lookUpWithin(const std::string& host, int port, int family, int timeoutMs,
                                        const std::atomic<bool>& stop) {
  startWinsock();
  std::wstring name = widen(host);
  std::wstring service = port > 0 ? std::to_wstring(port) : std::wstring();
  // A dotted address needs no name server and no thread.
  if (AddressList numeric = lookUpNow(name, service, family, AI_NUMERICHOST)) return numeric;
  return callWithin<AddressList>([name, service, family] { return lookUpNow(name, service, family, 0); },
                                 timeoutMs, stop);
}

}  // namespace platform::win32
