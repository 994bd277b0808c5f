// clang-format off
#include <winsock2.h>
#include <ws2tcpip.h>
#include <iphlpapi.h>
#include <icmpapi.h>
// clang-format on

#include <vector>

#include "platform/win32/address_lookup.h"
#include "platform/win32/win32_network.h"

namespace platform::win32 {

namespace {

// A dotted address as it stands, else the first IPv4 address of the name.
bool resolve(const std::string& host, int timeoutMs, IPAddr& address) {
  if (host.empty()) return false;
  static const std::atomic<bool> never{false};
  std::optional<AddressList> found = lookUpWithin(host, 0, AF_INET, timeoutMs, never);
  if (!found || !*found) return false;
  address = reinterpret_cast<sockaddr_in*>(found->get()->ai_addr)->sin_addr.S_un.S_addr;
  return true;
}

}  // namespace

int Win32Network::icmpEcho(const std::string& host, int timeoutMs) {
  IPAddr address = 0;
  if (!resolve(host, timeoutMs, address)) return -1;
  HANDLE icmp = IcmpCreateFile();
  if (icmp == INVALID_HANDLE_VALUE) return -1;
  std::vector<unsigned char> reply(sizeof(ICMP_ECHO_REPLY) + 8 + 8);
  DWORD answers = IcmpSendEcho(icmp, address, nullptr, 0, nullptr, reply.data(), static_cast<DWORD>(reply.size()),
                               static_cast<DWORD>(timeoutMs));
  IcmpCloseHandle(icmp);
  if (answers == 0) return -1;
  const auto* echo = reinterpret_cast<const ICMP_ECHO_REPLY*>(reply.data());
  return echo->Status == IP_SUCCESS ? static_cast<int>(echo->RoundTripTime) : -1;
}

}  // namespace platform::win32
