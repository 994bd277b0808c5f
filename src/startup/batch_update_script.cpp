#include "startup/startup_sequence.h"
#include "startup/update_script.h"

namespace startup {

namespace {

bool bareInBatch(unsigned char c) {
  return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '\\' || c == ':' ||
         c == '.' || c == '_' || c == '-';
}

// "start" takes a first quoted word as the console title, so a quoted program needs an
// empty title in front of it.
std::string startLine(const UpdateScriptInput& input) {
  std::string program = batchWord(input.launcherPath);
  std::string line = program.front() == '"' ? "start \"\" " + program : "start " + program;
  for (const auto& argument : input.restartArguments) line += " " + batchWord(argument);
  return line;
}

// cmd looks in the current folder, the client's, before the path: a system program is named
// by its full path. Without a known folder the system's own variable stands in.
std::string systemProgram(const UpdateScriptInput& input, const std::string& file) {
  if (input.systemFolder.empty()) return "%SystemRoot%\\System32\\" + file;
  return batchWord(input.systemFolder + "\\" + file);
}

}  // namespace

std::string batchWord(const std::string& text) {
  bool bare = !text.empty();
  std::string escaped;
  for (char c : text) {
    bare = bare && bareInBatch(static_cast<unsigned char>(c));
    escaped += c;
    if (c == '%') escaped += '%';
  }
  return bare ? escaped : "\"" + escaped + "\"";
}

std::string batchUpdateScript(const UpdateScriptInput& input) {
  const std::string own = batchWord(input.launcherPath);
  const std::string kept = batchWord(input.launcherPath + ".old");
  const std::string start = startLine(input);
  const std::vector<std::string> lines = {
      "@echo off",
      // Taskkill answers 0 while it still finds a copy to end, so the loop runs until the
      // old launcher has gone (or about thirty seconds have passed).
      "set tries=0",
      ":end_old",
      systemProgram(input, "taskkill.exe") + " /f /im " + batchWord(fileNameOf(input.launcherPath, input.pathLeadBytes)) + " >nul 2>nul",
      "if errorlevel 1 goto old_ended",
      "set /a tries+=1",
      "if %tries% geq 30 goto old_ended",
      systemProgram(input, "ping.exe") + " -n 2 127.0.0.1 >nul",
      "goto end_old",
      ":old_ended",
      "copy /Y " + own + " " + kept + " >nul",
      "if errorlevel 1 goto start_old",
      // Del reports nothing through errorlevel; a read-only or still running executable
      // simply stays, and is then kept.
      "Del " + own,
      "if exist " + own + " goto keep_old",
      "move /Y " + batchWord(input.newFile) + " " + own,
      "if errorlevel 1 goto restore",
      "if not exist " + own + " goto restore",
      start,
      "Del /F " + kept,
      "Del update.bat",
      "Exit",
      // A failed restore keeps the copy: it is then the only launcher left.
      ":restore",
      "move /Y " + kept + " " + own,
      "if errorlevel 1 goto start_old",
      "if not exist " + own + " goto start_old",
      ":keep_old",
      "Del /F " + kept,
      ":start_old",
      start,
      "Del update.bat",
      "Exit",
  };
  std::string script;
  for (const auto& line : lines) {
    if (!script.empty()) script += "\r\n";
    script += line;
  }
  return script;
}

}  // namespace startup
