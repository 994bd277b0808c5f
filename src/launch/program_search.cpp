#include "launch/program_search.h"

#include "text/gbk.h"

namespace launch {

namespace {

constexpr const char* kAppPaths = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\App Paths\\";
constexpr size_t kShortPathBuffer = 255;

// Length of the character starting at `at`: two for a GBK lead byte with a trail, else one.
size_t charLength(const std::string& s, size_t at) {
  return static_cast<unsigned char>(s[at]) >= 0x81 && at + 1 < s.size() ? 2 : 1;
}

bool isSpaceAt(const std::string& s, size_t at, size_t length) {
  if (length == 1) return s[at] == ' ';
  return static_cast<unsigned char>(s[at]) == 0xA1 && static_cast<unsigned char>(s[at + 1]) == 0xA1;
}

std::string beforeFirst(const std::string& text, const std::string& mark) {
  return text.substr(0, text.find(mark));
}

}  // namespace

std::string trimSpaces(const std::string& text) {
  // Walks whole characters so a trail byte 0xA1 is never taken for half a space.
  size_t begin = std::string::npos, end = 0;
  for (size_t at = 0; at < text.size();) {
    size_t length = charLength(text, at);
    if (!isSpaceAt(text, at, length)) {
      if (begin == std::string::npos) begin = at;
      end = at + length;
    }
    at += length;
  }
  return begin == std::string::npos ? std::string() : text.substr(begin, end - begin);
}

std::string commandProgramPath(platform::Platform& p, const std::string& command) {
  std::string text = command;
  if (!text.empty() && text[0] == '"') {
    size_t close = text.find('"', 1);
    text = close == std::string::npos ? std::string() : text.substr(1, close - 1);
  }
  if (!text.empty() && text[0] == '%') {
    size_t close = text.find('%', 1);
    if (close != std::string::npos)
      text = p.system.environment(text.substr(1, close - 1)) + text.substr(close + 1);
  }
  if (text.find("\r\n") != std::string::npos) text = trimSpaces(beforeFirst(text, "\r\n"));
  if (text.find('%') != std::string::npos) text = trimSpaces(beforeFirst(text, "%"));
  if (text.find('/') != std::string::npos) text = trimSpaces(beforeFirst(text, "/"));
  if (text.find(',') != std::string::npos) text = beforeFirst(text, ",");
  if (text.empty()) return {};
  std::string shortPath = p.starter.shortPathName(text);
  // A short form that does not fit the buffer is no usable path.
  return shortPath.size() > kShortPathBuffer ? std::string() : shortPath;
}

std::string associatedProgram(platform::Platform& p, const std::string& program) {
  size_t dot = program.rfind('.');
  std::string extension = dot == std::string::npos ? std::string() : program.substr(dot + 1);
  std::string className;
  if (!p.registry.defaultValue(platform::RegistryRoot::ClassesRoot, "." + extension, className)) return {};
  std::string command;
  if (!p.registry.defaultValue(platform::RegistryRoot::ClassesRoot, className + "\\Shell\\Open\\Command", command))
    command.clear();
  return commandProgramPath(p, command);
}

std::string findProgramPath(platform::Platform& p, const std::string& program) {
  if (p.files.exists(program)) return program;
  std::string name = text::endsWithNoCase(program, ".exe") ? program : program + ".exe";
  std::string inWindows = p.starter.windowsDirectory() + "\\" + name;
  if (p.files.exists(inWindows)) return inWindows;
  std::string inSystem = p.starter.systemDirectory() + "\\" + name;
  if (p.files.exists(inSystem)) return inSystem;
  std::string registered;
  if (p.registry.defaultValue(platform::RegistryRoot::LocalMachine, kAppPaths + name, registered) &&
      p.files.exists(registered))
    return registered;
  return {};
}

}  // namespace launch
