#pragma once
#include <netdb.h>

#include <atomic>
#include <memory>
#include <optional>
#include <string>

namespace platform::posix {

struct AddressListFree {
  void operator()(addrinfo* list) const { ::freeaddrinfo(list); }
};
// The addresses of a name, freed with the list; empty when the name has none.
using AddressList = std::unique_ptr<addrinfo, AddressListFree>;

// Looks up `host` (stream sockets of `family`) within `timeoutMs`: getaddrinfo itself waits
// as long as the name servers make it. Empty when the time ran out or `stop` was raised.
std::optional<AddressList> lookUpWithin(const std::string& host, const std::string& service, int family,
                                        int timeoutMs, const std::atomic<bool>& stop);

}  // namespace platform::posix
