#pragma once
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "download/stored_check.h"
#include "download/transfer_control.h"

namespace download {

// The engine's callback: (event code, a, b, c, task id) -> 0.
using EventCallback = std::function<int32_t(int32_t code, int32_t a, int32_t b, int32_t c, int32_t task)>;
// Progress and error texts of the connections: level 0 information, 1 request sent,
// 2 response head, 3 error.
using MessageHook = std::function<void(int level, const std::string& text)>;

inline constexpr int32_t kModeDownload = 0x1000;

// The parameters of one download, with the values the launcher's construction gives them.
struct TaskParameters {
  int32_t mode = 1;
  std::string url;
  std::string localFile;
  std::string ftpUser = "anonymous";
  std::string ftpPassword = "launcher@localhost";
  int32_t connections = 1;
  int32_t rateLimit = 0;  // bytes per second for the whole task; 0 unlimited
  int32_t connectTimeout = 20000;
  int32_t sendTimeout = 20000;
  int32_t receiveTimeout = 20000;
  int32_t stopWait = 1000;
  int32_t receiveChunk = 20480;
  int32_t uploadChunk = 1024;
  MessageHook messageHook;
  // Lines for the support log (UTF-8), called from the engine's threads: which source served
  // how much, which one was left and why, a connection that keeps failing. Unset: none.
  std::function<void(const std::string&)> supportNote;
  // The launcher's tick count (milliseconds, may wrap), which spaces the lines of a connection
  // that keeps failing. Unset: only the first failure is told.
  std::function<uint32_t()> clock;
  EventCallback callback;
  std::string ftpExtra;
  int32_t ftpTransferType = 1;
  std::string binaryTypes = ".exe|.rar|.zip|.gif|.jpg|.mp3|.rm";
  std::string proxy;
  std::string referer;
  // Further addresses of the same file: connections are spread over them and `url`, and a
  // source that fails is left for the others. Not part of the state record.
  std::vector<std::string> mirrors;
  // The size the file must have, when the caller knows it from a source it trusts (a signed
  // manifest); 0 or less: unknown, the server's answer sizes the file.
  int64_t expectedSize = 0;
  // Asked with the size of the file just before it is created at that size; false when its
  // volume has no room for it. Unset: no check.
  std::function<bool(int64_t)> roomFor;
  // Set for a task that fetches chosen ranges of a file it already holds the rest of (a
  // delta): every request names its segment's last byte, every answer must be a 206 with
  // exactly that range, no more than `connections` run at once, and anything a source gets
  // wrong that another source cannot mend ends the task (the caller then fetches the file
  // whole). `checkFrom` makes the check of an answer starting at a file offset; null: the
  // offset is not one the check can start from.
  // The player's speed limit and pause, shared with the process's other downloads. Unset: none.
  std::shared_ptr<TransferControl> control;
  bool rangesOnly = false;
  std::function<std::unique_ptr<StoredCheck>(int64_t at)> checkFrom;
};

// Why a download ended without its file, where the player can act on the cause.
enum class DownloadFailure {
  none,                // no cause the player could act on (or no failure)
  certificateRefused,  // an https server's certificate failed the check
  proxyRefused,        // the proxy asked for authentication or refused the connection
  proxyInvalid,        // the proxy settings cannot be used as written
  sizeRefused,         // the server's file is not of the size the download expects
  noRoom,              // the file's size does not fit on its volume
};

// Engine events the launcher acts on.
inline constexpr int32_t kEventConnectionStarted = 5;
inline constexpr int32_t kEventSizeKnown = 3;
inline constexpr int32_t kEventEnded = 4;
inline constexpr int32_t kEventStored = 16;
inline constexpr int32_t kEventConnectionEnded = 9;

}  // namespace download
