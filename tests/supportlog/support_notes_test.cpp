#include "support/support_notes.h"

#include <gtest/gtest.h>

#include "fakes/encoded_text.h"
#include "fakes/fake_platform.h"

namespace {

using fakes::gbkOf;

// A system whose own code page is BIG5: its texts are turned into UTF-8 with that code page.
struct Big5System : fakes::FakeSystem {
  Big5System() { codePage = 950; }
  std::vector<unsigned> asked;
  std::string toUtf8(const std::string& bytes, unsigned page) override {
    asked.push_back(page);
    return "<" + bytes + ">";
  }
};

TEST(SupportNotes, ManifestNamesInGbkBecomeUtf8) {
  fakes::FakeSystem system;
  std::string line = support::evaluationNote(system, gbkOf("补丁.pak"), "C:\\Game\\x.pak", true, "file missing");
  EXPECT_EQ(line, "check \"补丁.pak\" at \"C:\\Game\\x.pak\": needed online, file missing");
  EXPECT_EQ(support::patchRefusalNote(gbkOf("地图\\世界.map"), "the download is incomplete"),
            "refused \"地图\\世界.map\": the download is incomplete");
  // A byte sequence that is no GBK character still leaves valid UTF-8.
  EXPECT_EQ(support::manifestText("a\xFF" "b"), "\"a?b\"");
}

TEST(SupportNotes, SystemTextsAreConvertedFromTheSystemsOwnCodePage) {
  Big5System system;
  EXPECT_EQ(support::heldFileCause(system, "C:\\Game\\a.pak", "Client.exe"),
            "\"<C:\\Game\\a.pak>\" is held by another program (\"<Client.exe>\")");
  EXPECT_EQ(support::heldFileCause(system, "C:\\Game\\a.pak", ""), "\"<C:\\Game\\a.pak>\" is held by another program");
  EXPECT_EQ(system.asked, (std::vector<unsigned>{950, 950, 950}));
}

TEST(SupportNotes, StartNamesVersionCodePageLocaleDisplayAndFolder) {
  Big5System system;
  system.localeId = 1028;
  EXPECT_EQ(support::startNote(system, "0.0.1", "TC", "D:\\Games\\"),
            "start: launcher 0.0.1, system code page 950, locale 1028, display language TC, client folder "
            "\"<D:\\Games\\>\"");
}

TEST(SupportNotes, DownloadAndInstallCarryTheirFigures) {
  fakes::FakeSystem system;
  support::DownloadFacts facts;
  facts.url = "http://127.0.0.1:81/data/" + gbkOf("地图.pak");
  facts.target = "C:\\Game\\DownloadCache\\map.pak.tmp";
  facts.result = 3;
  facts.bytes = 3000000;
  facts.size = 3000000;
  facts.resumed = 1200000;
  facts.connections = 5;
  facts.milliseconds = 812;
  EXPECT_EQ(support::downloadNote(system, facts),
            "download \"http://127.0.0.1:81/data/地图.pak\" to \"C:\\Game\\DownloadCache\\map.pak.tmp\": complete, "
            "3000000 of 3000000 bytes, 1200000 resumed, up to 5 connections, 812 ms");
  facts.result = 2;
  EXPECT_NE(support::downloadNote(system, facts).find(": incomplete, "), std::string::npos);
  facts.result = 0;
  facts.bytes = 0;
  facts.size = 0;
  EXPECT_NE(support::downloadNote(system, facts).find(": not started, 0 bytes of an unknown size, "), std::string::npos);

  EXPECT_EQ(support::installNote(system, "a.pak", "C:\\Game\\a.pak", 1, "installed"),
            "install \"a.pak\" to \"C:\\Game\\a.pak\": installed, 1 retry while the file was held");
  EXPECT_EQ(support::diskSpaceCause(139072, 100000),
            "not enough disk space, 139072 bytes needed, 100000 bytes free");
}

TEST(SupportNotes, ManifestSourceSaysWhichAddressAnsweredAndWhyOneDidNot) {
  EXPECT_EQ(support::manifestNote("127.0.0.1", 8888, ""), "manifest from \"127.0.0.1\" port 8888: answered");
  EXPECT_EQ(support::manifestNote("backup.example", 8282, "no answer"),
            "manifest from \"backup.example\" port 8282 failed: no answer");
}

}  // namespace
