#include "platform/posix/address_lookup.h"

#include "platform/bounded_call.h"

namespace platform::posix {

namespace {

AddressList lookUpNow(const std::string& host, const std::string& service, int family, int flags) {
  addrinfo hints{};
  hints.ai_family = family;
  hints.ai_socktype = SOCK_STREAM;
  hints.ai_flags = flags;
  addrinfo* list = nullptr;
  if (::getaddrinfo(host.c_str(), service.empty() ? nullptr : service.c_str(), &hints, &list) != 0) return nullptr;
  return AddressList(list);
}

}  // namespace

std::optional<AddressList> lookUpWithin(const std::string& host, const std::string& service, int family,
                                        int timeoutMs, const std::atomic<bool>& stop) {
  // A dotted address needs no name server and no thread.
  if (AddressList numeric = lookUpNow(host, service, family, AI_NUMERICHOST)) return numeric;
  return callWithin<AddressList>([host, service, family] { return lookUpNow(host, service, family, 0); },
                                 timeoutMs, stop);
}

}  // namespace platform::posix
