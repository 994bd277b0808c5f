#pragma once
#include "platform/http_client.h"

namespace platform::win32 {

class Win32HttpClient : public HttpClient {
 public:
  std::string get(const std::string& host, int port, const std::string& pathAndQuery) override;
};

}  // namespace platform::win32
