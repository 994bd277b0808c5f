#pragma once

namespace platform::win32 {

// Winsock needs one WSAStartup per process before its first use; it stays up until exit.
// Safe to call from any thread, any number of times.
void startWinsock();

}  // namespace platform::win32
