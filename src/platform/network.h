#pragma once
#include <string>

namespace platform {

// Network operations beyond plain TCP streams.
class Network {
 public:
  virtual ~Network() = default;
  // Milliseconds until the reply to one ICMP echo without payload arrives; -1 when the host
  // cannot be resolved, echo is not available, or no reply came within the time-out.
  virtual int icmpEcho(const std::string& host, int timeoutMs) = 0;
};

}  // namespace platform
