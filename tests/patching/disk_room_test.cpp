#include <gtest/gtest.h>

#include "patching/disk_room.h"
#include "patching/patch_paths.h"
#include "patching_fixture.h"

namespace patching {
namespace {

constexpr int64_t W = kWorkFileRoom;
constexpr int64_t kNone = -1;

// One pending patch (its manifest size, 0: not given) and what the disk holds for it: the file
// at its place, its ".tmp" in the download cache and the ".tmp.work" beside it.
struct Pending {
  const char* name;
  int64_t size;
  int64_t old = kNone;
  int64_t tmp = kNone;
  bool work = false;
};

int64_t roomFor(const std::vector<Pending>& pending) {
  patching_test::Launcher launcher;
  auto& app = launcher.app;
  for (const Pending& p : pending) {
    PatchEntry e{p.name, "", "", p.size ? std::to_string(p.size) : "", "", "http://127.0.0.1/" + std::string(p.name), "true"};
    e.localPath = localPathOf(app.clientFolder, e);
    std::string tmp = app.downloadCacheFolder + p.name + ".tmp";
    if (p.old != kNone) launcher.files.files[e.localPath] = std::string(static_cast<size_t>(p.old), 'o');
    if (p.tmp != kNone) launcher.files.files[tmp] = std::string(static_cast<size_t>(p.tmp), 't');
    if (p.work) launcher.files.files[tmp + ".work"] = "state";
    app.onlinePatches.push_back(e);
  }
  return roomForPatches(app, app.onlinePatches);
}

TEST(RoomForPatches, TheRunNeedsItsHighestPoint) {
  struct RoomCase {
    const char* what;
    std::vector<Pending> patches;
    int64_t needed;
  };
  const std::vector<RoomCase> cases = {
      {"two patches that replace files of their own size", {{"a", 1000000, 1000000}, {"b", 1000000, 1000000}}, 1000000 + W},
      {"new files add up", {{"a", 3000}, {"b", 5000}}, 8000 + W},
      {"a file that shrinks makes room for the next", {{"a", 500, 2000}, {"b", 3000}}, 1500 + W},
      {"a file that grows takes room from the next", {{"a", 3000, 1000}, {"b", 2000, 2000}}, 4000 + W},
      {"the first download can be the highest point", {{"a", 9000, 8000}, {"b", 100, 5000}}, 9000 + W},
      {"a resumable download needs nothing more", {{"a", 4000, 4000, 4000, true}, {"b", 1000}}, 1000 + W - 4000},
      {"a resumed file frees its cache once installed", {{"a", 4000, kNone, 4000, true}, {"b", 1000}}, 1000 + W},
      {"a stale cache is replaced by the download", {{"a", 4000, kNone, 1000}}, 3000 + W},
      {"a patch of unknown size counts its record only", {{"a", 0, 500}, {"b", 200}}, 200 + W},
      {"a name used twice starts afresh the second time", {{"a", 1000, kNone, 1000, true}, {"a", 1000}}, 1000 + W},
      {"nothing pending", {}, 0},
  };
  for (const RoomCase& c : cases) EXPECT_EQ(roomFor(c.patches), c.needed) << c.what;
}

}  // namespace
}  // namespace patching
