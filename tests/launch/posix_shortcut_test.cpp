#include <gtest/gtest.h>

#include <cstdint>

#include "platform/posix/command_line.h"
#include "platform/posix/shell_link_file.h"

namespace platform::posix {
namespace {

// Builds shell-link bytes the way the format lays them out.
struct LinkBytes {
  std::string b;
  void u16(uint32_t v) { b.push_back(static_cast<char>(v & 0xFF)), b.push_back(static_cast<char>(v >> 8 & 0xFF)); }
  void u32(uint32_t v) { u16(v & 0xFFFF), u16(v >> 16); }
  void header(uint32_t flags, int32_t iconIndex) {
    u32(0x4C);
    b += std::string("\x01\x14\x02\x00\x00\x00\x00\x00\xC0\x00\x00\x00\x00\x00\x00\x46", 16);
    u32(flags);
    b += std::string(0x38 - b.size(), '\0');
    u32(static_cast<uint32_t>(iconIndex));
    b += std::string(0x4C - b.size(), '\0');
  }
  void idList() {
    u16(6);
    b += std::string("\x04\x00zz\x00\x00", 6);
  }
  void linkInfo(const std::string& base, const std::string& suffix) {
    uint32_t headerSize = 0x1C, volume = headerSize, volumeSize = 0x11;
    uint32_t baseAt = volume + volumeSize, suffixAt = baseAt + static_cast<uint32_t>(base.size()) + 1;
    uint32_t size = suffixAt + static_cast<uint32_t>(suffix.size()) + 1;
    u32(size), u32(headerSize), u32(1), u32(volume), u32(baseAt), u32(0), u32(suffixAt);
    u32(volumeSize), u32(3), u32(0), u32(0x10), b.push_back('\0');
    b += base + '\0' + suffix + '\0';
  }
  void unicode(const std::string& ascii) {
    u16(static_cast<uint32_t>(ascii.size()));
    for (char c : ascii) u16(static_cast<unsigned char>(c));
  }
};

TEST(ShellLinkFile, ReadsTargetArgumentsAndIconOfALocalLink) {
  LinkBytes l;
  l.header(0x1 | 0x2 | 0x4 | 0x20 | 0x40 | 0x80, 3);
  l.idList();
  l.linkInfo("C:\\Game\\", "Client.exe");
  l.unicode("Play the game");
  l.unicode("-window \"a b\"");
  l.unicode("C:\\Game\\icon.ico");
  l.u32(0);
  LinkShortcut link;
  ASSERT_TRUE(parseShellLink(l.b, link));
  EXPECT_EQ(link.targetPath, "C:\\Game\\Client.exe");
  EXPECT_EQ(link.arguments, "-window \"a b\"");
  EXPECT_EQ(link.iconLocation, "C:\\Game\\icon.ico,3");
}

TEST(ShellLinkFile, AFolderLinkWithoutArgumentsAndAnEnvironmentTarget) {
  LinkBytes folder;
  folder.header(0x2 | 0x80, 0);
  folder.linkInfo("C:\\Game\\Data", "");
  LinkShortcut link;
  ASSERT_TRUE(parseShellLink(folder.b, link));
  EXPECT_EQ(link.targetPath, "C:\\Game\\Data");
  EXPECT_EQ(link.arguments, "");
  EXPECT_EQ(link.iconLocation, ",0");

  LinkBytes env;
  env.header(0x200 | 0x80, 0);
  env.u32(8 + 260 + 520);
  env.u32(0xA0000001);
  std::string ansi = "%windir%\\notepad.exe";
  env.b += ansi + std::string(260 - ansi.size(), '\0');
  env.b += std::string(520, '\0');
  env.u32(0);
  ASSERT_TRUE(parseShellLink(env.b, link));
  EXPECT_EQ(link.targetPath, "%windir%\\notepad.exe");
}

TEST(ShellLinkFile, ATerminatingNulCountedAsACharacterEndsTheText) {
  LinkBytes l;
  l.header(0x2 | 0x20 | 0x40 | 0x80, 2);
  l.linkInfo("C:\\Game\\", "Client.exe");
  l.unicode(std::string("-window \"a b\"\0", 14));
  l.unicode(std::string("C:\\Game\\Client.exe\0", 19));
  LinkShortcut link;
  ASSERT_TRUE(parseShellLink(l.b, link));
  EXPECT_EQ(link.arguments, "-window \"a b\"");
  EXPECT_EQ(link.iconLocation, "C:\\Game\\Client.exe,2");
}

TEST(ShellLinkFile, RejectsWhatIsNoLinkAndNeverReadsPastTheEnd) {
  LinkShortcut link;
  EXPECT_FALSE(parseShellLink("", link));
  EXPECT_FALSE(parseShellLink(std::string(0x4C, '\0'), link));
  LinkBytes l;
  l.header(0x2 | 0x20 | 0x80, 0);
  l.linkInfo("C:\\Game\\", "Client.exe");
  l.unicode("-window");
  for (size_t cut = 0x4C; cut < l.b.size(); ++cut) {
    LinkShortcut partial;
    EXPECT_FALSE(parseShellLink(l.b.substr(0, cut), partial) && partial.arguments == "-window") << cut;
  }
  // A location record that claims more bytes than the file has.
  LinkBytes bad;
  bad.header(0x2, 0);
  bad.u32(0xFFFFFF00);
  EXPECT_TRUE(parseShellLink(bad.b, link) == false || link.targetPath.empty());
}

TEST(CommandLineSplit, GivesTheArgumentsAWindowsProgramWouldSee) {
  EXPECT_EQ(splitCommandLine("%1 code:1622 logip:A logport: chatip:B chatport:Q "
                             "setting:\"file://data/features.xml=Regular, China\" sublocale:S"),
            (std::vector<std::string>{"%1", "code:1622", "logip:A", "logport:", "chatip:B", "chatport:Q",
                                      "setting:file://data/features.xml=Regular, China", "sublocale:S"}));
  EXPECT_EQ(splitCommandLine("\"C:\\Program Files\\a.exe\" x"),
            (std::vector<std::string>{"C:\\Program Files\\a.exe", "x"}));
  EXPECT_EQ(splitCommandLine("p a\\\\\"b c\" d\\\"e f\\g \"h\"\"i\""),
            (std::vector<std::string>{"p", "a\\b c", "d\"e", "f\\g", "h\"i"}));
  EXPECT_EQ(splitCommandLine("  p\t \"\" "), (std::vector<std::string>{"p", ""}));
  EXPECT_TRUE(splitCommandLine("   ").empty());
}

}  // namespace
}  // namespace platform::posix
