#pragma once
#include <cstdint>
#include <string>

#include "platform/platform.h"

namespace launch {

// The start-up record asked of a new process for a show mode (1, 3, 4, 5, 6 set the window
// state; anything else leaves it to the program).
platform::StartupRecord startupRecordFor(int showMode);

// Starts a program, a document through its opener, a folder in explorer.exe, a web address
// or a shortcut's target. Returns the new process's identifier, 0 when none was created.
// Unless `keepHandles`, the handles in `processInfo` are closed before returning.
int32_t runProgram(platform::Platform& p, const std::string& target, const std::string& arguments, bool waitForExit,
                   int showMode, const std::string& workingDirectory, platform::ProcessRecord& processInfo,
                   bool keepHandles);

// Hands an address to the shell's default handler; nothing is reported.
void openWebPage(platform::Platform& p, const std::string& address);

}  // namespace launch
