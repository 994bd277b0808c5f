// With trust keys: the signed size and sha256 decide what is current, the digests of files
// left unchanged are remembered, and a patch the signed manifest does not vouch for is refused.
#include <gtest/gtest.h>

#include "patching/known_digests.h"
#include "patching/patch_evaluation.h"
#include "patching/patch_paths.h"
#include "patching/patch_update.h"
#include "patching/signed_files.h"
#include "patching_fixture.h"
#include "platform/crypto.h"
#include "text/byte_encodings.h"

namespace patching {
namespace {

using patching_test::gbk;
using patching_test::sha256Hex;

// Both have the header code of bytes 16 to 23, all 'h'.
const std::string kRight = std::string(16, 'r') + std::string(8, 'h') + "right content";
const std::string kWrong = std::string(16, 'w') + std::string(8, 'h') + "wrong content";
const std::string kHeaderCode = "6868686868686868";

struct SignedFilesTest : ::testing::Test {
  patching_test::Launcher launcher;
  patching_test::StrictFiles& files = launcher.files;
  const std::string place = "C:\\Game\\a.pack";
  const std::string record = "C:\\Game\\DownloadCache\\KnownDigests.txt";

  SignedFilesTest() { launcher.app.endpoints.trustKeys[0] = platform::P256PublicKey{0x04}; }
  PatchEntry entry(const std::string& sha256, const std::string& size = std::to_string(kRight.size())) {
    PatchEntry e{"a.pack", "", "", size, kHeaderCode, "http://127.0.0.1/a", "true", sha256};
    e.localPath = localPathOf(launcher.app.clientFolder, e);
    return e;
  }
  bool needed(const PatchEntry& e) {
    evaluateEntries(launcher.app, {e}, 1);
    return launcher.app.onlinePatches.size() == 1;
  }
};

TEST_F(SignedFilesTest, TheSignedDigestAndSizeDecideNotTheHeaderCode) {
  files.files[place] = kWrong;
  EXPECT_TRUE(needed(entry(sha256Hex(kRight))));
  files.files[place] = kRight;
  EXPECT_FALSE(needed(entry(sha256Hex(kRight))));
  EXPECT_TRUE(needed(entry(sha256Hex(kRight), "7")));
  EXPECT_FALSE(needed(entry(sha256Hex(kRight), "")));  // no size: the digest alone decides

  launcher.app.endpoints.trustKeys = {};  // without keys the header code decides, as before
  files.files.erase(record);
  files.files[place] = kWrong;
  files.digests.clear();
  EXPECT_FALSE(needed(entry(sha256Hex(kRight))));
  EXPECT_TRUE(files.digests.empty());
  EXPECT_FALSE(files.exists(record));
}

TEST_F(SignedFilesTest, AnUnchangedFileIsNotReadAgain) {
  files.files[place] = kRight;
  EXPECT_FALSE(needed(entry(sha256Hex(kRight))));
  std::string first = files.files[record];
  EXPECT_NE(first.find(sha256Hex(kRight) + " "), std::string::npos);
  EXPECT_FALSE(needed(entry(sha256Hex(kRight))));
  EXPECT_EQ(files.digests[place], 1);

  files.files[place] = kWrong;  // planted: another write, so read again
  EXPECT_TRUE(needed(entry(sha256Hex(kRight))));
  EXPECT_EQ(files.digests[place], 2);

  files.files[place] = kRight;
  files.files[record] = first.substr(0, first.size() - 1);  // cut short: read again
  EXPECT_FALSE(needed(entry(sha256Hex(kRight))));
  EXPECT_EQ(files.digests[place], 3);
  EXPECT_EQ(files.files[record], first);

  KnownDigests known;  // another file in its place, or another write, is not known
  known.remember(place, {5, 9, 7, 42}, sha256Hex("a"));
  EXPECT_EQ(known.digestOf(place, {5, 9, 7, 42}), sha256Hex("a"));
  EXPECT_EQ(known.digestOf(place, {5, 9, 7, 43}) + known.digestOf(place, {5, 10, 7, 42}), "");
}

TEST(SignedPatches, WhileSignaturesAreRequiredAPatchNeedsADigest) {
  struct Case {
    std::optional<bool> required;  // [trust] required
    std::string sha256;
    const char* refusal;  // the cause in the support log; null: installed
  };
  const char* noDigest = "vouches for no sha256 while signatures are required";
  const std::vector<Case> cases = {
      {std::nullopt, "", noDigest},
      {true, "", noDigest},
      {std::nullopt, std::string(64, 'A'), "its sha256 is not 64 lower-case hexadecimal digits"},
      {false, "", nullptr},  // required = no: the switch-over
      {std::nullopt, sha256Hex(kRight), nullptr},
  };
  for (const Case& c : cases) {
    patching_test::Launcher local;
    local.app.log.open("C:\\Game\\launcher.log");
    local.app.endpoints.trustKeys[0] = platform::P256PublicKey{0x04};
    local.app.endpoints.signaturesRequiredSetting = c.required;
    PatchEntry e{gbk("补丁.pack"), "", "", std::to_string(kRight.size()), "", "http://127.0.0.1/a", "true", c.sha256};
    e.localPath = localPathOf(local.app.clientFolder, e);
    local.app.onlinePatches = {e};
    int downloads = 0;
    runPatchUpdate(local.app, [&](state::AppState&, const std::string&, const std::string& target, int, int) {
      ++downloads;
      local.files.writeWhole(target + ".tmp", kRight);
      return 3;
    });
    bool refused = c.refusal != nullptr;
    EXPECT_EQ(downloads, refused ? 0 : 1) << c.sha256;
    // An installed file with a digest is remembered with it: the next start need not read it.
    std::string record = local.files.files["C:\\Game\\DownloadCache\\KnownDigests.txt"];
    EXPECT_EQ(record.find(sha256Hex(kRight) + " " + std::to_string(kRight.size()) + " ") != std::string::npos,
              c.sha256 == sha256Hex(kRight));
    if (!refused) continue;
    EXPECT_EQ(local.backend.messages, std::vector<std::string>{gbk("补丁.pack未通过验证,已停止更新,请联系游戏管理员!")});
    EXPECT_EQ(local.fake.system.endCodes, std::vector<int>{0});
    EXPECT_NE(local.files.files["C:\\Game\\launcher.log"].find(c.refusal), std::string::npos) << c.refusal;
  }
}

}  // namespace
}  // namespace patching
