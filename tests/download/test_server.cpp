#include "download/test_server.h"

#include "fakes/loopback_listener.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>

namespace dltest {

namespace {

bool sendAll(int fd, const char* data, size_t size) {
  while (size > 0) {
    ssize_t n = ::send(fd, data, size, MSG_NOSIGNAL);
    if (n <= 0) return false;
    data += n;
    size -= static_cast<size_t>(n);
  }
  return true;
}

std::string fieldValue(const std::string& head, const std::string& name) {
  size_t at = head.find("\r\n" + name + ": ");
  if (at == std::string::npos) return "";
  at += name.size() + 4;
  return head.substr(at, head.find("\r\n", at) - at);
}

}  // namespace

std::string patternBody(size_t size, uint32_t seed) {
  std::string body(size, '\0');
  uint32_t x = seed * 2654435761u + 1;
  for (size_t i = 0; i < size; ++i) {
    x = x * 1664525u + 1013904223u;
    body[i] = static_cast<char>(1 + (x >> 24) % 255);
  }
  return body;
}

RefusingPort::RefusingPort() {
  fd_ = ::socket(AF_INET, SOCK_STREAM, 0);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  socklen_t length = sizeof address;
  if (fd_ >= 0 && ::bind(fd_, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0 &&
      ::getsockname(fd_, reinterpret_cast<sockaddr*>(&address), &length) == 0) {
    port_ = ntohs(address.sin_port);
  }
}

RefusingPort::~RefusingPort() {
  if (fd_ >= 0) ::close(fd_);
}

std::string RefusingPort::url(const std::string& path) const {
  return "http://127.0.0.1:" + std::to_string(port_) + path;
}

TestServer::TestServer(std::string body) : body_(std::make_shared<const std::string>(std::move(body))) {
  listenFd_ = testing_support::listenLoopback(64, port_);
  acceptor_ = std::thread(&TestServer::acceptLoop, this);
}

TestServer::~TestServer() {
  stopping_ = true;
  acceptor_.join();
  {
    std::lock_guard guard(mutex_);
    for (int fd : clients_) ::shutdown(fd, SHUT_RDWR);
  }
  for (std::thread& t : threads_) t.join();
  for (int fd : clients_) ::close(fd);
  ::close(listenFd_);
}

std::string TestServer::url(const std::string& path) const {
  return "http://127.0.0.1:" + std::to_string(port_) + path;
}

void TestServer::redirect(const std::string& path, const std::string& location) {
  std::lock_guard guard(mutex_);
  redirects_[path] = location;
}

void TestServer::rawAnswer(const std::string& bytes, int count) {
  std::lock_guard guard(mutex_);
  raw_ = bytes;
  rawCount_ = count;
}

void TestServer::setBody(std::string body, const std::string& etag) {
  std::lock_guard guard(mutex_);
  body_ = std::make_shared<const std::string>(std::move(body));
  etag_ = etag;
}

std::vector<std::string> TestServer::requests() const {
  std::lock_guard guard(mutex_);
  return requests_;
}

std::vector<std::chrono::steady_clock::time_point> TestServer::arrivals() const {
  std::lock_guard guard(mutex_);
  return arrivals_;
}

std::vector<int64_t> TestServer::rangeStarts() const {
  std::vector<int64_t> starts;
  for (const std::string& head : requests()) {
    std::string range = fieldValue(head, "Range");
    starts.push_back(range.empty() ? -1 : std::stoll(range.substr(6)));
  }
  return starts;
}

bool TestServer::takeOne(std::atomic<int>& count) {
  int c = count.load();
  while (c != 0) {
    if (c < 0) return true;
    if (count.compare_exchange_weak(c, c - 1)) return true;
  }
  return false;
}

void TestServer::acceptLoop() {
  while (!stopping_) {
    pollfd p{listenFd_, POLLIN, 0};
    if (::poll(&p, 1, 50) <= 0) continue;
    int fd = ::accept4(listenFd_, nullptr, nullptr, SOCK_CLOEXEC);
    if (fd < 0) continue;
    std::lock_guard guard(mutex_);
    clients_.push_back(fd);
    threads_.emplace_back(&TestServer::serve, this, fd);
  }
}

// The head of a normal answer to `request`; `from` is where its body starts in `body`.
std::string TestServer::answerHead(const std::string& request, const std::string& body, int64_t& from) {
  std::string range = fieldValue(request, "Range");
  std::string ifRange = fieldValue(request, "If-Range");
  std::string etag;
  {
    std::lock_guard guard(mutex_);
    etag = etag_;
  }
  // A validator that no longer matches gets the whole new file.
  bool whole = range.empty() || ignoreRange || (!ifRange.empty() && ifRange != etag);
  int64_t size = static_cast<int64_t>(body.size());
  from = whole ? 0 : std::stoll(range.substr(6));
  if (!whole && rangeShift != 0 && takeOne(rangeShiftCount)) from = std::min(from + rangeShift.load(), size - 1);
  int64_t length = announcedLength >= 0 ? announcedLength.load() : size - from + lengthDelta;
  std::string answer;
  if (range.empty() && unrangedPartial >= 0) {
    answer = "HTTP/1.1 206 Partial Content\r\nContent-Length: " + std::to_string(unrangedPartial.load()) +
             "\r\nContent-Range: bytes 0-" + std::to_string(unrangedPartial - 1) + "/" + std::to_string(size) + "\r\n";
  } else if (range.empty()) {
    answer = "HTTP/1.1 200 OK\r\nContent-length: " + std::to_string(length) + "\r\n";
  } else if (whole) {
    answer = "HTTP/1.1 200 OK\r\nContent-Length: " + std::to_string(length) + "\r\n";
  } else if (from >= size) {
    from = size;  // as servers do: no byte of the range exists, and nothing follows the head
    answer = "HTTP/1.1 416 Range Not Satisfiable\r\nContent-Length: 0\r\nContent-Range: bytes */" +
             std::to_string(size) + "\r\n";
  } else {
    answer = "HTTP/1.1 206 Partial Content\r\nContent-Length: " + std::to_string(length) +
             "\r\nContent-Range: bytes " + std::to_string(from) + "-" + std::to_string(size - 1) + "/" +
             std::to_string(size + rangeTotalDelta) + "\r\n";
  }
  if (!etag.empty()) answer += "ETag: " + etag + "\r\n";
  if (chunked) answer += "Transfer-Encoding: chunked\r\n";
  return answer + "Accept-Ranges: bytes\r\n\r\n";
}

void TestServer::serve(int fd) {
  std::string head;
  char buffer[4096];
  while (head.find("\r\n\r\n") == std::string::npos) {
    ssize_t n = ::recv(fd, buffer, sizeof buffer, 0);
    if (n <= 0) return;
    head.append(buffer, static_cast<size_t>(n));
  }
  std::string path = head.substr(4, head.find(' ', 4) - 4);
  std::string location, raw;
  std::shared_ptr<const std::string> body;
  {
    std::lock_guard guard(mutex_);
    requests_.push_back(head);
    arrivals_.push_back(std::chrono::steady_clock::now());
    auto it = redirects_.find(path);
    if (it != redirects_.end()) location = it->second;
    if (takeOne(rawCount_)) raw = raw_;
    body = body_;
  }
  if (!raw.empty()) {
    sendAll(fd, raw.data(), raw.size());
    ::shutdown(fd, SHUT_WR);
    return;
  }
  if (!location.empty()) {
    std::string answer = "HTTP/1.1 302 Found\r\nLocation: " + location + "\r\nContent-Length: 0\r\n\r\n";
    sendAll(fd, answer.data(), answer.size());
    return;
  }
  if (status != 0) {
    std::string answer = "HTTP/1.1 " + std::to_string(status.load()) + " Nope\r\nContent-Length: 0\r\n\r\n";
    sendAll(fd, answer.data(), answer.size());
    return;
  }
  int64_t from = 0;
  std::string answer = answerHead(head, *body, from);
  if (!sendAll(fd, answer.data(), answer.size())) return;
  int64_t end = static_cast<int64_t>(body->size());
  if (fieldValue(head, "Range").empty() && unrangedPartial >= 0) end = std::min(end, unrangedPartial.load());
  bool stall = false;
  if (cutAfter >= 0 && takeOne(cutCount)) end = std::min(end, from + cutAfter);
  if (stallAfter >= 0 && takeOne(stallCount)) {
    end = std::min(end, from + stallAfter);
    stall = true;
  }
  for (int64_t at = from; at < end && !stopping_;) {
    size_t chunk = static_cast<size_t>(std::min<int64_t>(bytesPerWrite, end - at));
    if (chunked) {
      char size[32];
      int n = std::snprintf(size, sizeof size, "%zx\r\n", chunk);
      if (!sendAll(fd, size, static_cast<size_t>(n))) return;
    }
    if (!sendAll(fd, body->data() + at, chunk)) return;
    if (chunked && !sendAll(fd, "\r\n", 2)) return;
    at += static_cast<int64_t>(chunk);
    if (pauseMsPerWrite > 0) std::this_thread::sleep_for(std::chrono::milliseconds(pauseMsPerWrite));
  }
  if (chunked && !stall) sendAll(fd, "0\r\n\r\n", 5);
  while (stall && !stopping_) {
    pollfd p{fd, POLLIN, 0};
    if (::poll(&p, 1, 50) > 0) {
      if (::recv(fd, buffer, sizeof buffer, 0) <= 0) break;
    }
  }
  ::shutdown(fd, SHUT_WR);
}

}  // namespace dltest
