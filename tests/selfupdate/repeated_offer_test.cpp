// An offer that was installed once is not taken again: a launcher built with another version
// than its offer's `ver` would otherwise download and restart itself at every start.
#include <gtest/gtest.h>

#include "patching/file_download.h"
#include "platform/crypto.h"
#include "self_update_fixture.h"
#include "text/byte_encodings.h"

namespace selfupdate_test {
namespace {

const std::string kRecord = "C:\\Game\\LauncherUpdate.txt";
const std::string kNewBytes = "MZ new launcher";

std::string sha(const std::string& bytes) {
  auto d = platform::sha256Of(bytes);
  return text::lowerHex({reinterpret_cast<const char*>(d->data()), d->size()});
}

struct RepeatedOfferRun : SelfUpdateFixture, ::testing::Test {
  RepeatedOfferRun() { app.log.open("C:\\Game\\launcher.log"); }
  // One start: the offer, then this launcher's reaction; true when it went on with its run.
  bool start(const std::string& attributes = "url=\"http://127.0.0.1/DLQ.exe\" ver=\"0.0.2\"") {
    offer(attributes);
    backend.messages.clear();
    return startup::selfUpdate(app, downloadAnswering(patching::kComplete, kNewBytes));
  }
  // What the update script does: the new file takes the old one's place.
  void installed() {
    fake.files.files["C:\\Game\\launcher.exe"] = fake.files.files["C:\\Game\\DownloadCache\\DLQ.exe.tmp"];
    fake.files.files.erase("C:\\Game\\DownloadCache\\DLQ.exe.tmp");
  }
  std::string log() { return fake.files.files["C:\\Game\\launcher.log"]; }
};

TEST_F(RepeatedOfferRun, TheInstalledFileGoesOnSayingSoWithBothVersions) {
  EXPECT_FALSE(start());
  EXPECT_EQ(fake.files.files[kRecord], "ver=0.0.2\r\nsha256=" + sha(kNewBytes) + "\r\nseen=no\r\n");
  installed();
  // The file that was offered as 0.0.2 was built as 0.0.1 (this build's version).
  EXPECT_TRUE(start());
  EXPECT_EQ(downloads.size(), 1u);
  EXPECT_EQ(fake.system.endCodes, std::vector<int>{0});
  ASSERT_EQ(backend.messages.size(), 1u);
  EXPECT_EQ(backend.messages[0], gbk("更新信息提供的登录器版本为0.0.2,当前登录器的版本为0.0.1,"
                                     "已更新过一次,不再重复更新,请联系游戏管理员!"));
  EXPECT_NE(log().find("launcher update from 0.0.1 to \"0.0.2\": not repeated, this launcher is the file that "
                       "offer installed, built as version 0.0.1\r\n"),
            std::string::npos)
      << log();
  // A genuinely new offer still updates: another file under the same version, or another version.
  EXPECT_FALSE(start("url=\"http://127.0.0.1/DLQ.exe\" ver=\"0.0.2\" sha256=\"" + sha("fixed") + "\""));
  EXPECT_FALSE(start("url=\"http://127.0.0.1/DLQ.exe\" ver=\"0.0.3\""));
  EXPECT_EQ(downloads.size(), 3u);
}

TEST_F(RepeatedOfferRun, AnInstallationThatDidNotTakeIsLetBeOnceThenTriedAgain) {
  EXPECT_FALSE(start());
  // The script could not replace the launcher: the old one starts again.
  EXPECT_TRUE(start());
  EXPECT_EQ(downloads.size(), 1u);
  EXPECT_EQ(backend.messages.size(), 1u);
  EXPECT_NE(log().find("not repeated, the installation of that offer did not take"), std::string::npos) << log();
  EXPECT_NE(fake.files.files[kRecord].find("seen=yes"), std::string::npos);
  EXPECT_FALSE(start());  // the player's next start
  EXPECT_EQ(downloads.size(), 2u);
}

}  // namespace
}  // namespace selfupdate_test
