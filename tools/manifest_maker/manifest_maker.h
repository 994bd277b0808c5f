#pragma once
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace maker {

struct MakerOptions {
  std::string releaseDir;                // scanned recursively
  std::string baseUrl;                   // each file's url is this + "/" + its relative path
  std::string existingManifest;          // ServerList and Launcher are kept from here, byte for byte
  std::vector<std::string> headerCode;   // files matching one of these get the 16-digit header code
  std::vector<std::string> manual;       // files matching one of these get isupdate="false"
  std::vector<std::string> exclude;      // files matching one of these are left out
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
  // The new launcher executable: its version (read out of the file) becomes Launcher's `ver`,
  // its SHA-256 Launcher's `sha256`.
  std::string launcherFile;
  std::string launcherVersion;  // --launcher-ver: what the operator means to publish; must match the file
  // Files of at least chunksMin bytes get a chunk index beside them ("<file>.chunks") and
  // its address in their entry, so launchers holding an older version fetch only what changed.
  bool chunks = false;
  uint64_t chunksMin = 8 << 20;
};

// The version a launcher executable was built with: the text after its "LAUNCHER VER:"
// caption. False with `error` when the file has none, or more than one that disagree.
bool launcherVersionIn(const std::string& bytes, std::string& version, std::string& error);

// Glob match of `pattern` ('*' any run, '?' one byte) against a relative path with '/'
// separators or against its last component.
bool matches(const std::string& pattern, const std::string& relativePath);

// True when `bytes` hold a PEM private key block ("-----BEGIN ... PRIVATE KEY-----").
bool holdsPrivateKey(std::string_view bytes);

// The manifest text (GBK), or false with `error` set. Hidden files and folders (names that
// begin with '.') and files matching `exclude` are left out; a file that holds a private key
// is refused, so a signing key kept in the folder is never published. `warnings` collects what the operator
// should know but does not stop the manifest.
bool makeManifest(const MakerOptions& options, std::string& manifest, std::string& error,
                  std::vector<std::string>& warnings);

}  // namespace maker
