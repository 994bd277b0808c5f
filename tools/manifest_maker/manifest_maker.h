#pragma once
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace maker {

struct MakerOptions {
  std::string releaseDir;                // scanned recursively
  std::string baseUrl;                   // each file's url is this + "/" + its relative path
  std::string existingManifest;          // ServerList and Launcher are kept from here, byte for byte
  std::vector<std::string> headerCode;   // files matching one of these get the 16-digit header code
  std::vector<std::string> manual;       // files matching one of these get isupdate="false"
  // Further servers holding the same release under these bases: written once as the
  // MirrorList, which stands each of them in for baseUrl in every address under it.
  std::vector<std::string> mirrors;
  // Signing: the private key file (PEM); with it every entry gets its sha256, the root a
  // serial (this one, or the current time in seconds) and the manifest its signature.
  std::string signKeyFile;
  std::optional<uint64_t> serial;
  // With signing: the manifest is vouched for this many days from now (an `expires` time on
  // the root, in seconds like the serial); keyed launchers refuse it afterwards.
  std::optional<uint64_t> expiresDays;
  std::string launcherFile;  // the new launcher executable: its sha256 goes on Launcher
};

// Glob match of `pattern` ('*' any run, '?' one byte) against a relative path with '/'
// separators or against its last component.
bool matches(const std::string& pattern, const std::string& relativePath);

// The 16-digit code from the header of a file that begins with `head` (at most 32 bytes read).
std::string headerCheckCode(const std::string& head);

// The manifest text (GBK), or false with `error` set. `warnings` collects what the operator
// should know but does not stop the manifest.
bool makeManifest(const MakerOptions& options, std::string& manifest, std::string& error,
                  std::vector<std::string>& warnings);

}  // namespace maker
