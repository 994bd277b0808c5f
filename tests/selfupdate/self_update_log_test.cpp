// The launcher's own update in the support log: the versions and how it ended.
#include <gtest/gtest.h>

#include "patching/file_download.h"
#include "self_update_fixture.h"

namespace {

constexpr const char* kLog = "C:\\Game\\launcher.log";

struct SelfUpdateLog : selfupdate_test::SelfUpdateFixture, ::testing::Test {
  SelfUpdateLog() { app.log.open(kLog); }
  std::string log() { return fake.files.files.count(kLog) ? fake.files.files[kLog] : ""; }
};

TEST_F(SelfUpdateLog, EachOutcomeIsNotedWithBothVersions) {
  offer("url=\"http://127.0.0.1/DLQ.exe\" ver=\"0.0.1\"");
  EXPECT_TRUE(startup::selfUpdate(app, downloadAnswering(patching::kComplete)));
  EXPECT_NE(log().find(" launcher update from 0.0.1 to \"0.0.1\": not needed\r\n"), std::string::npos) << log();

  offer("url=\"http://127.0.0.1/DLQ.exe\" ver=\"0.0.2\"");
  EXPECT_FALSE(startup::selfUpdate(app, downloadAnswering(patching::kIncomplete)));
  EXPECT_NE(log().find(" launcher update from 0.0.1 to \"0.0.2\": refused, the download is incomplete\r\n"),
            std::string::npos)
      << log();

  fake.files.files.erase("C:\\Game\\DownloadCache\\DLQ.exe.tmp");
  fake.files.files.erase("C:\\Game\\DownloadCache\\DLQ.exe.tmp.work");
  EXPECT_FALSE(startup::selfUpdate(app, downloadAnswering(patching::kComplete)));
  EXPECT_NE(log().find(" launcher update from 0.0.1 to \"0.0.2\": downloaded, installing\r\n"), std::string::npos)
      << log();
  EXPECT_NE(log().find(" launcher update: \"update."), std::string::npos) << log();
}

TEST_F(SelfUpdateLog, TooLittleRoomIsNotedWithItsFigures) {
  offer("url=\"http://127.0.0.1/DLQ.exe\" ver=\"0.0.2\"");
  fake.files.freeBytes = 1000;
  EXPECT_FALSE(startup::selfUpdate(app, downloadAnswering(patching::kComplete)));
  EXPECT_TRUE(downloads.empty());
  // The running launcher's 12 bytes stand in for the new one's size, plus room for the ".work".
  EXPECT_NE(log().find(" refused: not enough disk space, 65548 bytes needed, 1000 bytes free\r\n"), std::string::npos)
      << log();
  EXPECT_NE(log().find(" launcher update from 0.0.1 to \"0.0.2\": refused, not enough disk space\r\n"),
            std::string::npos)
      << log();
}

}  // namespace
