#pragma once
#include "platform/network.h"

namespace platform::win32 {

class Win32Network : public Network {
 public:
  int icmpEcho(const std::string& host, int timeoutMs) override;
};

}  // namespace platform::win32
