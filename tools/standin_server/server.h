#pragma once
#include <atomic>
#include <chrono>
#include <cstdio>
#include <list>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "options.h"

namespace standin {

// One line per event, to the log file or standard error, whole lines only.
class Log {
 public:
  explicit Log(FILE* out) : out_(out) {}
  void line(const std::string& text);

 private:
  std::mutex mutex_;
  FILE* out_;
};

// Every listener of one run, each connection on its own thread. `stopFd` becomes readable when
// the run is to end; everything waiting then gives up, and run() returns once all have.
class Server {
 public:
  Server(Config config, Log& log, int stopFd) : config_(std::move(config)), log_(log), stopFd_(stopFd) {}
  ~Server();
  bool open(std::string& error);
  bool writePortsFile(std::string& error) const;
  void run();

 private:
  struct Listener {
    enum Kind { Http, LoginServer } kind;
    Role role;
    size_t login;  // index into config_.logins
    int fd;
    int port;
  };
  struct Connection {
    std::thread thread;
    std::atomic<bool> done{false};
  };

  bool listenOn(int port, Listener listener, std::string& error);
  // True when the connection is to be aborted with a reset rather than closed.
  bool serveHttp(Role role, int fd, const std::string& peer);
  // Waits until `sent` bytes are due at `rate` bytes per second since `start`; false when the
  // server stops meanwhile.
  bool pace(long rate, long sent, std::chrono::steady_clock::time_point start) const;
  void serveLogin(const Login& login, int fd, const std::string& peer);
  void startConnection(const Listener& l, int fd, const std::string& peer);
  void reapConnections(bool all);
  bool takeFault(Role role, Fault& fault);
  std::string manifestBody(Role role, bool& found) const;
  int portOf(Role role) const;
  bool waitReadable(int fd, int timeoutMs) const;
  void holdUntilClosed(int fd) const;

  Config config_;
  Log& log_;
  int stopFd_;
  std::vector<Listener> listeners_;
  std::list<Connection> connections_;
  std::atomic<long> faulted_[3]{};
};

}  // namespace standin
