#include "platform/posix/posix_instance.h"

#include <sys/socket.h>
#include <unistd.h>

#include "platform/posix/abstract_socket.h"

namespace platform::posix {

std::string instanceSocketName(const std::string& name) { return "vktalv-instance-" + name; }

std::string windowSocketName(int pid, bool visible) {
  return "vktalv-window-" + std::to_string(pid) + (visible ? "-v" : "-h");
}

bool PosixInstanceMarker::openExisting(const std::string& name) {
  // Binding succeeds only when nobody holds the name; the probe socket is closed at once.
  return !bindAbstract(instanceSocketName(name), false);
}

bool PosixInstanceMarker::create(const std::string& name) {
  marker_ = bindAbstract(instanceSocketName(name), false);
  return static_cast<bool>(marker_);
}

PosixWindowPresence::~PosixWindowPresence() { stop(); }

void PosixWindowPresence::stop() {
  if (listener_) ::shutdown(listener_.get(), SHUT_RDWR);
  if (thread_.joinable()) thread_.join();
  listener_.reset();
}

void PosixWindowPresence::publish(bool visible, std::function<void()> onActivate) {
  stop();
  {
    std::lock_guard lock(mutex_);
    onActivate_ = std::move(onActivate);
  }
  listener_ = bindAbstract(windowSocketName(static_cast<int>(::getpid()), visible), true);
  if (!listener_) return;
  int fd = listener_.get();
  thread_ = std::thread([this, fd] { serve(fd); });
}

void PosixWindowPresence::serve(int listener) {
  for (;;) {
    UniqueFd client(::accept4(listener, nullptr, nullptr, SOCK_CLOEXEC));
    if (!client) return;  // shut down
    char request[16] = {};
    ssize_t n = ::recv(client.get(), request, sizeof request - 1, 0);
    if (n >= 8 && std::string(request, 8) == "activate") {
      std::function<void()> handler;
      {
        std::lock_guard lock(mutex_);
        handler = onActivate_;
      }
      if (handler) handler();
    }
  }
}

}  // namespace platform::posix
