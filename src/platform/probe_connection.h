#pragma once
#include <memory>
#include <string>

namespace platform {

// One TCP connection to a server that is expected to speak first.
class ProbeConnection {
 public:
  virtual ~ProbeConnection() = default;
  // Blocks the calling thread: resolves the host, connects, then waits for the first data
  // the server sends. Returns those bytes; empty when no connection was made, the server
  // closed without sending, or cancel() was called.
  virtual std::string run(const std::string& host, int port) = 0;
  // Any thread: makes run() return soon, without data.
  virtual void cancel() = 0;
};

std::unique_ptr<ProbeConnection> makeProbeConnection();

// How long a connection attempt may take before it counts as failed: the time Windows'
// own connect gives up after with its default retries.
inline constexpr int kProbeConnectTimeoutMs = 21000;

}  // namespace platform
