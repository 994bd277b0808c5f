#pragma once
#include <cstdint>
#include <string>

#include "state/app_state.h"
#include "startup/launcher_version.h"
#include "text/gbk_path.h"

namespace startup {

inline constexpr const char* kInstanceName = "VKTALVDLQ";

// Handler of the window's created event.
void startupSequence(state::AppState& app);
// Ends the process when another copy holds the name (and returns false); otherwise claims it.
bool ensureSingleInstance(state::AppState& app, const std::string& name);
// Brings the other copy's window forward, if one is found within 100 ms.
void activateRunningInstance(state::AppState& app);
// The id of the first process whose executable name equals `exeName` (ASCII case folded); 0 if none.
uint32_t findProcessId(state::AppState& app, const std::string& exeName);
// Body of the remote-configuration worker thread.
void remoteConfigurationWorker(state::AppState& app);

// The file-name part of a path with '\' separators, in the code page of `lead`.
std::string fileNameOf(const std::string& path, const text::LeadBytes& lead);
// The folder part of a path with '\' separators, with its trailing '\'.
std::string folderOf(const std::string& path, const text::LeadBytes& lead);

}  // namespace startup
