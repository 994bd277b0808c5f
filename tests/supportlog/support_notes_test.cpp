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

// The lines of a download's sources: short, one kind per prefix, the address without its
// cache-busting stamp converted from the manifest's GBK.
TEST(SupportNotes, SourceLinesNameTheAddressTheBytesAndWhy) {
  const std::string mirror = "http://127.0.0.1:8081/" + gbkOf("补丁") + "/a.pak";
  const std::pair<std::string, std::string> cases[] = {
      {support::sourceServedNote("http://10.0.0.1/a.pak", 1048576, ""), "download from \"http://10.0.0.1/a.pak\": 1048576 bytes"},
      {support::sourceServedNote(mirror, 0, "answered status 404"),
       "download from \"http://127.0.0.1:8081/补丁/a.pak\": 0 bytes, left: answered status 404"},
      {support::sourceLeftNote(mirror, "no connection"), "download left \"http://127.0.0.1:8081/补丁/a.pak\": no connection"},
      {support::failingNote("http://10.0.0.1/a.pak", "no connection", 1, true),
       "download failing \"http://10.0.0.1/a.pak\": no connection, first failure"},
      {support::failingNote("http://10.0.0.1/a.pak", "no answer", 1, false),
       "download failing \"http://10.0.0.1/a.pak\": no answer, 1 failure since the last line"},
      {support::failingNote("http://10.0.0.1/a.pak", "answer broke off", 12, false),
       "download failing \"http://10.0.0.1/a.pak\": answer broke off, 12 failures since the last line"},
      {support::retriesNote(1), "download tried again 1 time after a failure"},
      {support::retriesNote(13), "download tried again 13 times after a failure"},
  };
  for (const auto& [line, expected] : cases) EXPECT_EQ(line, expected);
}

TEST(SupportNotes, TheManifestLineNamesTheKeyThatVerifiedIt) {
  EXPECT_EQ(support::manifestNote("10.1.1.1", 8888, "", support::signerNote("key2", "0123456789abcdef", 2026121001)),
            "manifest from \"10.1.1.1\" port 8888: answered, signed by key2 0123456789abcdef, serial 2026121001");
  EXPECT_EQ(support::manifestNote("10.1.1.1", 8888, ""), "manifest from \"10.1.1.1\" port 8888: answered");
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
