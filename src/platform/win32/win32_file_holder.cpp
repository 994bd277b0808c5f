#include <windows.h>
#include <restartmanager.h>

#include <vector>

#include "platform/win32/wide.h"
#include "platform/win32/win32_files.h"

namespace platform::win32 {

namespace {

// One Restart Manager session, ended with its scope.
class RmSession {
 public:
  RmSession() {
    WCHAR key[CCH_RM_SESSION_KEY + 1] = {};
    open_ = RmStartSession(&handle_, 0, key) == ERROR_SUCCESS;
  }
  ~RmSession() {
    if (open_) RmEndSession(handle_);
  }
  RmSession(const RmSession&) = delete;
  RmSession& operator=(const RmSession&) = delete;
  bool open() const { return open_; }
  DWORD handle() const { return handle_; }

 private:
  DWORD handle_ = 0;
  bool open_ = false;
};

}  // namespace

bool Win32Files::freeSpace(const std::string& path, int64_t& bytes) {
  ULARGE_INTEGER available{};
  if (!GetDiskFreeSpaceExW(widen(path).c_str(), &available, nullptr, nullptr)) return false;
  bytes = static_cast<int64_t>(available.QuadPart);
  return true;
}

// Restart Manager names the application (or service) that has the file open. Wine's accepts
// the session and the file but lists no process, so there the caller names the file alone.
std::string Win32Files::holderOf(const std::string& path) {
  RmSession session;
  if (!session.open()) return {};
  std::wstring wide = widen(path);
  LPCWSTR names[] = {wide.c_str()};
  if (RmRegisterResources(session.handle(), 1, names, 0, nullptr, 0, nullptr) != ERROR_SUCCESS) return {};
  std::vector<RM_PROCESS_INFO> infos(4);
  for (int attempt = 0; attempt < 3; ++attempt) {
    UINT needed = 0;
    UINT count = static_cast<UINT>(infos.size());
    DWORD reasons = 0;
    DWORD status = RmGetList(session.handle(), &needed, &count, infos.data(), &reasons);
    if (status == ERROR_MORE_DATA) {
      infos.resize(needed);
      continue;
    }
    if (status != ERROR_SUCCESS || count == 0) return {};
    return narrow(infos[0].strAppName);
  }
  return {};
}

}  // namespace platform::win32
