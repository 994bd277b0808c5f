#include "launch/program_opener.h"

#include "launch/program_search.h"
#include "launch/shortcut_files.h"
#include "text/gbk.h"
#include "text/gbk_path.h"

namespace launch {

namespace {

constexpr const char* kBrowser = "iexplore.exe";
constexpr const char* kExplorer = "explorer.exe";
constexpr const char* kBrowserWindowTitle = "Microsoft Internet Explorer";
constexpr int kIdleWaitMs = 1000;

struct Opening {
  std::string program;
  std::string arguments;
};

Opening classify(platform::Platform& p, const std::string& target, const std::string& arguments) {
  if (text::asciiLower(target.substr(0, 4)) == "http") return {kBrowser, target};
  if (text::endsWithNoCase(target, ".url")) {
    std::string path = target, icon;
    return {kBrowser, readUrlShortcut(p, path, icon)};
  }
  if (text::endsWithNoCase(target, ".lnk")) {
    std::string path = target, linkArguments = arguments, icon;
    std::string linkTarget = readLinkShortcut(p, path, linkArguments, icon);
    return {linkTarget, linkArguments};
  }
  if (p.files.exists(target) && p.files.isDirectory(target)) return {kExplorer, target};
  return {target, arguments};
}

std::string quoted(const std::string& s) { return "\"" + s + "\""; }

}  // namespace

platform::StartupRecord startupRecordFor(int showMode) {
  switch (showMode) {
    case 1: return {1, 0};
    case 3: return {1, 2};
    case 4: return {1, 3};
    case 5: return {1, 4};
    case 6: return {1, 6};
    default: return {0, 1};
  }
}

int32_t runProgram(platform::Platform& p, const std::string& target, const std::string& arguments, bool waitForExit,
                   int showMode, const std::string& workingDirectory, platform::ProcessRecord& processInfo,
                   bool keepHandles) {
  Opening o = classify(p, target, arguments);
  std::string commandArguments = o.arguments;
  std::string programPath = associatedProgram(p, o.program);
  if (!programPath.empty()) {
    // The first copy fills the program-name position, the second is the document.
    commandArguments = quoted(o.program) + " " + quoted(o.program);
  } else {
    if (!commandArguments.empty()) commandArguments = "%1 " + commandArguments;
    programPath = findProgramPath(p, o.program);
  }
  // Without a program path, process creation would run whatever the command line names.
  if (programPath.empty()) return 0;
  std::string directory = workingDirectory;
  if (directory.empty()) {
    size_t cut = text::lastSeparator(programPath, p.system.leadBytes());
    if (cut != std::string::npos) directory = programPath.substr(0, cut + 1);
  }
  p.starter.create(programPath, commandArguments, directory, startupRecordFor(showMode), processInfo);
  if (processInfo.processId == 0) return 0;
  if (waitForExit) {
    p.starter.waitForExit(processInfo.process);
  } else {
    p.starter.waitForInputIdle(processInfo.process, kIdleWaitMs);
  }
  if (!keepHandles) {
    p.starter.closeHandle(processInfo.thread);
    p.starter.closeHandle(processInfo.process);
    processInfo.thread = 0;
    processInfo.process = 0;
  }
  return static_cast<int32_t>(processInfo.processId);
}

void openWebPage(platform::Platform& p, const std::string& address) {
  platform::WindowHandle owner = p.shell.findWindowByTitle(kBrowserWindowTitle);
  p.shell.execute(owner, "open", address);
}

}  // namespace launch
