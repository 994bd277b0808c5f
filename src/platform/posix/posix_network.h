#pragma once
#include "platform/network.h"

namespace platform::posix {

class PosixNetwork : public Network {
 public:
  int icmpEcho(const std::string& host, int timeoutMs) override;
};

}  // namespace platform::posix
