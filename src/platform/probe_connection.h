#pragma once
#include <memory>
#include <string>

namespace platform {

// One TCP connection to a server that is expected to speak first. The bytes stay in the
// socket until they are taken, so whoever takes them sees everything that arrived by then.
class ProbeConnection {
 public:
  virtual ~ProbeConnection() = default;
  // Blocks the calling thread: resolves the host, connects, then waits until the server has
  // sent something. True when bytes are waiting; false when no connection was made, the
  // server closed without sending, or cancel() was called.
  virtual bool waitForData(const std::string& host, int port) = 0;
  // After waitForData returned true: every byte the socket holds now, without waiting.
  virtual std::string takeAvailable() = 0;
  // Any thread: makes waitForData return soon, with false.
  virtual void cancel() = 0;
};

std::unique_ptr<ProbeConnection> makeProbeConnection();

// How long a connection attempt may take before it counts as failed: the time Windows'
// own connect gives up after with its default retries.
inline constexpr int kProbeConnectTimeoutMs = 21000;

// More than this is never a login server's greeting; the rest is left unread.
inline constexpr size_t kProbeTakeLimit = 64 * 1024;

}  // namespace platform
