#pragma once
#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <string>
#include <thread>
#include <vector>

#include "fakes/loopback_listener.h"

namespace serverlines {

using testing_support::listenLoopback;

// A login server stand-in: accepts every connection and sends `greeting` (nothing when
// empty), then `rest` after `restMs`, keeping the connection open until it stops.
class LoopbackServer {
 public:
  explicit LoopbackServer(std::string greeting, std::string rest = "", int restMs = 0)
      : greeting_(std::move(greeting)), rest_(std::move(rest)), restMs_(restMs) {
    listener_ = listenLoopback(16, port_);
    stop_ = ::eventfd(0, EFD_CLOEXEC);
    thread_ = std::thread([this] { serve(); });
  }
  ~LoopbackServer() {
    uint64_t one = 1;
    [[maybe_unused]] ssize_t n = ::write(stop_, &one, sizeof one);
    thread_.join();
    for (int c : clients_) ::close(c);
    ::close(listener_);
    ::close(stop_);
  }
  int port() const { return port_; }
  int accepted() const { return accepted_; }
  // Connections that have been sent everything.
  int served() const { return served_; }

 private:
  void serve() {
    for (;;) {
      pollfd fds[2] = {{listener_, POLLIN, 0}, {stop_, POLLIN, 0}};
      if (::poll(fds, 2, -1) < 0 || fds[1].revents) return;
      int c = ::accept4(listener_, nullptr, nullptr, SOCK_CLOEXEC);
      if (c < 0) continue;
      clients_.push_back(c);
      ++accepted_;
      send(c, greeting_);
      if (!rest_.empty()) {
        ::usleep(static_cast<useconds_t>(restMs_) * 1000);
        send(c, rest_);
      }
      ++served_;
    }
  }

  static void send(int c, const std::string& bytes) {
    if (!bytes.empty()) [[maybe_unused]] ssize_t n = ::send(c, bytes.data(), bytes.size(), MSG_NOSIGNAL);
  }

  std::string greeting_;
  std::string rest_;
  int restMs_ = 0;
  int listener_ = -1;
  int stop_ = -1;
  int port_ = 0;
  std::atomic<int> accepted_{0};
  std::atomic<int> served_{0};
  std::vector<int> clients_;
  std::thread thread_;
};

// A port whose listener never accepts and whose queue is already full, so new connection
// attempts get no answer at all: the kernel drops their SYNs.
class BlackholePort {
 public:
  BlackholePort() {
    listener_ = listenLoopback(0, port_);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    a.sin_port = htons(static_cast<uint16_t>(port_));
    for (int i = 0; i < 8; ++i) {
      int c = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
      ::connect(c, reinterpret_cast<sockaddr*>(&a), sizeof a);
      fillers_.push_back(c);
    }
    ::usleep(50 * 1000);
  }
  ~BlackholePort() {
    for (int c : fillers_) ::close(c);
    ::close(listener_);
  }
  int port() const { return port_; }

 private:
  int listener_ = -1;
  int port_ = 0;
  std::vector<int> fillers_;
};

}  // namespace serverlines
