#include "platform/posix/posix_system.h"

#include <time.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <thread>

#include "platform/posix/host_text.h"

namespace platform::posix {

namespace {
constexpr unsigned kUtf8CodePage = 65001;
}  // namespace

uint32_t PosixSystem::tickCount() {
  timespec ts{};
  clock_gettime(CLOCK_MONOTONIC, &ts);
  uint64_t ms = static_cast<uint64_t>(ts.tv_sec) * 1000u + static_cast<uint64_t>(ts.tv_nsec) / 1000000u;
  return static_cast<uint32_t>(ms);
}

int localeIdOfName(const std::string& localeName) {
  std::string lang = localeName.substr(0, localeName.find_first_of(".@"));
  struct Entry {
    const char* name;
    int id;
  };
  static constexpr Entry kTable[] = {
      {"zh_CN", 2052}, {"zh_SG", 4100}, {"zh_TW", 1028}, {"zh_HK", 3076}, {"zh_MO", 5124},
      {"ja_JP", 1041}, {"ko_KR", 1042}, {"en_US", 1033}, {"en_GB", 2057}, {"de_DE", 1031},
      {"fr_FR", 1036}, {"ru_RU", 1049},
  };
  for (const auto& e : kTable)
    if (lang == e.name) return e.id;
  // "C", "POSIX" and anything unknown read as English (United States), like a neutral Windows.
  return 1033;
}

int PosixSystem::defaultLocaleId() {
  for (const char* var : {"LC_ALL", "LC_MESSAGES", "LANG"}) {
    const char* value = std::getenv(var);
    if (value && *value) return localeIdOfName(value);
  }
  return 1033;
}

// Paths and process names here are UTF-8 whatever the locale.
unsigned PosixSystem::systemCodePage() { return kUtf8CodePage; }

LocalTime PosixSystem::localNow() {
  timespec ts{};
  clock_gettime(CLOCK_REALTIME, &ts);
  tm local{};
  localtime_r(&ts.tv_sec, &local);
  return {static_cast<int64_t>(ts.tv_sec) + local.tm_gmtoff, static_cast<int>(ts.tv_nsec / 1000000)};
}

std::string PosixSystem::executablePath() {
  char buffer[4096];
  ssize_t n = readlink("/proc/self/exe", buffer, sizeof buffer - 1);
  if (n <= 0) return {};
  return launcherPath(std::string(buffer, static_cast<size_t>(n)));
}

std::string PosixSystem::environment(const std::string& name) {
  const char* value = std::getenv(name.c_str());
  return value ? value : "";
}

void PosixSystem::sleep(int milliseconds) {
  std::this_thread::sleep_for(std::chrono::milliseconds(milliseconds));
}

void PosixSystem::endProcess(int code) {
  // Other threads may be mid-way through anything; end without running destructors.
  std::fflush(stdout);
  std::fflush(stderr);
  _exit(code);
}

std::string PosixSystem::toUtf8(const std::string& bytes, unsigned codePage) {
  if (codePage == kUtf8CodePage) return bytes;
  const char* from = codePage == 950 ? "BIG5" : codePage == 932 ? "CP932" : "GBK";
  return convert(bytes, from, "UTF-8");
}

// The text is a launcher path: the player reads it as this system writes paths, with '/'.
std::string PosixSystem::displayText(const std::string& systemText, unsigned codePage) {
  const char* to = codePage == 950 ? "BIG5" : codePage == 932 ? "CP932" : "GBK";
  return convert(hostPath(systemText), "UTF-8", to);
}

// A launcher path, read as this system writes paths. Its texts are UTF-8, in which no byte of a
// longer character can be taken for a backslash.
std::string PosixSystem::readableText(const std::string& systemText) {
  return hostPath(toUtf8(systemText, systemCodePage()));
}

// Paths of this system are UTF-8: no byte of a longer character can be taken for '\'.
std::bitset<256> PosixSystem::leadBytes() { return {}; }

std::string PosixSystem::manifestFileName(const std::string& gbk) { return convert(gbk, "GBK", "UTF-8"); }

std::string PosixSystem::scriptText(const std::string& systemText) { return systemText; }

}  // namespace platform::posix
