#include "download/engine_fixture.h"

#include <fstream>
#include <random>
#include <sstream>

namespace dltest {

download::TaskParameters EventLog::params(const std::string& url, const std::string& file, int connections) {
  download::TaskParameters p;
  p.mode = download::kModeDownload;
  p.receiveChunk = 10240;
  p.url = url;
  p.localFile = file;
  p.connections = connections;
  p.callback = [this](int32_t code, int32_t, int32_t b, int32_t, int32_t) {
    std::lock_guard guard(mutex_);
    events_.emplace_back(code, b);
    changed_.notify_all();
    return 0;
  };
  p.messageHook = [this](int, const std::string& text) {
    std::lock_guard guard(mutex_);
    messages_.push_back(text);
  };
  return p;
}

bool EventLog::waitForEnd(int timeoutMs) {
  std::unique_lock lock(mutex_);
  return changed_.wait_for(lock, std::chrono::milliseconds(timeoutMs), [&] {
    for (auto& e : events_) {
      if (e.first == download::kEventEnded) return true;
    }
    return false;
  });
}

int EventLog::count(int code) const {
  std::lock_guard guard(mutex_);
  int n = 0;
  for (auto& e : events_) n += e.first == code;
  return n;
}

int32_t EventLog::valueOf(int code) const {
  std::lock_guard guard(mutex_);
  int32_t v = -1;
  for (auto& e : events_) {
    if (e.first == code) v = e.second;
  }
  return v;
}

bool EventLog::saidText(const std::string& part) const {
  std::lock_guard guard(mutex_);
  for (auto& m : messages_) {
    if (m.find(part) != std::string::npos) return true;
  }
  return false;
}

TempFolder::TempFolder() {
  std::random_device rd;
  dir_ = std::filesystem::temp_directory_path() / ("dl_test_" + std::to_string(rd()) + std::to_string(rd()));
  std::filesystem::create_directories(dir_);
}

TempFolder::~TempFolder() {
  std::error_code ec;
  std::filesystem::remove_all(dir_, ec);
}

std::string readFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream out;
  out << in.rdbuf();
  return out.str();
}

void writeFile(const std::string& path, const std::string& bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out << bytes;
}

}  // namespace dltest
