#include "platform/posix/shell_link_file.h"

#include <algorithm>
#include <cstdint>
#include <cstring>

#include "platform/posix/host_text.h"

namespace platform::posix {

namespace {

constexpr uint32_t kHeaderSize = 0x4C;
constexpr unsigned char kLinkClsid[16] = {0x01, 0x14, 0x02, 0x00, 0x00, 0x00, 0x00, 0x00,
                                          0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46};
enum LinkFlag : uint32_t {
  HasLinkTargetIdList = 0x1,
  HasLinkInfo = 0x2,
  HasName = 0x4,
  HasRelativePath = 0x8,
  HasWorkingDir = 0x10,
  HasArguments = 0x20,
  HasIconLocation = 0x40,
  IsUnicode = 0x80,
  HasExpString = 0x200,
};
constexpr uint32_t kEnvironmentBlock = 0xA0000001;

// Bounds-checked little-endian reads over the file bytes.
class Reader {
 public:
  explicit Reader(const std::string& bytes) : b_(bytes) {}
  bool has(size_t at, size_t n) const { return at <= b_.size() && n <= b_.size() - at; }
  uint16_t u16(size_t at) const {
    return has(at, 2) ? static_cast<uint16_t>(byte(at) | byte(at + 1) << 8) : 0;
  }
  uint32_t u32(size_t at) const { return has(at, 4) ? u16(at) | static_cast<uint32_t>(u16(at + 2)) << 16 : 0; }
  // A NUL-ended ANSI text starting at `at`, not reaching past `limit`.
  std::string ansiz(size_t at, size_t limit) const {
    std::string s;
    for (size_t i = at; i < limit && i < b_.size() && b_[i] != '\0'; ++i) s.push_back(b_[i]);
    return s;
  }
  // A NUL-ended UTF-16 text starting at `at`, not reaching past `limit`, as UTF-8 (this system's paths).
  std::string unicodez(size_t at, size_t limit) const {
    size_t end = at;
    while (end + 1 < limit && has(end, 2) && u16(end) != 0) end += 2;
    return has(at, end - at) ? convert(b_.substr(at, end - at), "UTF-16LE", "UTF-8") : std::string();
  }
  const std::string& bytes() const { return b_; }

 private:
  unsigned byte(size_t at) const { return static_cast<unsigned char>(b_[at]); }
  const std::string& b_;
};

// A link's ANSI texts are in the code page of the system that wrote it, which the link does
// not name: they are taken as GBK, the code page of the launcher's players, and spelled in
// UTF-8 as this system's paths are.
std::string fromAnsi(const std::string& bytes) { return convert(bytes, "GBK", "UTF-8"); }

// The target from a LinkInfo record; empty when it holds none.
std::string linkInfoTarget(const Reader& r, size_t at) {
  uint32_t size = r.u32(at);
  uint32_t headerSize = r.u32(at + 4);
  uint32_t flags = r.u32(at + 8);
  if (size < 0x1C || !r.has(at, size)) return {};
  size_t end = at + size;
  bool unicode = headerSize >= 0x24;
  std::string suffix = unicode && r.u32(at + 0x20) ? r.unicodez(at + r.u32(at + 0x20), end)
                                                   : fromAnsi(r.ansiz(at + r.u32(at + 0x18), end));
  if (flags & 0x1) {
    std::string base = unicode && r.u32(at + 0x1C) ? r.unicodez(at + r.u32(at + 0x1C), end)
                                                   : fromAnsi(r.ansiz(at + r.u32(at + 0x10), end));
    return base + suffix;
  }
  if (flags & 0x2) {
    size_t network = at + r.u32(at + 0x14);
    std::string share = fromAnsi(r.ansiz(network + r.u32(network + 8), end));
    if (share.empty()) return {};
    return suffix.empty() ? share : share + "\\" + suffix;
  }
  return {};
}

// One StringData entry; moves `at` past it. False when it runs past the end.
bool readString(const Reader& r, size_t& at, bool unicode, std::string& out) {
  size_t count = r.u16(at);
  size_t length = unicode ? count * 2 : count;
  if (!r.has(at + 2, length)) return false;
  std::string raw = r.bytes().substr(at + 2, length);
  out = unicode ? convert(raw, "UTF-16LE", "UTF-8") : fromAnsi(raw);
  // Some writers (Wine's among them) count a terminating NUL as a character; the text ends there.
  out.resize(std::min(out.size(), out.find('\0')));
  at += 2 + length;
  return true;
}

// The environment-variable target among the extra data blocks that start at `at`.
std::string environmentTarget(const Reader& r, size_t at) {
  while (r.has(at, 8)) {
    uint32_t size = r.u32(at);
    if (size < 8 || !r.has(at, size)) return {};
    if (r.u32(at + 4) == kEnvironmentBlock && size >= 8 + 260 + 520) {
      std::string wide = r.unicodez(at + 8 + 260, at + 8 + 260 + 520);
      return wide.empty() ? fromAnsi(r.ansiz(at + 8, at + 8 + 260)) : wide;
    }
    at += size;
  }
  return {};
}

}  // namespace

bool parseShellLink(const std::string& bytes, LinkShortcut& link) {
  Reader r(bytes);
  if (!r.has(0, kHeaderSize) || r.u32(0) != kHeaderSize || std::memcmp(bytes.data() + 4, kLinkClsid, 16) != 0)
    return false;
  uint32_t flags = r.u32(0x14);
  int32_t iconIndex = static_cast<int32_t>(r.u32(0x38));
  bool unicode = flags & IsUnicode;
  size_t at = kHeaderSize;
  if (flags & HasLinkTargetIdList) at += 2 + r.u16(at);
  std::string target;
  if (flags & HasLinkInfo) {
    if (!r.has(at, 4)) return false;
    target = linkInfoTarget(r, at);
    at += r.u32(at);
  }
  std::string name, relative, workingDir, arguments, icon;
  const std::pair<uint32_t, std::string*> strings[] = {{HasName, &name}, {HasRelativePath, &relative},
                                                        {HasWorkingDir, &workingDir}, {HasArguments, &arguments},
                                                        {HasIconLocation, &icon}};
  for (const auto& [flag, out] : strings)
    if ((flags & flag) && !readString(r, at, unicode, *out)) return false;
  if (target.empty() && (flags & HasExpString)) target = environmentTarget(r, at);
  if (target.empty()) target = relative;
  link.targetPath = target;
  link.arguments = arguments;
  link.iconLocation = icon + "," + std::to_string(iconIndex);
  return true;
}

}  // namespace platform::posix
