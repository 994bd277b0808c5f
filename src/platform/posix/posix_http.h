#pragma once
#include "platform/http_client.h"

namespace platform::posix {

class PosixHttpClient : public HttpClient {
 public:
  std::string get(const std::string& host, int port, const std::string& pathAndQuery) override;
};

}  // namespace platform::posix
