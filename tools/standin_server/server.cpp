#include "server.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstring>
#include <ctime>
#include <fstream>
#include <map>
#include <sstream>

#include "http_exchange.h"
#include "text/gbk.h"

namespace standin {

namespace {

constexpr const char* kPrimaryPath = "/dlq/UpdateInfo_test.xml";
constexpr const char* kSecondaryPath = "/buding/dlq/UpdateInfo_test.xml";
constexpr int kRequestTimeoutMs = 30000;

std::string timestamp() {
  auto now = std::chrono::system_clock::now();
  std::time_t t = std::chrono::system_clock::to_time_t(now);
  auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(now.time_since_epoch()).count() % 1000;
  char buf[32];
  std::tm tm{};
  localtime_r(&t, &tm);
  std::strftime(buf, sizeof buf, "%H:%M:%S", &tm);
  char out[48];
  std::snprintf(out, sizeof out, "%s.%03lld", buf, static_cast<long long>(ms));
  return out;
}

bool readFile(const std::string& path, std::string& bytes) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return false;
  std::ostringstream s;
  s << in.rdbuf();
  bytes = s.str();
  return true;
}

// Sends at most `budget` bytes in all (-1: no limit); false once the budget is spent or the
// peer is gone.
class Sender {
 public:
  Sender(int fd, long budget) : fd_(fd), budget_(budget) {}
  bool send(const char* data, size_t size) {
    if (budget_ >= 0 && static_cast<long>(size) > budget_ - sent_) {
      size = static_cast<size_t>(budget_ - sent_);
      exhausted_ = true;
    }
    while (size > 0) {
      ssize_t n = ::send(fd_, data, size, MSG_NOSIGNAL);
      if (n < 0 && errno == EINTR) continue;
      if (n <= 0) return false;
      data += n;
      size -= static_cast<size_t>(n);
      sent_ += n;
    }
    return !exhausted_;
  }
  bool send(const std::string& s) { return send(s.data(), s.size()); }
  long sent() const { return sent_; }
  bool exhausted() const { return exhausted_; }

 private:
  int fd_;
  long budget_;
  long sent_ = 0;
  bool exhausted_ = false;
};

// A file of the served folder; a name that is not there as given is tried as GBK, since the
// launcher's addresses carry GBK bytes and this system's names are UTF-8.
int openServed(const std::string& dir, const std::string& relative, int64_t& size) {
  for (const std::string& name : {relative, text::gbkToUtf8(relative)}) {
    int fd = ::open((dir + "/" + name).c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) continue;
    struct stat st{};
    if (::fstat(fd, &st) == 0 && S_ISREG(st.st_mode)) {
      size = st.st_size;
      return fd;
    }
    ::close(fd);
  }
  return -1;
}

}  // namespace

void Log::line(const std::string& text) {
  std::lock_guard lock(mutex_);
  std::fprintf(out_, "%s %s\n", timestamp().c_str(), text.c_str());
  std::fflush(out_);
}

Server::~Server() {
  reapConnections(true);
  for (auto& l : listeners_) ::close(l.fd);
}

bool Server::listenOn(int port, Listener l, std::string& error) {
  int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  int yes = 1;
  ::setsockopt(fd, SOL_SOCKET, SO_REUSEADDR, &yes, sizeof yes);
  sockaddr_in a{};
  a.sin_family = AF_INET;
  a.sin_port = htons(static_cast<uint16_t>(port));
  if (::inet_pton(AF_INET, config_.bind.c_str(), &a.sin_addr) != 1) {
    ::close(fd);
    error = "--bind wants an IPv4 address, not " + config_.bind;
    return false;
  }
  socklen_t len = sizeof a;
  if (::bind(fd, reinterpret_cast<sockaddr*>(&a), sizeof a) != 0 || ::listen(fd, 64) != 0 ||
      ::getsockname(fd, reinterpret_cast<sockaddr*>(&a), &len) != 0) {
    error = "cannot listen on " + config_.bind + ":" + std::to_string(port) + ": " + std::strerror(errno);
    ::close(fd);
    return false;
  }
  l.fd = fd;
  l.port = ntohs(a.sin_port);
  listeners_.push_back(l);
  const char* what = l.kind == Listener::Http ? roleName(l.role) : "login";
  log_.line(std::string("listening ") + what + " " + config_.bind + ":" + std::to_string(l.port));
  return true;
}

bool Server::open(std::string& error) {
  if (config_.primary && !listenOn(config_.primaryPort, {Listener::Http, Role::Primary, 0, -1, 0}, error))
    return false;
  if (config_.secondary && !listenOn(config_.secondaryPort, {Listener::Http, Role::Secondary, 0, -1, 0}, error))
    return false;
  if (!config_.filesDir.empty() && !listenOn(config_.filesPort, {Listener::Http, Role::Files, 0, -1, 0}, error))
    return false;
  for (size_t i = 0; i < config_.logins.size(); ++i)
    if (!listenOn(config_.logins[i].port, {Listener::LoginServer, Role::Files, i, -1, 0}, error)) return false;
  return true;
}

int Server::portOf(Role role) const {
  for (const auto& l : listeners_)
    if (l.kind == Listener::Http && l.role == role) return l.port;
  return 0;
}

bool Server::writePortsFile(std::string& error) const {
  if (config_.portsFile.empty()) return true;
  std::string text;
  int login = 0;
  for (const auto& l : listeners_) {
    std::string name = l.kind == Listener::Http ? roleName(l.role) : "login" + std::to_string(++login);
    text += name + "=" + std::to_string(l.port) + "\n";
  }
  // Written aside and renamed, so a reader never sees half of it.
  std::string partial = config_.portsFile + ".partial";
  std::ofstream(partial, std::ios::binary) << text;
  if (std::rename(partial.c_str(), config_.portsFile.c_str()) != 0) {
    error = "cannot write " + config_.portsFile;
    return false;
  }
  return true;
}

bool Server::waitReadable(int fd, int timeoutMs) const {
  pollfd p[2] = {{fd, POLLIN, 0}, {stopFd_, POLLIN, 0}};
  for (;;) {
    int n = ::poll(p, 2, timeoutMs);
    if (n < 0 && errno == EINTR) continue;
    return n > 0 && (p[1].revents & POLLIN) == 0;
  }
}

void Server::holdUntilClosed(int fd) const {
  char buf[4096];
  while (waitReadable(fd, -1))
    if (::recv(fd, buf, sizeof buf, 0) <= 0) return;
}

bool Server::takeFault(Role role, Fault& fault) {
  auto it = config_.faults.find(role);
  if (it == config_.faults.end() || !it->second.any()) return false;
  long n = faulted_[static_cast<int>(role)]++;
  if (config_.faultLimit >= 0 && n >= config_.faultLimit) return false;
  fault = it->second;
  return true;
}

std::string Server::manifestBody(Role role, bool& found) const {
  std::string bytes;
  found = readFile(config_.manifestFor(role), bytes);
  if (!found || !config_.expand) return bytes;
  std::map<std::string, std::string> values{{"HOST", config_.bind},
                                            {"PRIMARY_PORT", std::to_string(portOf(Role::Primary))},
                                            {"SECONDARY_PORT", std::to_string(portOf(Role::Secondary))},
                                            {"FILES_PORT", std::to_string(portOf(Role::Files))}};
  int login = 0;
  for (const auto& l : listeners_)
    if (l.kind == Listener::LoginServer) values["LOGIN_PORT_" + std::to_string(++login)] = std::to_string(l.port);
  return expandTokens(bytes, values);
}

bool Server::pace(long rate, long sent, std::chrono::steady_clock::time_point start) const {
  if (rate <= 0) return true;
  auto due = start + std::chrono::milliseconds(sent * 1000 / rate);
  auto wait = std::chrono::duration_cast<std::chrono::milliseconds>(due - std::chrono::steady_clock::now()).count();
  if (wait <= 0) return true;
  pollfd p{stopFd_, POLLIN, 0};
  return ::poll(&p, 1, static_cast<int>(wait)) == 0;
}

bool Server::serveHttp(Role role, int fd, const std::string& peer) {
  std::string head;
  char buf[4096];
  while (head.find("\r\n\r\n") == std::string::npos && head.size() < 65536) {
    if (!waitReadable(fd, kRequestTimeoutMs)) return false;
    ssize_t n = ::recv(fd, buf, sizeof buf, 0);
    if (n <= 0) return false;
    head.append(buf, static_cast<size_t>(n));
  }
  Request req;
  bool parsed = parseRequest(head, req);
  Fault fault;
  bool faulty = parsed && takeFault(role, fault);
  std::string note = std::string(roleName(role)) + " " + peer + " \"" + head.substr(0, head.find("\r\n")) + "\"" +
                     (req.range.empty() ? "" : " range=" + req.range);
  if (faulty && fault.stall) {
    log_.line(note + " -> stalled");
    holdUntilClosed(fd);
    return false;
  }

  int status = 200;
  std::string headers, memoryBody;
  int fileFd = -1;
  int64_t size = 0, offset = 0, length = 0;
  std::string manifestPath = role == Role::Primary ? kPrimaryPath : role == Role::Secondary ? kSecondaryPath : "";
  auto redirect = parsed ? config_.redirects.find(req.path) : config_.redirects.end();
  std::string relative;
  if (!parsed) {
    status = 400;
  } else if (faulty && fault.status) {
    status = fault.status;
  } else if (redirect != config_.redirects.end()) {
    status = redirect->second.status;
    std::string target = redirect->second.target;
    if (target[0] == '/') {
      std::string host = req.host.empty() ? config_.bind + ":" + std::to_string(portOf(role)) : req.host;
      target = "http://" + host + target;
    }
    if (target.find('?') == std::string::npos && !req.query.empty()) target += "?" + req.query;
    headers += "Location: " + target + "\r\n";
  } else if (!manifestPath.empty() && req.path == manifestPath) {
    bool found = false;
    memoryBody = manifestBody(role, found);
    if (!found) status = 404;
    size = static_cast<int64_t>(memoryBody.size());
  } else if (!config_.filesDir.empty() && relativeFilePath(req.path, relative)) {
    fileFd = openServed(config_.filesDir, relative, size);
    if (fileFd < 0) status = 404;
  } else {
    status = 404;
  }
  // A status fault answers with its page whatever was asked, a 200 as well (a web server's
  // error page in place of the file).
  bool page = status != 200 || (faulty && fault.status);
  if (page) {
    memoryBody = "<html><head><title>" + std::to_string(status) + " " + statusText(status) +
                 "</title></head><body><h1>" + statusText(status) + "</h1></body></html>\n";
    size = static_cast<int64_t>(memoryBody.size());
  }
  length = size;
  ByteRange range;
  if (status == 200 && !page && !req.range.empty() && !(faulty && fault.ignoreRange)) {
    RangeResult r = parseRange(req.range, size, range);
    if (r == RangeResult::Partial) {
      status = 206;
      offset = range.first;
      length = range.last - range.first + 1;
      headers += "Content-Range: bytes " + std::to_string(range.first) + "-" + std::to_string(range.last) + "/" +
                 std::to_string(size) + "\r\n";
    } else if (r == RangeResult::Unsatisfiable) {
      status = 416;
      headers += "Content-Range: bytes */" + std::to_string(size) + "\r\n";
      length = 0;
    }
  }
  if (status == 200 || status == 206) headers += "Accept-Ranges: bytes\r\n";
  int64_t announced = faulty && fault.wrongLength >= 0 ? fault.wrongLength : length;
  std::string response = "HTTP/1.1 " + std::to_string(status) + " " + statusText(status) +
                         "\r\nServer: standin\r\nConnection: close\r\nContent-Length: " + std::to_string(announced) +
                         "\r\n" + headers + "\r\n";
  long budget = !faulty                 ? -1
                : fault.closeAfter >= 0 ? fault.closeAfter
                : fault.resetAfter >= 0 ? fault.resetAfter
                                        : fault.stallAfter;
  long rate = faulty ? fault.rate : 0;
  auto started = std::chrono::steady_clock::now();
  Sender out(fd, budget);
  bool ok = out.send(response);
  // The one byte a tampering party would change, at its offset in the whole body.
  long flip = faulty && (status == 200 || status == 206) ? fault.flipByte : -1;
  bool flipped = false;
  if (flip >= 0 && fileFd < 0 && flip < static_cast<long>(memoryBody.size())) {
    memoryBody[static_cast<size_t>(flip)] ^= '\xFF';
    flipped = flip >= offset && flip < offset + length;
  }
  bool withBody = req.method != "HEAD";
  for (int64_t at = offset; ok && withBody && at < offset + length;) {
    size_t want = static_cast<size_t>(std::min<int64_t>(sizeof buf, offset + length - at));
    ssize_t n = fileFd >= 0 ? ::pread(fileFd, buf, want, at) : static_cast<ssize_t>(want);
    if (n <= 0) break;
    if (fileFd >= 0 && flip >= at && flip < at + n) {
      buf[flip - at] ^= '\xFF';
      flipped = true;
    }
    ok = fileFd >= 0 ? out.send(buf, static_cast<size_t>(n)) : out.send(memoryBody.data() + at, want);
    at += n;
    ok = ok && pace(rate, out.sent(), started);
  }
  if (fileFd >= 0) ::close(fileFd);
  bool reset = out.exhausted() && faulty && fault.resetAfter >= 0;
  std::string how = out.exhausted() && faulty && fault.stallAfter >= 0 ? " stalled"
                    : reset                                              ? " reset"
                    : out.exhausted()                                    ? " cut"
                                                                         : "";
  if (flipped) how += " flipped=" + std::to_string(flip);
  log_.line(note + " -> " + std::to_string(status) + " sent=" + std::to_string(out.sent()) + how);
  if (out.exhausted() && faulty && fault.stallAfter >= 0) holdUntilClosed(fd);
  return reset;
}

void Server::serveLogin(const Login& login, int fd, const std::string& peer) {
  std::string sent;
  for (size_t i = 0; i < login.pieces.size(); ++i) {
    if (i > 0 && waitReadable(fd, 150)) break;  // the client closed, or the run ends
    std::string piece(static_cast<size_t>(login.pieces[i]), 'K');
    if (!piece.empty() && ::send(fd, piece.data(), piece.size(), MSG_NOSIGNAL) < 0) break;
    sent += (sent.empty() ? "" : "+") + std::to_string(piece.size());
  }
  log_.line("login:" + std::to_string(login.port) + " " + peer + " sent " + sent);
  holdUntilClosed(fd);
}

void Server::startConnection(const Listener& l, int fd, const std::string& peer) {
  Connection& c = connections_.emplace_back();
  Login login = l.kind == Listener::LoginServer ? config_.logins[l.login] : Login{};
  login.port = l.port;  // the port it really listens on, for the log
  c.thread = std::thread([this, &c, l, fd, peer, login] {
    bool reset = false;
    if (l.kind == Listener::Http) reset = serveHttp(l.role, fd, peer);
    else serveLogin(login, fd, peer);
    if (reset) {
      // Closing with a zero linger time aborts the connection: the peer gets a reset, not an end.
      linger abort{1, 0};
      ::setsockopt(fd, SOL_SOCKET, SO_LINGER, &abort, sizeof abort);
    } else {
      ::shutdown(fd, SHUT_RDWR);
    }
    ::close(fd);
    c.done = true;
  });
}

void Server::reapConnections(bool all) {
  for (auto it = connections_.begin(); it != connections_.end();) {
    if (all || it->done) {
      it->thread.join();
      it = connections_.erase(it);
    } else {
      ++it;
    }
  }
}

void Server::run() {
  std::vector<pollfd> polls;
  for (const auto& l : listeners_) polls.push_back({l.fd, POLLIN, 0});
  polls.push_back({stopFd_, POLLIN, 0});
  for (;;) {
    int n = ::poll(polls.data(), polls.size(), 1000);
    if (n < 0 && errno != EINTR) break;
    if (polls.back().revents & POLLIN) break;
    reapConnections(false);
    for (size_t i = 0; n > 0 && i < listeners_.size(); ++i) {
      if (!(polls[i].revents & POLLIN)) continue;
      sockaddr_in from{};
      socklen_t len = sizeof from;
      int fd = ::accept4(listeners_[i].fd, reinterpret_cast<sockaddr*>(&from), &len, SOCK_CLOEXEC);
      if (fd < 0) continue;
      char ip[INET_ADDRSTRLEN] = "?";
      ::inet_ntop(AF_INET, &from.sin_addr, ip, sizeof ip);
      startConnection(listeners_[i], fd, std::string(ip) + ":" + std::to_string(ntohs(from.sin_port)));
    }
  }
  log_.line("stopping");
  reapConnections(true);
}

}  // namespace standin
