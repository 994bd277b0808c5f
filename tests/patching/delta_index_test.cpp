// Whether a fetched chunk index may steer a delta: it must be the one the manifest vouches for
// and describe the entry's file; anything else sends the file to a whole download.
#include <gtest/gtest.h>

#include "delta/chunk_scanner.h"
#include "download/source_set.h"
#include "patching/check_code.h"
#include "patching/delta_download.h"
#include "patching/delta_index.h"
#include "patching/md5.h"
#include "patching/patching_fixture.h"

namespace patching {
namespace {

using patching_test::Launcher;
using patching_test::sha256Hex;

TEST(DeltaIndexCheck, TakesOnlyTheIndexTheEntryVouchesFor) {
  std::string file(300000, 'a');
  for (size_t i = 0; i < file.size(); ++i) file[i] = static_cast<char>(i * 7919 % 251);
  delta::ChunkScanner scanner{delta::ChunkParams{}};
  scanner.feed(file.data(), file.size());
  ASSERT_TRUE(scanner.finish());
  const std::string bytes = delta::encodeChunkIndex(delta::indexOf(scanner, delta::ChunkParams{}));
  std::string damaged = bytes;
  damaged[70] ^= 1;

  PatchEntry good;
  good.size = std::to_string(file.size());
  good.sha256 = sha256Hex(file);
  good.chunks_sha256 = sha256Hex(bytes);
  struct Case {
    const char* what;
    bool keyed;
    std::function<void(PatchEntry&)> change;
    std::string served;
    const char* problem;  // empty: usable
  };
  const Case cases[] = {
      {"the vouched index", true, nullptr, bytes, ""},
      {"unsigned, no digest given", false, [](PatchEntry& e) { e.chunks_sha256.clear(); }, bytes, ""},
      {"another index than chunks_sha256", false, [](PatchEntry& e) { e.chunks_sha256 = std::string(64, '0'); },
       bytes, "differs from the manifest's chunks_sha256"},
      {"upper-case digest", false, [&](PatchEntry& e) { for (char& c : e.chunks_sha256) c = static_cast<char>(toupper(c)); },
       bytes, ""},
      {"damaged, no digest given", false, [](PatchEntry& e) { e.chunks_sha256.clear(); }, damaged, "refused"},
      {"another size than the entry's", false, [](PatchEntry& e) { e.size = "299999"; }, bytes, "another size"},
      {"keyed, another file than the signed sha256", true,
       [](PatchEntry& e) { e.sha256 = std::string(64, 'f'); e.chunks_sha256.clear(); }, bytes, "signed sha256"},
      {"unkeyed, the sha256 is not looked at", false, [](PatchEntry& e) { e.sha256 = std::string(64, 'f'); }, bytes, ""},
  };
  for (const Case& c : cases) {
    Launcher launcher;
    if (c.keyed) launcher.app.endpoints.trustKeys[0] = platform::P256PublicKey{0x04};
    PatchEntry entry = good;
    if (c.change) c.change(entry);
    delta::ChunkIndex index;
    std::string problem = chunkIndexProblem(launcher.app, entry, c.served, index);
    if (*c.problem == '\0') {
      EXPECT_EQ(problem, "") << c.what;
      EXPECT_EQ(index.fileSize, file.size()) << c.what;
    } else {
      EXPECT_NE(problem.find(c.problem), std::string::npos) << c.what << ": " << problem;
    }
  }
}

TEST(DeltaIndexCheck, TheIndexTravelsToTheFilesMirrorsWhenItLiesBesideTheFile) {
  PatchEntry entry;
  entry.url = "http://a.example/data/big.pak";
  entry.mirrors = {"http://b.example/data/big.pak"};
  entry.chunks = entry.url + ".chunks";
  EXPECT_EQ(chunkIndexAddresses(entry, "7"),
            download::joinAddresses({"http://a.example/data/big.pak.chunks?t=7", "http://b.example/data/big.pak.chunks?t=7"}));
  entry.chunks = "http://c.example/indexes/big.pak.chunks";
  EXPECT_EQ(chunkIndexAddresses(entry, "7"), "http://c.example/indexes/big.pak.chunks?t=7");
}

// An assembled file is installed on the digests its one last read took: the MD5 for a
// CheckCode of 32 digits, the header read again for one of 16, and with keys the signed sha256.
TEST(AssembledFile, PassesTheInstallChecksOnlyWithTheRightDigests) {
  const std::string file = std::string(4096, 'h') + "body";
  const std::string tmp = "C:\\Game\\DownloadCache\\a.pak.tmp";
  const std::string md5 = md5Hex(file), sha = sha256Hex(file);
  const std::string header = headerCheckCode(file);
  const std::string other = std::string(64, '0');
  struct Case {
    std::string checkCode, sha256;
    bool keyed;
    AssembledDigests digests;
    bool expected;
  } cases[] = {
      {md5, "", false, {sha, md5}, true},
      {md5, "", false, {sha, std::string(32, 'F')}, false},
      {header, "", false, {sha, ""}, true},
      {std::string(16, '0'), "", false, {sha, ""}, false},
      {"unmatchable", "", false, {sha, ""}, true},
      {md5, sha, true, {sha, md5}, true},
      {md5, other, true, {sha, md5}, false},
      {md5, other, false, {sha, md5}, true},  // without keys the sha256 is not the manifest's word
  };
  for (const Case& c : cases) {
    Launcher launcher;
    launcher.files.files[tmp] = file;
    if (c.keyed) launcher.app.endpoints.trustKeys[0] = platform::P256PublicKey{0x04};
    PatchEntry entry;
    entry.CheckCode = c.checkCode;
    entry.sha256 = c.sha256;
    EXPECT_EQ(assembledMatches(launcher.app, tmp, entry, c.digests), c.expected) << c.checkCode << " " << c.keyed;
  }
}

}  // namespace
}  // namespace patching
