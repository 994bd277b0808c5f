#pragma once
#include <gtest/gtest.h>

#include <chrono>
#include <condition_variable>
#include <filesystem>
#include <mutex>
#include <string>
#include <vector>

#include "download/download_engine.h"
#include "download/test_server.h"

namespace dltest {

// Records what the engine reports and lets a test wait for the end event.
class EventLog {
 public:
  download::TaskParameters params(const std::string& url, const std::string& file, int connections = 5);
  bool waitForEnd(int timeoutMs = 30000);
  int count(int code) const;
  int32_t valueOf(int code) const;  // b of the last event with this code
  bool saidText(const std::string& part) const;

 private:
  mutable std::mutex mutex_;
  std::condition_variable changed_;
  std::vector<std::pair<int, int32_t>> events_;
  std::vector<std::string> messages_;
};

// A fresh temporary folder per test.
class TempFolder {
 public:
  TempFolder();
  ~TempFolder();
  std::string path(const std::string& name) const { return (dir_ / name).string(); }

 private:
  std::filesystem::path dir_;
};

std::string readFile(const std::string& path);
void writeFile(const std::string& path, const std::string& bytes);

// A retry rule short enough for tests.
inline download::EngineRules quickRetries(int maxRetries = 999) { return download::EngineRules{50, maxRetries, 10}; }

}  // namespace dltest
