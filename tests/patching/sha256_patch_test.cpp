#include <gtest/gtest.h>

#include "patching/check_code.h"
#include "patching/file_download.h"
#include "patching/patch_paths.h"
#include "patching/patch_update.h"
#include "patching_fixture.h"
#include "platform/crypto.h"
#include "text/byte_encodings.h"

namespace patching {
namespace {

using patching_test::gbk;
using patching_test::sha256Hex;

// A patch with a sha256 in the manifest, downloaded by a stand-in that "receives" `served`.
struct Sha256PatchTest : ::testing::Test {
  patching_test::Launcher launcher;
  patching_test::StrictFiles& files = launcher.files;
  int downloads = 0;
  const std::string tmp = "C:\\Game\\DownloadCache\\a.pack.tmp";

  Sha256PatchTest() { launcher.app.endpoints.trustKeys[0] = platform::P256PublicKey{0x04}; }
  PatchEntry entry(const std::string& sha256, const std::string& checkCode = "") {
    PatchEntry e{"a.pack", "", "", "5", checkCode, "http://127.0.0.1/a.pack", "true", sha256};
    e.localPath = localPathOf(launcher.app.clientFolder, e);
    return e;
  }
  bool install(const PatchEntry& e, const std::string& served) {
    return installPatch(launcher.app, e, 1, 1, [&](state::AppState&, const std::string&, const std::string& target, int, int) {
      ++downloads;
      files.writeWhole(target + ".tmp", served);
      return kComplete;
    });
  }
  void expectRefused() {
    EXPECT_EQ(files.files.count("C:\\Game\\a.pack") ? files.files["C:\\Game\\a.pack"] : "<missing>", "old");
    EXPECT_FALSE(files.exists(tmp));
    EXPECT_EQ(launcher.backend.messages, std::vector<std::string>{"a.pack" + gbk("下载的文件校验失败,请关闭登录器稍后尝试!")});
    EXPECT_EQ(launcher.fake.system.endCodes, std::vector<int>{0});
  }
};

TEST_F(Sha256PatchTest, AMatchingDownloadIsInstalled) {
  EXPECT_TRUE(install(entry(sha256Hex("right")), "right"));
  EXPECT_EQ(files.files["C:\\Game\\a.pack"], "right");
  EXPECT_TRUE(launcher.backend.messages.empty());
}

TEST_F(Sha256PatchTest, ASwappedFileOfTheSameSizeIsRefusedLikeAWrongCheckCode) {
  files.files["C:\\Game\\a.pack"] = "old";
  EXPECT_FALSE(install(entry(sha256Hex("right")), "wrong"));
  expectRefused();
}

TEST_F(Sha256PatchTest, TheDigestIsCheckedEvenWhenTheCheckCodeMatches) {
  // The MD5 code can be matched by whoever chose the file; the signed digest cannot.
  files.files["C:\\Game\\a.pack"] = "old";
  std::string md5;
  files.writeWhole("C:\\Game\\probe", "wrong");
  ASSERT_TRUE(fileMd5Hex(files, "C:\\Game\\probe", md5));
  EXPECT_FALSE(install(entry(sha256Hex("right"), md5), "wrong"));
  expectRefused();
}

TEST_F(Sha256PatchTest, ADigestInUpperCaseOrOfTheWrongLengthNeverMatches) {
  std::string upper = sha256Hex("right");
  for (auto& c : upper) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  for (const std::string& digest : {upper, sha256Hex("right").substr(1)}) {
    patching_test::Launcher local;
    local.app.endpoints.trustKeys[0] = platform::P256PublicKey{0x04};
    PatchEntry e{"a.pack", "", "", "5", "", "u", "true", digest};
    e.localPath = localPathOf(local.app.clientFolder, e);
    EXPECT_FALSE(installPatch(local.app, e, 1, 1, [&](state::AppState&, const std::string&, const std::string& t, int, int) {
      local.files.writeWhole(t + ".tmp", "right");
      return kComplete;
    })) << digest;
  }
}

TEST_F(Sha256PatchTest, ACachedDownloadIsUsedOnlyWhenItsDigestMatches) {
  files.files[tmp] = "right";
  EXPECT_TRUE(install(entry(sha256Hex("right")), "unused"));
  EXPECT_EQ(downloads, 0);
  EXPECT_EQ(files.files["C:\\Game\\a.pack"], "right");

  files.files[tmp] = "stale";
  EXPECT_TRUE(install(entry(sha256Hex("fresh")), "fresh"));
  EXPECT_EQ(downloads, 1);
  EXPECT_EQ(files.files["C:\\Game\\a.pack"], "fresh");
}

// A leftover of another size than the entry's is not the patch: it is not read (a large one
// would take long to hash), and the download that replaces it must bring the signed size.
TEST_F(Sha256PatchTest, ACachedFileOfAnotherSizeIsNotReadAndTheDownloadExpectsTheSignedSize) {
  for (bool keyed : {true, false}) {
    SCOPED_TRACE(keyed ? "keyed" : "without keys");
    if (!keyed) launcher.app.endpoints.trustKeys = {};
    files.files[tmp] = "right!";  // would match the digest, but the entry says 5 bytes
    int64_t expected = -1;
    downloads = 0;
    EXPECT_TRUE(installPatch(launcher.app, entry(sha256Hex("right!")), 1, 1,
                             [&](state::AppState& app, const std::string&, const std::string& target, int, int) {
                               ++downloads;
                               expected = app.downloadTask.expectedSizeOfNextStart();
                               files.writeWhole(target + ".tmp", "right!");
                               return kComplete;
                             }));
    EXPECT_EQ(downloads, 1);
    EXPECT_EQ(expected, keyed ? 5 : 0);
  }
}

TEST_F(Sha256PatchTest, WithoutKeysTheAttributeIsNotLookedAt) {
  launcher.app.endpoints.trustKeys = {};
  EXPECT_TRUE(install(entry(sha256Hex("right")), "anything"));
  EXPECT_EQ(files.files["C:\\Game\\a.pack"], "anything");
}

TEST(FileSha256, StreamsTheWholeFile) {
  fakes::FakeFiles files;
  std::string big(3 * 256 * 1024 + 17, 'z');
  files.files["C:\\big"] = big;
  std::string hex;
  ASSERT_TRUE(fileSha256Hex(files, "C:\\big", hex));
  EXPECT_EQ(hex, sha256Hex(big));
  EXPECT_TRUE(fileMatchesSha256(files, "C:\\big", sha256Hex(big)));
  EXPECT_FALSE(fileMatchesSha256(files, "C:\\missing", sha256Hex("")));
}

}  // namespace
}  // namespace patching
