#pragma once
#include <atomic>
#include <chrono>
#include <cstdint>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace dltest {

// A loopback HTTP server for the engine's tests: serves one body with ranges, and can
// misbehave on request (drops, stalls, wrong lengths, no ranges, error codes, redirects).
class TestServer {
 public:
  explicit TestServer(std::string body);
  ~TestServer();
  TestServer(const TestServer&) = delete;
  TestServer& operator=(const TestServer&) = delete;

  int port() const { return port_; }
  std::string url(const std::string& path = "/files/patch.bin") const;

  // Knobs; set them before the requests they should affect.
  std::atomic<bool> ignoreRange{false};   // answer every request with 200 and the whole body
  std::atomic<int> status{0};             // answer with this code and no body (0: normal)
  std::atomic<int64_t> cutAfter{-1};      // close after this many body bytes of a response
  std::atomic<int> cutCount{0};           // how many responses are cut (-1: all)
  std::atomic<int64_t> stallAfter{-1};    // stop sending after this many body bytes, stay open
  std::atomic<int> stallCount{0};         // how many responses stall (-1: all)
  std::atomic<int64_t> lengthDelta{0};    // added to the announced Content-Length
  std::atomic<int64_t> rangeTotalDelta{0};  // added to the total of Content-Range
  std::atomic<int64_t> announcedLength{-1};   // announce this length instead (no body beyond the real one)
  std::atomic<int> bytesPerWrite{65536};
  std::atomic<int> pauseMsPerWrite{0};    // pause between writes (a slow server)
  std::atomic<int64_t> rangeShift{0};     // a ranged answer starts this far from where it was asked
  std::atomic<int> rangeShiftCount{0};    // how many ranged answers are shifted (-1: all)
  std::atomic<int64_t> unrangedPartial{-1};  // answer the unranged request with 206 and this many bytes
  std::atomic<bool> chunked{false};       // frame every body in chunks (beside a Content-Length)
  void redirect(const std::string& path, const std::string& location);
  // Sends `bytes` instead of the next `count` answers, then closes.
  void rawAnswer(const std::string& bytes, int count);
  // Names the body's version in an ETag and honours If-Range against it.
  void setBody(std::string body, const std::string& etag);

  std::vector<std::string> requests() const;  // request heads in arrival order
  // The Range starts of the requests (-1 for none), in arrival order.
  std::vector<int64_t> rangeStarts() const;
  // When each request head was complete, in arrival order.
  std::vector<std::chrono::steady_clock::time_point> arrivals() const;

 private:
  void acceptLoop();
  void serve(int fd);
  bool takeOne(std::atomic<int>& count);
  std::string answerHead(const std::string& request, const std::string& body, int64_t& from) ;

  std::shared_ptr<const std::string> body_;  // replaced whole, under the mutex
  int listenFd_ = -1;
  int port_ = 0;
  std::atomic<bool> stopping_{false};
  mutable std::mutex mutex_;
  std::map<std::string, std::string> redirects_;
  std::string raw_;
  std::atomic<int> rawCount_{0};
  std::string etag_;
  std::vector<std::string> requests_;
  std::vector<std::chrono::steady_clock::time_point> arrivals_;
  std::vector<int> clients_;
  std::vector<std::thread> threads_;
  std::thread acceptor_;
};

// A loopback port that refuses every connection: bound, never listening, held until destroyed
// so that no other server takes it meanwhile.
class RefusingPort {
 public:
  RefusingPort();
  ~RefusingPort();
  RefusingPort(const RefusingPort&) = delete;
  RefusingPort& operator=(const RefusingPort&) = delete;
  std::string url(const std::string& path = "/files/patch.bin") const;

 private:
  int fd_ = -1;
  int port_ = 0;
};

// A body of `size` bytes without zero bytes, different at every offset modulo a large prime,
// so a byte at the wrong offset shows.
std::string patternBody(size_t size, uint32_t seed = 7);

}  // namespace dltest
