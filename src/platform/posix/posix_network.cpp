#include "platform/posix/posix_network.h"

#include <arpa/inet.h>
#include <netdb.h>
#include <netinet/in.h>
#include <netinet/ip_icmp.h>
#include <poll.h>
#include <sys/socket.h>

#include <cerrno>
#include <chrono>

#include "platform/posix/address_lookup.h"
#include "platform/posix/host_text.h"
#include "platform/posix/unique_fd.h"

namespace platform::posix {

namespace {

constexpr uint16_t kSequence = 1;

bool resolve(const std::string& host, int timeoutMs, in_addr& address) {
  std::string name = convert(host, "GBK", "UTF-8");
  if (name.empty()) return false;
  if (::inet_pton(AF_INET, name.c_str(), &address) == 1) return true;
  static const std::atomic<bool> never{false};
  std::optional<AddressList> found = lookUpWithin(name, "", AF_INET, timeoutMs, never);
  if (!found || !*found) return false;
  address = reinterpret_cast<sockaddr_in*>(found->get()->ai_addr)->sin_addr;
  return true;
}

}  // namespace

// An unprivileged ICMP datagram socket: the kernel fills in the identifier and checksum and
// hands back only replies to this socket. Systems whose ping_group_range leaves the user
// out refuse the socket, and the echo counts as unavailable.
int PosixNetwork::icmpEcho(const std::string& host, int timeoutMs) {
  in_addr address{};
  if (!resolve(host, timeoutMs, address)) return -1;
  UniqueFd s(::socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, IPPROTO_ICMP));
  if (!s) return -1;
  sockaddr_in to{};
  to.sin_family = AF_INET;
  to.sin_addr = address;
  icmphdr request{};
  request.type = ICMP_ECHO;
  request.un.echo.sequence = htons(kSequence);
  using Clock = std::chrono::steady_clock;
  Clock::time_point sent = Clock::now();
  if (::sendto(s.get(), &request, sizeof request, 0, reinterpret_cast<sockaddr*>(&to), sizeof to) < 0) return -1;
  Clock::time_point deadline = sent + std::chrono::milliseconds(timeoutMs);
  for (;;) {
    auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
    if (left < 0) return -1;
    pollfd fd{s.get(), POLLIN, 0};
    int n = ::poll(&fd, 1, static_cast<int>(left));
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return -1;
    unsigned char reply[1500];
    ssize_t got = ::recv(s.get(), reply, sizeof reply, 0);
    if (got < 0 && errno == EINTR) continue;
    if (got < static_cast<ssize_t>(sizeof(icmphdr))) return -1;
    const auto* header = reinterpret_cast<const icmphdr*>(reply);
    if (header->type == ICMP_ECHOREPLY && ntohs(header->un.echo.sequence) == kSequence)
      return static_cast<int>(std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - sent).count());
  }
}

}  // namespace platform::posix
