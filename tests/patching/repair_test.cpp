// The repair: which check each entry gets, what each check finds in a damaged file, the
// counts and words of the result, and one repair run over a manifest from check to install.
#include <gtest/gtest.h>

#include <map>

#include "patching/check_code.h"
#include "patching/file_download.h"
#include "patching/known_digests.h"
#include "patching/md5.h"
#include "patching/patch_paths.h"
#include "patching/patch_repair.h"
#include "patching/repair_check.h"
#include "patching/signed_files.h"
#include "patching_fixture.h"
#include "startup/manifest_document.h"
#include "ui/component_names.h"

namespace patching {
namespace {

using namespace ui::names;
using patching_test::gbk;
using patching_test::sha256Hex;

// 48 bytes: the header code covers bytes 16 to 23, the body begins at 32.
const std::string kGood = "0123456789abcdefHEADCODE........body-of-the-file";
const std::string kBodyDamaged = "0123456789abcdefHEADCODE........BODY-OF-THE-FILE";
const std::string kHeaderDamaged = "0123456789abcdefHEADCODX........body-of-the-file";

std::string headerCode(const std::string& bytes) { return headerCheckCode(bytes.substr(0, 32)); }

struct RepairBase {
  patching_test::Launcher launcher;
  patching_test::StrictFiles& files = launcher.files;
  static constexpr const char* kLog = "C:\\Game\\launcher.log";

  void withKeys() { launcher.app.endpoints.trustKeys[0] = platform::P256PublicKey{0x04}; }
  PatchEntry entry(const std::string& name, const std::string& code, const std::string& sha256 = "",
                   const std::string& size = "48", const std::string& isupdate = "true") {
    PatchEntry e{name, "", "", size, code, "http://127.0.0.1:8080/" + name, isupdate, sha256};
    e.localPath = localPathOf(launcher.app.clientFolder, e);
    return e;
  }
  std::string log() { return files.files.count(kLog) ? files.files[kLog] : ""; }
};

struct RepairFixture : ::testing::Test, RepairBase {};

struct StrongestCase {
  bool keys;
  std::string sha256, code;
  RepairCheck expected;
};

TEST_F(RepairFixture, TheSignedDigestWinsWithKeysThenTheMd5ThenTheHeader) {
  const std::string md5 = md5Hex(kGood), digest = sha256Hex(kGood), header = headerCode(kGood);
  const std::vector<StrongestCase> cases = {
      {true, digest, md5, RepairCheck::kSigned},      {true, digest, header, RepairCheck::kSigned},
      {true, "", md5, RepairCheck::kMd5},             {false, digest, md5, RepairCheck::kMd5},
      {false, digest, header, RepairCheck::kHeader},  {true, "", header, RepairCheck::kHeader},
      {false, "", "0123456789ABCDEF0123", RepairCheck::kHeader},
  };
  for (const auto& c : cases) {
    patching_test::Launcher local;
    if (c.keys) local.app.endpoints.trustKeys[0] = platform::P256PublicKey{0x04};
    PatchEntry e{"a.pak", "", "", "48", c.code, "u", "true", c.sha256};
    EXPECT_EQ(strongestCheck(local.app, e), c.expected) << c.keys << " " << c.sha256 << " " << c.code;
  }
}

struct FindingCase {
  const char* what;
  bool keys;
  const std::string* onDisk;  // nullptr: no file
  std::string code, sha256, size, damage;  // damage: a part of the reason, empty when whole
};

TEST_F(RepairFixture, EachCheckFindsWhatItCanSee) {
  const std::string md5 = md5Hex(kGood), digest = sha256Hex(kGood), header = headerCode(kGood);
  std::string lowerMd5 = md5;
  for (auto& ch : lowerMd5) ch = static_cast<char>(std::tolower(static_cast<unsigned char>(ch)));
  const std::vector<FindingCase> cases = {
      {"signed, whole", true, &kGood, header, digest, "48", ""},
      {"signed, body damaged under a matching header", true, &kBodyDamaged, header, digest, "48",
       "its sha256 differs from the signed one"},
      {"signed, another size", true, &kGood, header, digest, "47", "its size 48 differs from the signed size \"47\""},
      {"signed, no size given", true, &kBodyDamaged, md5, digest, "", "its sha256 differs"},
      {"MD5, whole", false, &kGood, md5, digest, "48", ""},
      {"MD5, body damaged", false, &kBodyDamaged, md5, "", "48", "its MD5 differs from CheckCode"},
      {"MD5 in lower case never matches", false, &kGood, lowerMd5, "", "48", "its MD5 differs"},
      {"header, body damaged: only the header is seen", false, &kBodyDamaged, header, "", "48", ""},
      {"header damaged", false, &kHeaderDamaged, header, "", "48", "its header code differs"},
      {"missing file", true, nullptr, md5, digest, "48", "file missing"},
  };
  for (const auto& c : cases) {
    patching_test::Launcher local;
    if (c.keys) local.app.endpoints.trustKeys[0] = platform::P256PublicKey{0x04};
    PatchEntry e{"a.pak", "", "", c.size, c.code, "u", "true", c.sha256};
    e.localPath = localPathOf(local.app.clientFolder, e);
    if (c.onDisk) local.files.files[e.localPath] = *c.onDisk;
    RepairFinding f = checkForRepair(local.app, e);
    EXPECT_EQ(f.whole(), c.damage.empty()) << c.what << ": " << f.damage;
    EXPECT_NE(f.damage.find(c.damage), std::string::npos) << c.what << ": " << f.damage;
  }
}

TEST_F(RepairFixture, AnUnsafeLocationIsNeverOpened) {
  PatchEntry e = entry("a.pak", md5Hex(kGood));
  e.path = "..";
  e.localPath = localPathOf(launcher.app.clientFolder, e);
  files.files[e.localPath] = kGood;
  EXPECT_EQ(checkForRepair(launcher.app, e).damage, "unsafe location");
  EXPECT_TRUE(files.digests.empty());
}

TEST_F(RepairFixture, TheRecordOfKnownDigestsIsNotTrusted) {
  // A damage that kept the file's size and time: the start's evaluation believes the record.
  withKeys();
  PatchEntry e = entry("a.pak", headerCode(kGood), sha256Hex(kGood));
  files.files[e.localPath] = kBodyDamaged;
  platform::FileStamp stamp;
  ASSERT_TRUE(files.fileStamp(e.localPath, stamp));
  KnownDigests known;
  known.remember(e.localPath, stamp, e.sha256);
  ASSERT_TRUE(signedFileStamp(files, e, known).has_value());
  EXPECT_EQ(checkForRepair(launcher.app, e).damage, "its sha256 differs from the signed one");
  EXPECT_EQ(files.digests[e.localPath], 1);
}

struct TallyCase {
  RepairTally tally;
  const char* shown;
  const char* logged;
};

TEST_F(RepairFixture, TheResultSaysHowManyWereCheckedRepairedAndByHeaderOnly) {
  const std::vector<TallyCase> cases = {
      {{3, 1, 0}, "检查完毕: 共检查3个文件, 修复1个", "repair finished: 3 checked, 1 repaired, 0 by header only"},
      {{12, 0, 2}, "检查完毕: 共检查12个文件, 修复0个, 其中2个文件只检查了文件头",
       "repair finished: 12 checked, 0 repaired, 2 by header only"},
      {{0, 0, 0}, "检查完毕: 共检查0个文件, 修复0个", "repair finished: 0 checked, 0 repaired, 0 by header only"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(repairResultText(c.tally), gbk(c.shown));
    EXPECT_EQ(repairLogText(c.tally), c.logged);
  }
}

struct PossibleCase {
  bool configured, patching, manifest, expected;
};

TEST_F(RepairFixture, ARepairIsPossibleOnlyOnceTheManifestIsEvaluatedAndNoUpdateRuns) {
  const std::vector<PossibleCase> cases = {
      {true, false, true, true}, {false, false, true, false}, {true, true, true, false}, {true, false, false, false}};
  for (const auto& c : cases) {
    patching_test::Launcher local;
    local.app.workerFinished = c.configured;
    local.app.patchWorkerRunning = c.patching;
    if (c.manifest) {
      ASSERT_TRUE(startup::parseManifest(local.app.manifestDocument, "<UpdateInfo/>"));
    }
    EXPECT_EQ(repairPossible(local.app), c.expected) << c.configured << c.patching << c.manifest;
    startRepair(local.app);
    EXPECT_EQ(local.spawned.size(), c.expected ? 1u : 0u);
  }
}

// A manifest of patches, repaired with downloads that "receive" what the server holds.
struct RepairRun : RepairBase {
  std::map<std::string, std::string> served;  // name -> the published file
  std::map<std::string, int> results;         // name -> download result (complete when absent)
  std::vector<std::string> downloaded;

  RepairRun() { launcher.app.log.open(kLog); }
  void publish(const std::vector<PatchEntry>& entries) {
    std::string xml = "<UpdateInfo><PatchList>";
    for (const auto& e : entries)
      xml += "<P name=\"" + e.name + "\" path=\"\" size=\"" + e.size + "\" CheckCode=\"" + e.CheckCode + "\" url=\"" +
             e.url + "\" isupdate=\"" + e.isupdate + "\" sha256=\"" + e.sha256 + "\"/>";
    ASSERT_TRUE(startup::parseManifest(launcher.app.manifestDocument, xml + "</PatchList></UpdateInfo>"));
  }
  bool repair() {
    return runRepair(launcher.app,
                     [this](state::AppState&, const std::string& url, const std::string& target, int, int) {
                       std::string name = url.substr(url.rfind('/') + 1, url.find('?') - url.rfind('/') - 1);
                       downloaded.push_back(name);
                       if (results.count(name)) return results[name];
                       files.writeWhole(target + ".tmp", served[name]);
                       return kComplete;
                     },
                     2);
  }
  std::string caption() { return launcher.component(kLabelUpdateInfo).caption; }
};

struct RepairRunTest : ::testing::Test, RepairRun {};

TEST_F(RepairRunTest, DamagedFilesAreInstalledAgainAndTheResultCountsThem) {
  // Keys, with signatures not required: entries without a sha256 go by their CheckCode.
  withKeys();
  launcher.app.endpoints.signaturesRequiredSetting = false;
  std::string other = "another whole file of forty-eight bytes .......";
  PatchEntry signedOne = entry("s.pak", headerCode(kGood), sha256Hex(kGood));
  PatchEntry md5One = entry("m.pak", md5Hex(kGood));
  PatchEntry headerOne = entry("h.pak", headerCode(kGood));
  PatchEntry wholeOne = entry("w.pak", md5Hex(other));
  PatchEntry missing = entry("new.pak", md5Hex(kGood));
  publish({signedOne, md5One, headerOne, wholeOne, missing});
  served = {{"s.pak", kGood}, {"m.pak", kGood}, {"new.pak", kGood}};
  files.files["C:\\Game\\s.pak"] = kBodyDamaged;
  files.files["C:\\Game\\m.pak"] = kBodyDamaged;
  files.files["C:\\Game\\h.pak"] = kBodyDamaged;
  files.files["C:\\Game\\w.pak"] = other;
  launcher.window.setVisible(kButtonStartUpdate, true);

  EXPECT_TRUE(repair());
  EXPECT_EQ(downloaded, (std::vector<std::string>{"s.pak", "m.pak", "new.pak"}));
  for (const char* name : {"C:\\Game\\s.pak", "C:\\Game\\m.pak", "C:\\Game\\new.pak"})
    EXPECT_EQ(files.files[name], kGood) << name;
  EXPECT_EQ(files.files["C:\\Game\\h.pak"], kBodyDamaged);  // its header is all that can be checked
  EXPECT_EQ(caption(), gbk("检查完毕: 共检查5个文件, 修复3个, 其中1个文件只检查了文件头"));
  EXPECT_FALSE(launcher.component(kButtonStartUpdate).visible);
  EXPECT_FALSE(launcher.ended());
  std::string text = log();
  EXPECT_NE(text.find(" repair started\r\n"), std::string::npos) << text;
  EXPECT_NE(text.find(" repair check \"s.pak\" at \"C:\\Game\\s.pak\": needed online, its sha256 differs from the "
                      "signed one\r\n"),
            std::string::npos)
      << text;
  EXPECT_NE(text.find(" repair check \"new.pak\" at \"C:\\Game\\new.pak\": needed online, file missing\r\n"),
            std::string::npos);
  EXPECT_EQ(text.find("repair check \"h.pak\""), std::string::npos);
  EXPECT_EQ(text.find("repair check \"w.pak\""), std::string::npos);
  EXPECT_NE(text.find(" repair finished: 5 checked, 3 repaired, 1 by header only\r\n"), std::string::npos);
}

TEST_F(RepairRunTest, AWholeClientDownloadsAndWritesNothing) {
  PatchEntry md5One = entry("m.pak", md5Hex(kGood));
  publish({md5One});
  files.files["C:\\Game\\m.pak"] = kGood;
  EXPECT_TRUE(repair());
  EXPECT_TRUE(downloaded.empty());
  EXPECT_EQ(caption(), gbk("检查完毕: 共检查1个文件, 修复0个"));
  EXPECT_NE(log().find(" repair finished: 1 checked, 0 repaired, 0 by header only\r\n"), std::string::npos);
}

struct EndingCase {
  const char* what;
  bool verify;
  bool manual;  // else the download breaks off
  int exitCode;
};

TEST_F(RepairRunTest, AFileLeftDamagedEndsTheLauncherAndAVerifyingRunSaysSo) {
  const std::vector<EndingCase> cases = {
      {"manual patch from the tray menu: listed, ended as an update would", false, true, 0},
      {"manual patch with --verify: the client is not whole", true, true, 5},
      {"broken download with --verify", true, false, 5},
  };
  for (const auto& c : cases) {
    RepairRun run;
    run.launcher.app.options.verify = run.launcher.app.options.headless = c.verify;
    PatchEntry e = run.entry("m.pak", md5Hex(kGood), "", "48", c.manual ? "false" : "true");
    run.publish({e});
    run.files.files["C:\\Game\\m.pak"] = kBodyDamaged;
    run.results["m.pak"] = kIncomplete;
    EXPECT_FALSE(run.repair()) << c.what;
    EXPECT_EQ(run.launcher.fake.system.endCodes, std::vector<int>{c.exitCode}) << c.what;
    EXPECT_EQ(run.files.exists("C:\\Game\\PatchList.txt"), c.manual) << c.what;
    EXPECT_EQ(run.files.files["C:\\Game\\m.pak"], kBodyDamaged) << c.what;
    EXPECT_EQ(run.log().find("repair finished") != std::string::npos, c.manual) << c.what;
  }
}

TEST_F(RepairFixture, ARunningGameRefusesTheRepairBeforeAnyCheck) {
  launcher.app.workerFinished = true;
  ASSERT_TRUE(startup::parseManifest(launcher.app.manifestDocument, "<UpdateInfo/>"));
  launcher.fake.processes.processes = {{200, "client.EXE"}};
  startRepair(launcher.app);
  EXPECT_TRUE(launcher.spawned.empty());
  EXPECT_FALSE(launcher.app.patchWorkerRunning);
  EXPECT_EQ(launcher.backend.messages, std::vector<std::string>{gbk("请退出所有游戏后在尝试更新！")});

  launcher.fake.processes.processes.clear();
  launcher.window.setEnabled(kButtonStartUpdate, true);
  startRepair(launcher.app);
  ASSERT_EQ(launcher.spawned.size(), 1u);
  EXPECT_TRUE(launcher.app.patchWorkerRunning);
  EXPECT_FALSE(launcher.component(kButtonStartUpdate).enabled);
  launcher.spawned.front()();
  EXPECT_FALSE(launcher.app.patchWorkerRunning);
  EXPECT_EQ(launcher.component(kLabelUpdateInfo).caption, gbk("检查完毕: 共检查0个文件, 修复0个"));
}

}  // namespace
}  // namespace patching
