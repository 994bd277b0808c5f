#include "patching/current_checks.h"

#include <algorithm>
#include <atomic>
#include <thread>

#include "patching/check_code.h"
#include "patching/patch_paths.h"
#include "patching/signed_files.h"

namespace patching {

unsigned digestThreadCount() { return std::clamp(std::thread::hardware_concurrency(), 1u, 8u); }

void forEachInParallel(size_t count, unsigned threads, const std::function<void(size_t)>& body) {
  std::atomic<size_t> next{0};
  auto work = [&] {
    for (size_t i; (i = next.fetch_add(1)) < count;) body(i);
  };
  // Each thread takes the next index in order, so large files are read roughly in manifest
  // order and no thread sits idle while another has a queue.
  std::vector<std::jthread> pool;
  size_t workers = std::min<size_t>(std::max(threads, 1u), count);
  for (size_t t = 1; t < workers; ++t) pool.emplace_back(work);
  work();
}

std::vector<CurrentCheck> checkEntries(platform::Files& files, const std::vector<PatchEntry>& entries,
                                       unsigned threads, const KnownDigests* signedKnown) {
  // Each answer is its own element, written by one thread only.
  std::vector<CurrentCheck> checks(entries.size());
  forEachInParallel(entries.size(), threads, [&](size_t i) {
    // A location that installation would refuse (a device, a pipe, a way out of the client
    // folder) is never opened: reading it could block or never end. It stays needed.
    const PatchEntry& e = entries[i];
    if (!isSafePatchLocation(e)) return;
    if (signedKnown && !e.sha256.empty()) {
      checks[i].verified = signedFileStamp(files, e, *signedKnown);
      checks[i].current = checks[i].verified.has_value();
    } else {
      checks[i].current = isPatchCurrent(files, e.localPath, e.CheckCode);
    }
  });
  return checks;
}

std::vector<bool> checkAllCurrent(platform::Files& files, const std::vector<PatchEntry>& entries, unsigned threads) {
  std::vector<bool> current;
  for (const CurrentCheck& c : checkEntries(files, entries, threads, nullptr)) current.push_back(c.current);
  return current;
}

}  // namespace patching
