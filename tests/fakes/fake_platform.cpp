#include "fakes/fake_platform.h"

#include <algorithm>

namespace fakes {

std::string FakeFiles::trimmed(const std::string& path) {
  std::string p = path;
  while (p.size() > 1 && p.back() == '\\') p.pop_back();
  return p;
}

bool FakeFiles::exists(const std::string& path) {
  std::string p = trimmed(path);
  return files.count(p) > 0 || directories.count(p) > 0;
}

bool FakeFiles::isDirectory(const std::string& path) { return directories.count(trimmed(path)) > 0; }

bool FakeFiles::createDirectory(const std::string& path) {
  std::string p = trimmed(path);
  if (exists(p) || readOnly.count(p)) return false;
  directories.insert(p);
  return true;
}

bool FakeFiles::readWhole(const std::string& path, std::string& bytes) {
  ++readCalls;
  auto it = files.find(trimmed(path));
  if (it == files.end()) return false;
  bytes = it->second;
  return true;
}

bool FakeFiles::readPrefix(const std::string& path, size_t maxBytes, std::string& bytes) {
  if (!readWhole(path, bytes)) return false;
  if (bytes.size() > maxBytes) bytes.resize(maxBytes);
  return true;
}

bool FakeFiles::readBlocks(const std::string& path, size_t blockSize,
                           const std::function<bool(const char*, size_t)>& sink) {
  std::string bytes;
  if (!readWhole(path, bytes) || blockSize == 0) return false;
  for (size_t at = 0; at < bytes.size(); at += blockSize)
    if (!sink(bytes.data() + at, std::min(blockSize, bytes.size() - at))) break;
  return true;
}

bool FakeFiles::locked(const std::string& path) const {
  std::string p = trimmed(path);
  size_t cut = p.rfind('\\');
  return readOnly.count(p) > 0 || (cut != std::string::npos && readOnlyFolders.count(p.substr(0, cut)) > 0);
}

bool FakeFiles::writeWhole(const std::string& path, const std::string& bytes) {
  std::string p = trimmed(path);
  if (locked(p) || directories.count(p)) return false;
  files[p] = bytes;
  return true;
}

bool FakeFiles::replaceWhole(const std::string& path, const std::string& bytes) {
  return writeWhole(path, bytes);
}

bool FakeFiles::appendWhole(const std::string& path, const std::string& bytes) {
  std::string p = trimmed(path);
  if (locked(p) || directories.count(p)) return false;
  files[p] += bytes;
  return true;
}

bool FakeFiles::moveFile(const std::string& from, const std::string& to) {
  std::string f = trimmed(from), t = trimmed(to);
  auto it = files.find(f);
  if (it == files.end() || exists(t) || locked(f) || locked(t)) return false;
  files[t] = it->second;
  files.erase(f);
  return true;
}

bool FakeFiles::copyFile(const std::string& from, const std::string& to, bool overwrite) {
  std::string t = trimmed(to);
  if (auto held = heldAttempts.find(t); held != heldAttempts.end() && held->second > 0) {
    --held->second;
    return false;
  }
  auto it = files.find(trimmed(from));
  if (it == files.end() || readOnly.count(t) || (!overwrite && exists(t))) return false;
  files[t] = it->second;
  return true;
}

bool FakeFiles::deleteFile(const std::string& path) {
  std::string p = trimmed(path);
  if (locked(p)) return false;
  return files.erase(p) > 0;
}

bool FakeFiles::fileSize(const std::string& path, int64_t& size) {
  auto it = files.find(trimmed(path));
  if (it == files.end()) return false;
  size = static_cast<int64_t>(it->second.size());
  return true;
}

bool FakeFiles::fileStamp(const std::string& path, platform::FileStamp& stamp) {
  auto it = files.find(trimmed(path));
  if (it == files.end()) return false;
  stamp.size = static_cast<int64_t>(it->second.size());
  stamp.writeTime = static_cast<int64_t>(std::hash<std::string>{}(it->second));
  stamp.volume = 1;
  stamp.index = std::hash<std::string>{}(it->first);
  return true;
}

bool FakeProcesses::snapshot(std::vector<platform::ProcessEntry>& entries) {
  if (snapshotFails) return false;
  entries = processes;
  return true;
}

const FakeWindow* FakeProcesses::find(platform::WindowHandle window) const {
  for (const auto& w : windows)
    if (w.handle == window) return &w;
  return nullptr;
}

platform::WindowHandle FakeProcesses::nextTopLevelWindow(platform::WindowHandle after) {
  if (after == 0) return windows.empty() ? 0 : windows.front().handle;
  for (size_t i = 0; i + 1 < windows.size(); ++i)
    if (windows[i].handle == after) return windows[i + 1].handle;
  return 0;
}

bool FakeProcesses::windowVisible(platform::WindowHandle window) {
  const FakeWindow* w = find(window);
  return w && w->visible;
}

uint32_t FakeProcesses::windowProcess(platform::WindowHandle window) {
  const FakeWindow* w = find(window);
  return w ? w->pid : 0;
}

bool FakeProcesses::windowClassName(platform::WindowHandle window, int bufferLength, std::string& name) {
  const FakeWindow* w = find(window);
  if (!w || bufferLength <= 0) return false;
  name = w->className.substr(0, static_cast<size_t>(bufferLength - 1));
  return true;
}

std::string FakeProcesses::windowTitle(platform::WindowHandle window) {
  const FakeWindow* w = find(window);
  return w ? w->title : "";
}

}  // namespace fakes
