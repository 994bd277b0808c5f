#include "platform/posix/posix_http.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <string>
#include <thread>

#include "platform/posix/unique_fd.h"

namespace platform::posix {
namespace {

// A one-connection server on a free loopback port: reads the request head, sends `reply`
// (with `gapMs` set, one line at a time with that pause between lines), then either closes or
// keeps the connection open until the client goes away.
class OneShotServer {
 public:
  OneShotServer(std::string reply, bool holdOpen = false, int gapMs = 0)
      : reply_(std::move(reply)), hold_(holdOpen), gapMs_(gapMs) {
    listen_ = UniqueFd(::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0));
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t len = sizeof a;
    ::bind(listen_.get(), reinterpret_cast<sockaddr*>(&a), sizeof a);
    ::listen(listen_.get(), 1);
    ::getsockname(listen_.get(), reinterpret_cast<sockaddr*>(&a), &len);
    port_ = ntohs(a.sin_port);
    thread_ = std::thread([this] { serve(); });
  }
  ~OneShotServer() {
    ::shutdown(listen_.get(), SHUT_RDWR);
    thread_.join();
  }
  int port() const { return port_; }
  const std::string& request() const { return request_; }

 private:
  void serve() {
    UniqueFd c(::accept(listen_.get(), nullptr, nullptr));
    if (!c) return;
    char buf[4096];
    while (request_.find("\r\n\r\n") == std::string::npos) {
      ssize_t n = ::recv(c.get(), buf, sizeof buf, 0);
      if (n <= 0) return;
      request_.append(buf, static_cast<size_t>(n));
    }
    for (size_t at = 0, end = 0; at < reply_.size(); at = end) {
      size_t line = reply_.find('\n', at);
      end = gapMs_ && line != std::string::npos ? line + 1 : reply_.size();
      if (at > 0) std::this_thread::sleep_for(std::chrono::milliseconds(gapMs_));
      if (::send(c.get(), reply_.data() + at, end - at, MSG_NOSIGNAL) < 0) return;
    }
    if (hold_) ::recv(c.get(), buf, sizeof buf, 0);  // until the client gives up and closes
  }

  std::string reply_;
  bool hold_;
  int gapMs_;
  UniqueFd listen_;
  int port_ = 0;
  std::string request_;
  std::thread thread_;
};

TEST(PosixHttp, SendsOneHttp10GetAndReturnsTheBodyWhateverTheStatus) {
  OneShotServer server("HTTP/1.1 404 Not Found\r\nContent-Type: text/html\r\n\r\n<html>missing</html>");
  PosixHttpClient http;
  EXPECT_EQ(http.get("127.0.0.1", server.port(), "/dlq/UpdateInfo_test.xml?t=1700000000", false).body, "<html>missing</html>");
  EXPECT_EQ(server.request().rfind("GET /dlq/UpdateInfo_test.xml?t=1700000000 HTTP/1.0\r\n", 0), 0u);
  EXPECT_NE(server.request().find("\r\nAccept: */*\r\n"), std::string::npos);
  EXPECT_NE(server.request().find("\r\nHost: 127.0.0.1:" + std::to_string(server.port()) + "\r\n"),
            std::string::npos);
}

TEST(PosixHttp, ABrokenConnectionGivesTheBytesThatArrived) {
  OneShotServer server("HTTP/1.0 200 OK\r\nContent-Length: 1000\r\n\r\n<UpdateInfo><Server");
  PosixHttpClient http;
  EXPECT_EQ(http.get("localhost", server.port(), "/x", false).body, "<UpdateInfo><Server");
}

TEST(PosixHttp, NoServerGivesNothing) {
  int port;
  {
    OneShotServer gone("");
    port = gone.port();
    PosixHttpClient(2000).get("127.0.0.1", port, "/", false);  // lets the server's thread finish
  }
  PosixHttpClient http(2000);
  EXPECT_EQ(http.get("127.0.0.1", port, "/", false).body, "");
  EXPECT_EQ(http.get("no-such-host.invalid", 80, "/", false).body, "");
}

TEST(PosixHttp, AServerThatGoesQuietIsLeftAfterTheTimeOut) {
  OneShotServer server("HTTP/1.0 200 OK\r\n\r\n<partial", true);
  PosixHttpClient http(300);
  HttpAnswer answer = http.get("127.0.0.1", server.port(), "/", false);
  EXPECT_EQ(answer.body, "<partial");
  EXPECT_EQ(answer.refusal, HttpAnswer::Refusal::none);
}

TEST(PosixHttp, AnAnswerLargerThanTheCapIsRefusedWhole) {
  const std::string head = "HTTP/1.0 200 OK\r\n\r\n";
  OneShotServer atCap(head + std::string(1000, 'x'));
  EXPECT_EQ(PosixHttpClient(2000, 1000).get("127.0.0.1", atCap.port(), "/", false).body, std::string(1000, 'x'));
  OneShotServer over(head + std::string(1001, 'x'));
  HttpAnswer refused = PosixHttpClient(2000, 1000).get("127.0.0.1", over.port(), "/", false);
  EXPECT_EQ(refused.body, "");
  EXPECT_EQ(refused.refusal, HttpAnswer::Refusal::tooLarge);
  // An endless answer is left once it passes the cap, not read to its end.
  OneShotServer endless(head + std::string(20 << 20, 'x'), true);
  EXPECT_EQ(PosixHttpClient(2000, 1000).get("127.0.0.1", endless.port(), "/", false).refusal,
            HttpAnswer::Refusal::tooLarge);
}

TEST(PosixHttp, ATricklingServerIsLeftAtTheOverallDeadline) {
  // Every gap is far below the 2 s wait for one piece, but the whole head takes 10 s.
  std::string head = "HTTP/1.0 200 OK\r\n";
  for (int i = 0; i < 200; ++i) head += "X-Wait: " + std::to_string(i) + "\r\n";
  OneShotServer server(head + "\r\n<UpdateInfo/>", false, 50);
  HttpAnswer answer = PosixHttpClient(2000, kHttpMaxBody, 500).get("127.0.0.1", server.port(), "/", false);
  EXPECT_EQ(answer.body, "");
  EXPECT_EQ(answer.refusal, HttpAnswer::Refusal::tooSlow);
}

TEST(ResponseBody, SplitsAtTheEndOfTheHeaderBlock) {
  EXPECT_EQ(responseBody("HTTP/1.0 200 OK\r\nA: b\r\n\r\nbody\r\n\r\nmore"), "body\r\n\r\nmore");
  EXPECT_EQ(responseBody("HTTP/1.0 200 OK\nA: b\n\nbody"), "body");
  EXPECT_EQ(responseBody("HTTP/1.0 200 OK\r\nA: b\r\n"), "");
  EXPECT_EQ(responseBody("<UpdateInfo/>"), "<UpdateInfo/>");
  EXPECT_EQ(responseBody(""), "");
}

}  // namespace
}  // namespace platform::posix
