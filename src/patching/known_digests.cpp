#include "patching/known_digests.h"

#include <charconv>
#include <string_view>

namespace patching {

namespace {

constexpr std::string_view kHeader = "launcher known digests 1";
// Far more than any client's files take; a larger record is not read at all.
constexpr int64_t kLargestRecord = 4 * 1024 * 1024;

bool isDigest(std::string_view text) {
  if (text.size() != 64) return false;
  for (char c : text)
    if (!((c >= '0' && c <= '9') || (c >= 'a' && c <= 'f'))) return false;
  return true;
}

// The next field up to a space; false when there is none.
bool takeField(std::string_view& line, std::string_view& field) {
  size_t space = line.find(' ');
  if (space == std::string_view::npos || space == 0) return false;
  field = line.substr(0, space);
  line.remove_prefix(space + 1);
  return true;
}

template <typename Number>
bool takeNumber(std::string_view& line, Number& value) {
  std::string_view field;
  if (!takeField(line, field)) return false;
  auto [end, error] = std::from_chars(field.data(), field.data() + field.size(), value);
  return error == std::errc() && end == field.data() + field.size();
}

}  // namespace

KnownDigests KnownDigests::read(platform::Files& files, const std::string& path) {
  KnownDigests digests;
  int64_t size = 0;
  std::string text;
  if (!files.fileSize(path, size) || size > kLargestRecord || !files.readWhole(path, text)) return digests;
  if (!parse(text, digests)) return KnownDigests{};
  return digests;
}

bool KnownDigests::write(platform::Files& files, const std::string& path) const {
  return files.replaceWhole(path, text());
}

std::string KnownDigests::text() const {
  std::string text(kHeader);
  text += "\n";
  for (const auto& [path, k] : known_) {
    text += k.sha256 + " " + std::to_string(k.stamp.size) + " " + std::to_string(k.stamp.writeTime) + " " +
            std::to_string(k.stamp.volume) + " " + std::to_string(k.stamp.index) + " " + path + "\n";
  }
  return text;
}

bool KnownDigests::parse(const std::string& text, KnownDigests& digests) {
  std::string_view rest(text);
  size_t end = rest.find('\n');
  if (end == std::string_view::npos || rest.substr(0, end) != kHeader) return false;
  rest.remove_prefix(end + 1);
  KnownDigests read;
  while (!rest.empty()) {
    end = rest.find('\n');
    if (end == std::string_view::npos) return false;  // cut short
    std::string_view line = rest.substr(0, end);
    rest.remove_prefix(end + 1);
    std::string_view sha256;
    Known k;
    if (!takeField(line, sha256) || !isDigest(sha256) || !takeNumber(line, k.stamp.size) ||
        !takeNumber(line, k.stamp.writeTime) || !takeNumber(line, k.stamp.volume) ||
        !takeNumber(line, k.stamp.index) || line.empty())
      return false;
    k.sha256 = std::string(sha256);
    read.known_[std::string(line)] = std::move(k);
  }
  digests = std::move(read);
  return true;
}

std::string KnownDigests::digestOf(const std::string& path, const platform::FileStamp& stamp) const {
  auto it = known_.find(path);
  return it != known_.end() && it->second.stamp == stamp ? it->second.sha256 : std::string();
}

void KnownDigests::remember(const std::string& path, const platform::FileStamp& stamp, const std::string& sha256) {
  if (path.empty() || path.find_first_of("\r\n") != std::string::npos || !isDigest(sha256)) return;
  known_[path] = Known{stamp, sha256};
}

}  // namespace patching
