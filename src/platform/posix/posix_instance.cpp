#include "platform/posix/posix_instance.h"

#include <fcntl.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>

#include "platform/posix/abstract_socket.h"

namespace platform::posix {

std::string windowSocketName(int pid, bool visible) {
  return "vktalv-window-" + std::to_string(pid) + (visible ? "-v" : "-h");
}

bool isPrivateFolder(const std::string& path) {
  struct stat st{};
  if (path.empty() || ::lstat(path.c_str(), &st) != 0) return false;
  return S_ISDIR(st.st_mode) && st.st_uid == ::getuid() && (st.st_mode & (S_IWGRP | S_IWOTH)) == 0;
}

std::string markerFolder(const std::string& tmp) {
  const char* runtime = std::getenv("XDG_RUNTIME_DIR");
  if (runtime && isPrivateFolder(runtime)) return runtime;
  // In a shared folder another user may have put anything under our name first: the folder
  // is used only when it turns out to be ours and private, whoever made it.
  std::string own = tmp + "/vktalv-" + std::to_string(::getuid());
  ::mkdir(own.c_str(), 0700);
  return isPrivateFolder(own) ? own : std::string();
}

std::string markerFile(const std::string& name) {
  std::string folder = markerFolder();
  return folder.empty() ? std::string() : folder + "/vktalv-instance-" + name + ".lock";
}

namespace {

// Locks of an open file description: held by this very open, not by the process, so that a
// probe of the same process opening and closing the file leaves them alone.
struct flock wholeFile(short type) {
  struct flock lock{};
  lock.l_type = type;
  lock.l_whence = SEEK_SET;
  return lock;
}

}  // namespace

bool PosixInstanceMarker::openExisting(const std::string& name) {
  std::string path = markerFile(name);
  if (path.empty()) return false;
  UniqueFd fd(::open(path.c_str(), O_RDONLY | O_NOFOLLOW | O_CLOEXEC | O_NONBLOCK));
  if (!fd) return false;  // never created: nobody holds it
  struct flock lock = wholeFile(F_WRLCK);
  // Asks without taking, so a probe never makes a starting first copy fail to claim it.
  return ::fcntl(fd.get(), F_OFD_GETLK, &lock) == 0 && lock.l_type != F_UNLCK;
}

bool PosixInstanceMarker::create(const std::string& name) {
  std::string path = markerFile(name);
  if (path.empty()) return false;
  UniqueFd fd(::open(path.c_str(), O_RDWR | O_CREAT | O_NOFOLLOW | O_CLOEXEC | O_NONBLOCK, 0600));
  struct flock lock = wholeFile(F_WRLCK);
  if (!fd || ::fcntl(fd.get(), F_OFD_SETLK, &lock) != 0) return false;
  marker_ = std::move(fd);
  return true;
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
