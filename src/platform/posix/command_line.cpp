#include "platform/posix/command_line.h"

namespace platform::posix {

namespace {

bool isBlank(char c) { return c == ' ' || c == '\t'; }

std::string programWord(const std::string& s, size_t& at) {
  std::string word;
  if (at < s.size() && s[at] == '"') {
    size_t close = s.find('"', at + 1);
    word = s.substr(at + 1, close == std::string::npos ? std::string::npos : close - at - 1);
    at = close == std::string::npos ? s.size() : close + 1;
  }
  while (at < s.size() && !isBlank(s[at])) word.push_back(s[at++]);
  return word;
}

std::string argumentWord(const std::string& s, size_t& at) {
  std::string word;
  bool quoted = false;
  while (at < s.size() && (quoted || !isBlank(s[at]))) {
    size_t slashes = 0;
    while (at < s.size() && s[at] == '\\') ++slashes, ++at;
    if (at < s.size() && s[at] == '"') {
      word.append(slashes / 2, '\\');
      if (slashes % 2) {
        word.push_back('"');
      } else if (quoted && at + 1 < s.size() && s[at + 1] == '"') {
        word.push_back('"');
        ++at;
      } else {
        quoted = !quoted;
      }
      ++at;
    } else {
      word.append(slashes, '\\');
      if (at < s.size() && (quoted || !isBlank(s[at]))) word.push_back(s[at++]);
    }
  }
  return word;
}

}  // namespace

std::vector<std::string> splitCommandLine(const std::string& commandLine) {
  std::vector<std::string> words;
  size_t at = 0;
  while (at < commandLine.size() && isBlank(commandLine[at])) ++at;
  if (at >= commandLine.size()) return words;
  words.push_back(programWord(commandLine, at));
  for (;;) {
    while (at < commandLine.size() && isBlank(commandLine[at])) ++at;
    if (at >= commandLine.size()) return words;
    words.push_back(argumentWord(commandLine, at));
  }
}

}  // namespace platform::posix
