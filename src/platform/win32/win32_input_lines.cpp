#include <windows.h>

#include <memory>
#include <mutex>

#include "platform/input_lines.h"
#include "platform/win32/unique_handle.h"

namespace platform {

namespace {

// Shared by the reading thread and its owner: a thread that cannot be woken from its read
// keeps it, and the owner's end is then only the promise that no line is delivered after it.
struct Reading {
  win32::UniqueHandle input;
  win32::UniqueHandle stop{CreateEventW(nullptr, TRUE, FALSE, nullptr)};
  std::function<void(const std::string&)> line;
  std::mutex mutex;
  bool stopping = false;

  void deliver(const std::string& text) {
    std::lock_guard lock(mutex);
    if (!stopping) line(text);
  }
};

DWORD WINAPI readLines(void* parameter) {
  std::shared_ptr<Reading> reading(*static_cast<std::shared_ptr<Reading>*>(parameter));
  delete static_cast<std::shared_ptr<Reading>*>(parameter);
  LineSplitter splitter;
  auto deliver = [&](const std::string& text) { reading->deliver(text); };
  char buffer[4096];
  DWORD got = 0;
  while (ReadFile(reading->input.get(), buffer, sizeof buffer, &got, nullptr) && got > 0)
    splitter.feed(buffer, got, deliver);
  splitter.finish(deliver);
  // At the end of the input the thread stays until its owner ends it: a thread ending by
  // itself while another one ends the process is a race Wine has been seen to lose.
  WaitForSingleObject(reading->stop.get(), INFINITE);
  return 0;
}

constexpr DWORD kStopWaitMs = 1000;

}  // namespace

struct InputLines::Native {
  std::shared_ptr<Reading> reading = std::make_shared<Reading>();
  win32::UniqueHandle thread;
};

InputLines::InputLines() : native_(std::make_unique<Native>()) {
  HANDLE in = GetStdHandle(STD_INPUT_HANDLE);
  HANDLE own = nullptr;
  if (in && in != INVALID_HANDLE_VALUE &&
      DuplicateHandle(GetCurrentProcess(), in, GetCurrentProcess(), &own, 0, FALSE, DUPLICATE_SAME_ACCESS))
    native_->reading->input.reset(own);
}

InputLines::~InputLines() {
  {
    std::lock_guard lock(native_->reading->mutex);
    native_->reading->stopping = true;
  }
  if (!native_->thread) return;
  SetEvent(native_->reading->stop.get());
  CancelSynchronousIo(native_->thread.get());
  WaitForSingleObject(native_->thread.get(), kStopWaitMs);
}

void InputLines::start(std::function<void(const std::string& line)> line) {
  Reading& reading = *native_->reading;
  if (!reading.input || !reading.stop || native_->thread) return;
  // Pipes and files are read; a console or a device (NUL) is not: scripts hand their lines
  // through a pipe or a file, and a read of a console ends only with a key.
  DWORD type = GetFileType(reading.input.get());
  if (type != FILE_TYPE_PIPE && type != FILE_TYPE_DISK) return;
  reading.line = std::move(line);
  auto* handed = new std::shared_ptr<Reading>(native_->reading);
  HANDLE t = CreateThread(nullptr, 0, readLines, handed, 0, nullptr);
  if (!t) {
    delete handed;
    return;
  }
  native_->thread.reset(t);
}

}  // namespace platform
