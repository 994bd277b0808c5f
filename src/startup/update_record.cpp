#include "startup/update_record.h"

#include "text/gbk.h"

namespace startup {

namespace {

constexpr size_t kMaxRecordBytes = 1024;

bool isDigest(const std::string& s) {
  return s.size() == 64 && s.find_first_not_of("0123456789abcdef") == std::string::npos;
}

// The value of the line beginning with `key` + "=", without its line end.
std::string valueOf(const std::string& bytes, const std::string& key) {
  size_t at = 0;
  while (at < bytes.size()) {
    size_t end = bytes.find('\n', at);
    if (end == std::string::npos) end = bytes.size();
    std::string line = bytes.substr(at, end - at);
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (line.rfind(key + "=", 0) == 0) return line.substr(key.size() + 1);
    at = end + 1;
  }
  return {};
}

}  // namespace

std::optional<UpdateRecord> readUpdateRecord(platform::Files& files, const std::string& clientFolder) {
  std::string bytes;
  if (!files.readPrefix(clientFolder + kUpdateRecordFileName, kMaxRecordBytes, bytes)) return std::nullopt;
  UpdateRecord record{valueOf(bytes, "ver"), valueOf(bytes, "sha256"), valueOf(bytes, "seen") == "yes"};
  if (record.version.empty() || !isDigest(record.sha256)) return std::nullopt;
  return record;
}

bool storeUpdateRecord(platform::Files& files, const std::string& clientFolder, const UpdateRecord& record) {
  std::string text = "ver=" + record.version + "\r\nsha256=" + record.sha256 + "\r\nseen=" +
                     (record.seen ? "yes" : "no") + "\r\n";
  return files.replaceWhole(clientFolder + kUpdateRecordFileName, text);
}

RepeatedOffer repeatedOffer(const std::optional<UpdateRecord>& last, const std::string& version,
                            const std::string& offeredSha256, const std::string& ownSha256) {
  if (!last || last->version != version) return RepeatedOffer::kNew;
  if (!offeredSha256.empty() && text::asciiLower(offeredSha256) != last->sha256) return RepeatedOffer::kNew;
  if (ownSha256 == last->sha256) return RepeatedOffer::kInstalled;
  return last->seen ? RepeatedOffer::kNew : RepeatedOffer::kNotTaken;
}

}  // namespace startup
