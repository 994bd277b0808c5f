#include "platform/win32/winsock.h"

#include <winsock2.h>

#include <mutex>

namespace platform::win32 {

void startWinsock() {
  static std::once_flag once;
  std::call_once(once, [] {
    WSADATA data;
    WSAStartup(MAKEWORD(2, 2), &data);
  });
}

}  // namespace platform::win32
