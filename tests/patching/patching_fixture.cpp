#include "patching_fixture.h"

#include "startup/startup_sequence.h"
#include "fakes/encoded_text.h"
#include "text/gbk.h"
#include "platform/crypto.h"
#include "text/byte_encodings.h"

namespace patching_test {

bool StrictFiles::parentExists(const std::string& path) {
  std::string parent = startup::folderOf(trimmed(path), text::gbkLeadBytes());
  return !parent.empty() && isDirectory(parent);
}

bool StrictFiles::createDirectory(const std::string& path) {
  return parentExists(path) && FakeFiles::createDirectory(path);
}

bool StrictFiles::writeWhole(const std::string& path, const std::string& bytes) {
  return parentExists(path) && FakeFiles::writeWhole(path, bytes);
}

bool StrictFiles::moveFile(const std::string& from, const std::string& to) {
  return parentExists(to) && FakeFiles::moveFile(from, to);
}

bool StrictFiles::copyFile(const std::string& from, const std::string& to, bool overwrite) {
  return parentExists(to) && !isDirectory(to) && FakeFiles::copyFile(from, to, overwrite);
}

std::string gbk(const char* utf8) { return fakes::gbkOf(utf8); }

std::string sha256Hex(const std::string& bytes) {
  auto d = platform::sha256Of(bytes);
  return text::lowerHex({reinterpret_cast<const char*>(d->data()), d->size()});
}

}  // namespace patching_test
