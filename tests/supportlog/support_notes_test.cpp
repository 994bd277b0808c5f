#include "support/support_notes.h"

#include <gtest/gtest.h>

#include "fakes/encoded_text.h"
#include "fakes/fake_platform.h"
#include "platform/posix/posix_system.h"

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

// A mirror's address from the manifest (GBK) reaches the log as UTF-8; counts of one are singular.
TEST(SupportNotes, SourceLinesAreUtf8AndCountInWords) {
  const std::string mirror = "http://127.0.0.1:8081/" + gbkOf("补丁") + "/a.pak";
  EXPECT_EQ(support::sourceServedNote(mirror, 0, "answered status 404"),
            "download from \"http://127.0.0.1:8081/补丁/a.pak\": 0 bytes, left: answered status 404");
  EXPECT_EQ(support::failingNote(mirror, "no answer", 1, false),
            "download failing \"http://127.0.0.1:8081/补丁/a.pak\": no answer, 1 failure since the last line");
  EXPECT_EQ(support::retriesNote(1), "download tried again 1 time after a failure");
}

// The launcher spells every path with '\' inside; the log shows them as the player's system
// writes them: '/' on Linux, '\' on Windows (the fake's system).
TEST(SupportNotes, PathsAreWrittenWithTheSystemsOwnSeparator) {
  platform::posix::PosixSystem posix;
  fakes::FakeSystem windows;
  support::DownloadFacts facts;
  facts.url = "http://127.0.0.1/a.pak";
  facts.target = "\\home\\player\\game\\DownloadCache\\a.pak.tmp";
  EXPECT_NE(support::downloadNote(posix, facts).find(" to \"/home/player/game/DownloadCache/a.pak.tmp\": "),
            std::string::npos);
  EXPECT_TRUE(support::startNote(posix, "1", "SC", "\\home\\player\\游戏\\")
                  .ends_with(", client folder \"/home/player/游戏/\""));
  EXPECT_EQ(support::heldFileCause(posix, "\\home\\p\\a.pak", "Client.exe"),
            "\"/home/p/a.pak\" is held by another program (\"Client.exe\")");
  EXPECT_EQ(support::unwritableFolderCause(windows, "C:\\Game\\"), "cannot create, rename and delete files in \"C:\\Game\\\"");
}

}  // namespace
