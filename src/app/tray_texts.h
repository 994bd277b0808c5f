#pragma once

// The tray menu's texts, GBK bytes.
namespace app::texts {

inline constexpr const char* kSpeedLimit = "\xCF\xC2\xD4\xD8\xCF\xDE\xCB\xD9";                      // 下载限速
inline constexpr const char* kNoLimit = "\xB2\xBB\xCF\xDE\xCB\xD9";                                 // 不限速
inline constexpr const char* kOtherLimit = "\xB5\xB1\xC7\xB0\xCF\xDE\xCB\xD9 ";                     // "当前限速 "
inline constexpr const char* kPause = "\xD4\xDD\xCD\xA3\xCF\xC2\xD4\xD8";                           // 暂停下载
inline constexpr const char* kResume = "\xBC\xCC\xD0\xF8\xCF\xC2\xD4\xD8";                          // 继续下载
inline constexpr const char* kRepair = "\xBC\xEC\xB2\xE9\xB2\xA2\xD0\xDE\xB8\xB4\xBF\xCD\xBB\xA7\xB6\xCB";  // 检查并修复客户端

}  // namespace app::texts
