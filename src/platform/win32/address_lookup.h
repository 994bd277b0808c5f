#pragma once
// clang-format off
#include <winsock2.h>
#include <ws2tcpip.h>
// clang-format on

#include <atomic>
#include <memory>
#include <optional>
#include <string>

namespace platform::win32 {

struct AddressListFree {
  void operator()(ADDRINFOW* list) const { FreeAddrInfoW(list); }
};
// The addresses of a name, freed with the list; empty when the name has none.
using AddressList = std::unique_ptr<ADDRINFOW, AddressListFree>;

// Looks up the GBK name `host` (stream sockets of `family`) within `timeoutMs`: the lookup
// itself waits as long as the name servers make it. Empty when the time ran out or `stop`
// was raised.
std::optional<AddressList> lookUpWithin(const std::string& host, int port, int family, int timeoutMs,
                                        const std::atomic<bool>& stop);

}  // namespace platform::win32
