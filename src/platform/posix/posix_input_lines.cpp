#include <fcntl.h>
#include <poll.h>
#include <unistd.h>

#include <cerrno>
#include <thread>

#include "platform/input_lines.h"
#include "platform/posix/unique_fd.h"

namespace platform {

// The reading waits on the input and on a pipe whose write end the destructor closes.
struct InputLines::Native {
  posix::UniqueFd input;
  posix::UniqueFd stopRead, stopWrite;
  std::thread reader;

  void read(const std::function<void(const std::string&)>& line) {
    LineSplitter splitter;
    char buffer[4096];
    for (;;) {
      pollfd fds[2] = {{input.get(), POLLIN, 0}, {stopRead.get(), POLLIN, 0}};
      if (poll(fds, 2, -1) < 0) {
        if (errno == EINTR) continue;
        return;
      }
      if (fds[1].revents) return;  // stopping: what was not read stays unread
      ssize_t n = ::read(input.get(), buffer, sizeof buffer);
      if (n < 0 && (errno == EINTR || errno == EAGAIN)) continue;
      if (n <= 0) break;
      splitter.feed(buffer, static_cast<size_t>(n), line);
    }
    splitter.finish(line);
  }
};

InputLines::InputLines() : native_(std::make_unique<Native>()) {
  // A closed standard input is not taken: descriptor 0 may later name a file of the program's.
  if (fcntl(0, F_GETFD) >= 0) native_->input.reset(fcntl(0, F_DUPFD_CLOEXEC, 3));
}

InputLines::~InputLines() {
  native_->stopWrite.reset();
  if (native_->reader.joinable()) native_->reader.join();
}

void InputLines::start(std::function<void(const std::string& line)> line) {
  if (native_->input.get() < 0 || native_->reader.joinable()) return;
  int ends[2];
  if (pipe2(ends, O_CLOEXEC) != 0) return;
  native_->stopRead.reset(ends[0]);
  native_->stopWrite.reset(ends[1]);
  native_->reader = std::thread([native = native_.get(), line = std::move(line)] { native->read(line); });
}

}  // namespace platform
