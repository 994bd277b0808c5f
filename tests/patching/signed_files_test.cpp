// With trust keys: the signed size and sha256 decide what is current, the digests of files
// left unchanged are remembered, and a patch the signed manifest does not vouch for is refused.
#include <gtest/gtest.h>

#include <map>

#include "patching/check_code.h"
#include "patching/known_digests.h"
#include "patching/patch_evaluation.h"
#include "patching/patch_paths.h"
#include "patching/patch_update.h"
#include "patching/signed_files.h"
#include "patching_fixture.h"
#include "platform/crypto.h"
#include "support/support_log.h"
#include "text/byte_encodings.h"

namespace patching {
namespace {

using patching_test::gbk;

std::string sha256Hex(const std::string& bytes) {
  auto d = platform::sha256Of(bytes);
  return text::lowerHex({reinterpret_cast<const char*>(d->data()), d->size()});
}

// Counts the whole-file reads (digests) of each path.
struct CountingFiles : patching_test::StrictFiles {
  std::map<std::string, int> digests;
  bool readBlocks(const std::string& path, size_t blockSize,
                  const std::function<bool(const char*, size_t)>& sink) override {
    ++digests[path];
    return StrictFiles::readBlocks(path, blockSize, sink);
  }
};

// "right" and "wrong" have the same header code: bytes 16 to 23 are all 'h'.
const std::string kRight = std::string(16, 'r') + std::string(8, 'h') + "right content";
const std::string kWrong = std::string(16, 'w') + std::string(8, 'h') + "wrong content";
const std::string kHeaderCode = "6868686868686868";

struct SignedFilesTest : ::testing::Test {
  patching_test::Launcher launcher;
  CountingFiles files;
  platform::Platform bundle{launcher.fake.system, files, launcher.fake.processes, launcher.fake.instance,
                            launcher.fake.presence, launcher.fake.http, launcher.fake.network,
                            launcher.fake.registry, launcher.fake.shell, launcher.fake.ini,
                            launcher.fake.shortcuts, launcher.fake.starter};
  state::AppState app{bundle, launcher.window, text::DisplayCode::SC};
  const std::string place = "C:\\Game\\a.pack";

  SignedFilesTest() {
    app.clientFolder = launcher.app.clientFolder;
    app.downloadCacheFolder = launcher.app.downloadCacheFolder;
    files.directories = {"C:", "C:\\Game", "C:\\Game\\DownloadCache"};
    app.endpoints.trustKeys[0] = platform::P256PublicKey{0x04};
  }
  PatchEntry entry(const std::string& sha256, const std::string& size = std::to_string(kRight.size())) {
    PatchEntry e{"a.pack", "", "", size, kHeaderCode, "http://127.0.0.1/a.pack", "true", sha256};
    e.localPath = localPathOf(app.clientFolder, e);
    return e;
  }
  bool needed(const PatchEntry& e) {
    evaluateEntries(app, {e}, 1);
    return app.onlinePatches.size() == 1;
  }
  std::string record() { return files.files.count(knownDigestsPath(app)) ? files.files[knownDigestsPath(app)] : ""; }
};

TEST_F(SignedFilesTest, TheSignedDigestAndSizeDecideNotTheHeaderCode) {
  files.files[place] = kWrong;
  EXPECT_TRUE(needed(entry(sha256Hex(kRight))));  // the header code matches, the content does not
  files.files[place] = kRight;
  EXPECT_FALSE(needed(entry(sha256Hex(kRight))));
  EXPECT_TRUE(needed(entry(sha256Hex(kRight), "7")));  // the signed size is another
  EXPECT_FALSE(needed(entry(sha256Hex(kRight), "")));  // no size: the digest alone decides

  app.endpoints.trustKeys = {};  // without keys the header code decides, as before
  files.files.erase(knownDigestsPath(app));
  files.files[place] = kWrong;
  files.digests.clear();
  EXPECT_FALSE(needed(entry(sha256Hex(kRight))));
  EXPECT_TRUE(files.digests.empty());
  EXPECT_FALSE(files.exists(knownDigestsPath(app)));
}

TEST_F(SignedFilesTest, AnUnchangedFileIsNotReadAgain) {
  files.files[place] = kRight;
  EXPECT_FALSE(needed(entry(sha256Hex(kRight))));
  EXPECT_EQ(files.digests[place], 1);
  std::string first = record();
  EXPECT_NE(first.find(sha256Hex(kRight)), std::string::npos);

  EXPECT_FALSE(needed(entry(sha256Hex(kRight))));
  EXPECT_EQ(files.digests[place], 1);  // known from the record
  EXPECT_EQ(record(), first);

  files.files[place] = kWrong;  // planted later: another write, so read again
  EXPECT_TRUE(needed(entry(sha256Hex(kRight))));
  EXPECT_EQ(files.digests[place], 2);

  files.files[place] = kRight;
  files.files[knownDigestsPath(app)] = "launcher known digests 1\n" + sha256Hex(kRight) + " 1 2";  // damaged
  EXPECT_FALSE(needed(entry(sha256Hex(kRight))));
  EXPECT_EQ(files.digests[place], 3);
  EXPECT_EQ(record(), first);
}

TEST_F(SignedFilesTest, AnInstalledPatchIsRememberedAsInstalled) {
  files.files[place] = kWrong;
  app.onlinePatches = {entry(sha256Hex(kRight))};
  runPatchUpdate(app, [&](state::AppState&, const std::string&, const std::string& target, int, int) {
    files.writeWhole(target + ".tmp", kRight);
    return 3;
  });
  EXPECT_EQ(files.files[place], kRight);
  EXPECT_EQ(files.digests[place], 0);  // the download was checked before its move
  EXPECT_FALSE(needed(entry(sha256Hex(kRight))));
  EXPECT_EQ(files.digests[place], 0);
}

TEST(KnownDigests, ARecordReadsBackAndADamagedOneIsEmpty) {
  KnownDigests known;
  known.remember("C:\\Game\\data\\a b.pack", {5, 123456789, 7, 42}, sha256Hex("a"));
  known.remember("C:\\Game\\line\nbreak", {5, 1, 1, 1}, sha256Hex("b"));  // not held
  known.remember("C:\\Game\\short", {5, 1, 1, 1}, "abc");                  // not a digest
  KnownDigests back;
  ASSERT_TRUE(KnownDigests::parse(known.text(), back));
  EXPECT_EQ(back, known);
  EXPECT_EQ(back.digestOf("C:\\Game\\data\\a b.pack", {5, 123456789, 7, 42}), sha256Hex("a"));
  EXPECT_EQ(back.digestOf("C:\\Game\\data\\a b.pack", {5, 123456789, 7, 43}), "");  // another file
  EXPECT_EQ(back.digestOf("C:\\Game\\data\\a b.pack", {5, 123456790, 7, 42}), "");  // written since
  EXPECT_EQ(back.digestOf("C:\\Game\\short", {5, 1, 1, 1}), "");

  std::string line = sha256Hex("a") + " 5 1 1 1 C:\\x\n";
  for (const std::string& damaged :
       {std::string(), "launcher known digests 2\n" + line, "launcher known digests 1\n" + line.substr(0, 70),
        "launcher known digests 1\n" + line.substr(0, line.size() - 1),
        "launcher known digests 1\n" + sha256Hex("a").substr(1) + "x 5 1 1 1 C:\\x\n",
        "launcher known digests 1\n" + sha256Hex("a") + " 5 1 -1 1 C:\\x\n",
        "launcher known digests 1\n" + sha256Hex("a") + " 5 1 1 1 \n"}) {
    KnownDigests parsed = known;
    EXPECT_FALSE(KnownDigests::parse(damaged, parsed)) << damaged;
    EXPECT_EQ(parsed, known);
  }
}

struct RequiredDigestCase {
  const char* what;
  std::optional<bool> required;  // [trust] required
  std::string sha256;
  const char* refusal;  // the cause in the support log; null: installed
};

TEST_F(SignedFilesTest, WhileSignaturesAreRequiredAPatchNeedsADigest) {
  std::string upper = sha256Hex(kRight);
  for (char& c : upper) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  const std::vector<RequiredDigestCase> cases = {
      {"required by the keys", std::nullopt, "", "vouches for no sha256 while signatures are required"},
      {"required in so many words", true, "", "vouches for no sha256 while signatures are required"},
      {"a digest no file can have", std::nullopt, upper, "its sha256 is not 64 lower-case hexadecimal digits"},
      {"required = no, the switch-over", false, "", nullptr},
      {"a digest", std::nullopt, sha256Hex(kRight), nullptr},
  };
  for (const auto& c : cases) {
    patching_test::Launcher local;
    local.app.log.open("C:\\Game\\launcher.log");
    local.app.endpoints.trustKeys[0] = platform::P256PublicKey{0x04};
    local.app.endpoints.signaturesRequiredSetting = c.required;
    PatchEntry e{gbk("补丁.pack"), "", "", std::to_string(kRight.size()), kHeaderCode, "http://127.0.0.1/a", "true",
                 c.sha256};
    e.localPath = localPathOf(local.app.clientFolder, e);
    local.app.onlinePatches = {e};
    int downloads = 0;
    runPatchUpdate(local.app, [&](state::AppState&, const std::string&, const std::string& target, int, int) {
      ++downloads;
      local.files.writeWhole(target + ".tmp", kRight);
      return 3;
    });
    bool refused = c.refusal != nullptr;
    EXPECT_EQ(local.ended(), refused) << c.what;
    EXPECT_EQ(downloads, refused ? 0 : 1) << c.what;
    if (!refused) continue;
    EXPECT_NE(local.files.files["C:\\Game\\launcher.log"].find(c.refusal), std::string::npos) << c.what;
    EXPECT_EQ(local.backend.messages,
              std::vector<std::string>{gbk("补丁.pack") + gbk("未通过验证,已停止更新,请联系游戏管理员!")})
        << c.what;
    EXPECT_FALSE(local.files.exists(e.localPath)) << c.what;
  }
}

}  // namespace
}  // namespace patching
