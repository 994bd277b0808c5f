#pragma once
#include <functional>
#include <memory>
#include <string>

namespace platform {

// Reads the process's standard input line by line on a thread of its own. The input is taken
// over when this is made (so a file the program opens later in the place of a closed
// standard input is never read); start() hands each line, without its line end, to `line`
// on that thread. The end of the input, or no input at all, ends the reading and nothing
// else. Destroying it stops the reading, also while it waits. On Windows only a pipe or a
// file is read (a console or a device such as NUL is not).
class InputLines {
 public:
  InputLines();
  ~InputLines();
  InputLines(const InputLines&) = delete;
  InputLines& operator=(const InputLines&) = delete;

  void start(std::function<void(const std::string& line)> line);

 private:
  struct Native;
  std::unique_ptr<Native> native_;
};

// Splits bytes into lines as they arrive: "\n" ends a line, a "\r" before it is dropped, and
// a line longer than kLongestLine keeps only its first kLongestLine bytes.
class LineSplitter {
 public:
  static constexpr size_t kLongestLine = 4096;
  void feed(const char* bytes, size_t size, const std::function<void(const std::string&)>& line);
  // The input ended: the last line, when it had no line end.
  void finish(const std::function<void(const std::string&)>& line);

 private:
  std::string pending_;
};

}  // namespace platform
