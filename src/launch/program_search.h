#pragma once
#include <string>

#include "platform/platform.h"

namespace launch {

// The short path of the opener registered for the file type of `program` (a program or
// document name); empty when the type has no opener program of its own.
std::string associatedProgram(platform::Platform& p, const std::string& program);
// The program path at the head of a shell open command, in its short form; empty when the
// command names no existing program (for example when it starts with "%1").
std::string commandProgramPath(platform::Platform& p, const std::string& command);
// Where `program` is found: as named, then with ".exe" in the Windows folder, the system
// folder and the registered application paths; empty when nowhere.
std::string findProgramPath(platform::Platform& p, const std::string& program);

// Cuts ASCII spaces and GBK full-width spaces from both ends.
std::string trimSpaces(const std::string& text);

}  // namespace launch
