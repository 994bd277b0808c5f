#include "support/support_notes.h"

#include "text/gbk.h"

namespace support {

namespace {

std::string quoted(const std::string& utf8) { return "\"" + utf8 + "\""; }

const char* resultName(int result) {
  switch (result) {
    case 3: return "complete";
    case 2: return "incomplete";
    default: return "not started";
  }
}

}  // namespace

std::string manifestText(const std::string& gbk) { return quoted(text::gbkToUtf8(gbk)); }

std::string systemText(platform::System& system, const std::string& text) {
  return quoted(system.readableText(text));
}

std::string startNote(platform::System& system, const std::string& version, const char* displayName,
                      const std::string& clientFolder) {
  return "start: launcher " + version + ", system code page " + std::to_string(system.systemCodePage()) +
         ", locale " + std::to_string(system.defaultLocaleId()) + ", display language " + displayName +
         ", client folder " + systemText(system, clientFolder);
}

std::string manifestNote(const std::string& host, int port, const std::string& problem, const std::string& signer) {
  std::string line = "manifest from " + manifestText(host) + " port " + std::to_string(port);
  if (!problem.empty()) return line + " failed: " + problem;
  return signer.empty() ? line + ": answered" : line + ": answered, " + signer;
}

std::string signerNote(const std::string& slot, const std::string& keyId, uint64_t serial) {
  return "signed by " + slot + " " + keyId + ", serial " + std::to_string(serial);
}

std::string noManifestNote() { return refusalNote("no usable manifest from either address"); }

std::string evaluationNote(platform::System& system, const std::string& name, const std::string& localPath,
                           bool online, const std::string& reason) {
  std::string line = "check " + manifestText(name) + " at " + systemText(system, localPath) + ": ";
  if (reason.empty()) return line + "current";
  return line + (online ? "needed online, " : "needed by hand, ") + reason;
}

std::string downloadNote(platform::System& system, const DownloadFacts& facts) {
  std::string of = facts.size > 0 ? " of " + std::to_string(facts.size) + " bytes" : " bytes of an unknown size";
  return "download " + manifestText(facts.url) + " to " + systemText(system, facts.target) + ": " +
         resultName(facts.result) + ", " + std::to_string(facts.bytes) + of + ", " + std::to_string(facts.resumed) +
         " resumed, up to " + std::to_string(facts.connections) + " connections, " +
         std::to_string(facts.milliseconds) + " ms";
}

std::string sourceServedNote(const std::string& address, int64_t bytes, const std::string& leftFor) {
  std::string line = "download from " + manifestText(address) + ": " + std::to_string(bytes) + " bytes";
  return leftFor.empty() ? line : line + ", left: " + leftFor;
}

std::string sourceLeftNote(const std::string& address, const std::string& why) {
  return "download left " + manifestText(address) + ": " + why;
}

std::string failingNote(const std::string& address, const std::string& why, int64_t count, bool first) {
  std::string line = "download failing " + manifestText(address) + ": " + why + ", ";
  if (first) return line + "first failure";
  return line + std::to_string(count) + (count == 1 ? " failure" : " failures") + " since the last line";
}

std::string retriesNote(int64_t count) {
  return "download tried again " + std::to_string(count) + (count == 1 ? " time" : " times") + " after a failure";
}

std::string installNote(platform::System& system, const std::string& name, const std::string& target, int retries,
                        const std::string& outcome) {
  return "install " + manifestText(name) + " to " + systemText(system, target) + ": " + outcome + ", " +
         std::to_string(retries) + (retries == 1 ? " retry" : " retries") + " while the file was held";
}

std::string selfUpdateNote(const std::string& version, const std::string& manifestVersion,
                           const std::string& outcome) {
  return "launcher update from " + version + " to " + manifestText(manifestVersion) + ": " + outcome;
}

std::string patchRefusalNote(const std::string& name, const std::string& cause) {
  return "refused " + manifestText(name) + ": " + cause;
}

std::string refusalNote(const std::string& cause) { return "refused: " + cause; }

std::string diskSpaceCause(int64_t needed, int64_t freeBytes) {
  return "not enough disk space, " + std::to_string(needed) + " bytes needed, " + std::to_string(freeBytes) +
         " bytes free";
}

std::string heldFileCause(platform::System& system, const std::string& path, const std::string& holder) {
  std::string cause = systemText(system, path) + " is held by another program";
  return holder.empty() ? cause : cause + " (" + systemText(system, holder) + ")";
}

std::string unwritableFolderCause(platform::System& system, const std::string& folder) {
  return "cannot create, rename and delete files in " + systemText(system, folder);
}

}  // namespace support
