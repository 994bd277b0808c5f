#pragma once
#include <memory>

namespace platform {

// A manual-reset signal that one thread raises and another waits for. The wait keeps
// serving the waiting thread's window messages (on Windows), so a thread that owns
// windows stays responsive while it blocks; it never spins.
class EndSignal {
 public:
  EndSignal();
  ~EndSignal();
  EndSignal(const EndSignal&) = delete;
  EndSignal& operator=(const EndSignal&) = delete;

  void raise();
  void clear();
  bool isRaised() const;
  // Returns once the signal is raised.
  void waitServingMessages();

 private:
  struct Native;
  std::unique_ptr<Native> native_;
};

}  // namespace platform
