#include "platform/posix/ini_text.h"

#include <vector>

#include "text/gbk.h"

namespace platform::posix {

namespace {

struct Line {
  size_t begin = 0;    // first byte of the line
  size_t end = 0;      // end of its text, before CR LF or LF
  size_t next = 0;     // first byte of the following line
};

std::vector<Line> splitLines(const std::string& content) {
  std::vector<Line> lines;
  for (size_t at = 0; at < content.size();) {
    size_t lf = content.find('\n', at);
    Line line;
    line.begin = at;
    line.next = lf == std::string::npos ? content.size() : lf + 1;
    line.end = lf == std::string::npos ? content.size() : lf;
    if (line.end > line.begin && content[line.end - 1] == '\r') --line.end;
    lines.push_back(line);
    at = line.next;
  }
  return lines;
}

bool isBlank(char c) { return c == ' ' || c == '\t'; }

std::string trimmed(const std::string& s) {
  size_t b = 0, e = s.size();
  while (b < e && isBlank(s[b])) ++b;
  while (e > b && isBlank(s[e - 1])) --e;
  return s.substr(b, e - b);
}

bool sameName(const std::string& a, const std::string& b) { return text::asciiLower(a) == text::asciiLower(b); }

// What one line holds.
struct Parsed {
  enum Kind { Other, Section, Entry } kind = Other;
  std::string name;   // section or key name
  std::string value;  // entry value, trimmed
  size_t valueAt = 0; // where the raw value starts in the line text
};

Parsed parse(const std::string& text) {
  Parsed p;
  std::string t = trimmed(text);
  if (t.empty() || t[0] == ';') return p;
  if (t[0] == '[') {
    p.kind = Parsed::Section;
    size_t close = t.find(']');
    p.name = trimmed(t.substr(1, close == std::string::npos ? std::string::npos : close - 1));
    return p;
  }
  size_t eq = text.find('=');
  if (eq == std::string::npos) return p;
  p.kind = Parsed::Entry;
  p.name = trimmed(text.substr(0, eq));
  p.value = trimmed(text.substr(eq + 1));
  p.valueAt = eq + 1;
  return p;
}

std::string unquoted(const std::string& v) {
  if (v.size() >= 2 && (v.front() == '"' || v.front() == '\'') && v.back() == v.front())
    return v.substr(1, v.size() - 2);
  return v;
}

// Index of the first line of the first matching section's header, or -1.
int findSection(const std::string& content, const std::vector<Line>& lines, const std::string& section) {
  for (size_t i = 0; i < lines.size(); ++i) {
    Parsed p = parse(content.substr(lines[i].begin, lines[i].end - lines[i].begin));
    if (p.kind == Parsed::Section && sameName(p.name, section)) return static_cast<int>(i);
  }
  return -1;
}

}  // namespace

bool findIniValue(const std::string& content, const std::string& section, const std::string& key,
                  std::string& value) {
  std::vector<Line> lines = splitLines(content);
  int header = findSection(content, lines, section);
  if (header < 0) return false;
  for (size_t i = static_cast<size_t>(header) + 1; i < lines.size(); ++i) {
    Parsed p = parse(content.substr(lines[i].begin, lines[i].end - lines[i].begin));
    if (p.kind == Parsed::Section) return false;
    if (p.kind == Parsed::Entry && sameName(p.name, key)) {
      value = unquoted(p.value);
      return true;
    }
  }
  return false;
}

std::string withIniValue(const std::string& content, const std::string& section, const std::string& key,
                         const std::string& value) {
  std::vector<Line> lines = splitLines(content);
  int header = findSection(content, lines, section);
  if (header < 0) {
    std::string out = content;
    if (!out.empty() && out.back() != '\n') out += "\r\n";
    return out + "[" + section + "]\r\n" + key + "=" + value + "\r\n";
  }
  size_t insertAt = lines[static_cast<size_t>(header)].next;
  for (size_t i = static_cast<size_t>(header) + 1; i < lines.size(); ++i) {
    std::string lineText = content.substr(lines[i].begin, lines[i].end - lines[i].begin);
    Parsed p = parse(lineText);
    if (p.kind == Parsed::Section) break;
    if (p.kind == Parsed::Entry && sameName(p.name, key)) {
      // The key keeps its own spelling; only the value after '=' changes.
      return content.substr(0, lines[i].begin + p.valueAt) + value + content.substr(lines[i].end);
    }
    if (!trimmed(lineText).empty()) insertAt = lines[i].next;
  }
  std::string before = content.substr(0, insertAt);
  if (!before.empty() && before.back() != '\n') before += "\r\n";
  return before + key + "=" + value + "\r\n" + content.substr(insertAt);
}

}  // namespace platform::posix
