#pragma once
#include <cstdint>
#include <string>

#include "platform/system.h"

namespace support {

// The lines of the support log, one function per kind. Texts of the manifest (GBK) and of the
// system (its own code page) arrive as they are and leave as UTF-8 in quotes; numbers are
// plain decimal, sizes in bytes, times in milliseconds.

// A manifest text (a patch name, a sub-folder, an address), quoted.
std::string manifestText(const std::string& gbk);
// A text the system gave (a path, a program's name), quoted, as the system's users write it.
std::string systemText(platform::System& system, const std::string& text);

// The first line of a run.
std::string startNote(platform::System& system, const std::string& version, const char* displayName,
                      const std::string& clientFolder);

// Which manifest address answered; why one did not (empty `problem`: it answered). `signer`
// (see signerNote) follows an answer whose signature was accepted.
std::string manifestNote(const std::string& host, int port, const std::string& problem,
                         const std::string& signer = "");
// The key that verified a signed manifest: its [trust] slot ("key1"), its id and the serial.
std::string signerNote(const std::string& slot, const std::string& keyId, uint64_t serial);
std::string noManifestNote();

// One patch of the evaluation. `reason` says why it is needed; empty when it is current.
std::string evaluationNote(platform::System& system, const std::string& name, const std::string& localPath,
                           bool online, const std::string& reason);

// One download as it ended.
struct DownloadFacts {
  std::string url;     // manifest text, without the cache-busting query
  std::string target;  // the data file, in the system's spelling
  int result = 0;      // 0 not started, 2 incomplete, 3 complete
  int64_t bytes = 0;   // on disk when it ended, resumed ones included
  int64_t size = 0;    // the file's size as the server gave it; 0 when never learnt
  int64_t resumed = 0; // already on disk from an earlier run when it started
  int connections = 0;
  uint32_t milliseconds = 0;
};
std::string downloadNote(platform::System& system, const DownloadFacts& facts);

// What the sources of one download did, `address` being the source's address (manifest text,
// without the cache-busting query): the bytes each served as the download ended and why it was
// left, if it was; a source left while the download runs; a connection that keeps failing
// (see RepeatedFailures), with how often since the last such line.
std::string sourceServedNote(const std::string& address, int64_t bytes, const std::string& leftFor);
std::string sourceLeftNote(const std::string& address, const std::string& why);
std::string failingNote(const std::string& address, const std::string& why, int64_t count, bool first);
// How many failed tries were tried again, as the download ended.
std::string retriesNote(int64_t count);

// One patch moved (or not) into its place; `outcome` is "installed", "held", "failed",
// "installed from the cache" and the like.
std::string installNote(platform::System& system, const std::string& name, const std::string& target, int retries,
                        const std::string& outcome);

// The launcher's own update: the version the manifest names and how it went.
std::string selfUpdateNote(const std::string& version, const std::string& manifestVersion, const std::string& outcome);

// A refusal that ends the work, with its cause: for a patch, or for the launcher as a whole.
std::string patchRefusalNote(const std::string& name, const std::string& cause);
std::string refusalNote(const std::string& cause);

// Causes that carry figures or names.
std::string diskSpaceCause(int64_t needed, int64_t freeBytes);
std::string heldFileCause(platform::System& system, const std::string& path, const std::string& holder);
std::string unwritableFolderCause(platform::System& system, const std::string& folder);

}  // namespace support
