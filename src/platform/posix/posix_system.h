#pragma once
#include "platform/system.h"

namespace platform::posix {

class PosixSystem : public System {
 public:
  uint32_t tickCount() override;
  int defaultLocaleId() override;
  unsigned systemCodePage() override;
  LocalTime localNow() override;
  std::string executablePath() override;
  std::string environment(const std::string& name) override;
  void sleep(int milliseconds) override;
  void endProcess(int code) override;
  std::string toUtf8(const std::string& bytes, unsigned codePage) override;
  std::string displayText(const std::string& systemText, unsigned codePage) override;
  std::string readableText(const std::string& systemText) override;
  std::bitset<256> leadBytes() override;
  std::string manifestFileName(const std::string& gbk) override;
  std::string scriptText(const std::string& systemText) override;
};

// The Windows locale identifier of a POSIX locale name such as "zh_CN.UTF-8".
int localeIdOfName(const std::string& localeName);

}  // namespace platform::posix
