#include <gtest/gtest.h>

#include "patching/patch_paths.h"
#include "patching_fixture.h"

namespace patching {
namespace {

using patching_test::gbk;

PatchEntry entry(const std::string& name, const std::string& path) {
  PatchEntry e;
  e.name = name;
  e.path = path;
  return e;
}

TEST(LocalPath, JoinedAsWritten) {
  EXPECT_EQ(localPathOf("C:\\Game\\", entry("a.pack", "data")), "C:\\Game\\data\\a.pack");
  EXPECT_EQ(localPathOf("C:\\Game\\", entry("a.pack", "")), "C:\\Game\\a.pack");
  EXPECT_EQ(localPathOf("C:\\Game\\", entry("a.pack", "data\\")), "C:\\Game\\data\\\\a.pack");
  EXPECT_EQ(localPathOf("C:\\Game\\", entry("a.pack", "a\\b\\c")), "C:\\Game\\a\\b\\c\\a.pack");
}

TEST(SafeLocation, OrdinaryNamesAndFolders) {
  EXPECT_TRUE(isSafePatchLocation(entry("a.pack", "")));
  EXPECT_TRUE(isSafePatchLocation(entry("a.pack", "data")));
  EXPECT_TRUE(isSafePatchLocation(entry("a.pack", "data\\maps\\new")));
  EXPECT_TRUE(isSafePatchLocation(entry("..a.pack", "data..")));
  EXPECT_TRUE(isSafePatchLocation(entry("a b.pack", "my data/sub")));
  // Two-byte characters whose trail byte is '\' or '|' in ASCII.
  std::string jo = gbk("乗"), bar = gbk("瞸");
  ASSERT_EQ(jo[1], '\\');
  ASSERT_EQ(bar[1], '|');
  EXPECT_TRUE(isSafePatchLocation(entry(jo + bar + ".pack", jo + "\\" + bar)));
  EXPECT_EQ(folderLevels(jo + "\\" + bar), (std::vector<std::string>{jo, bar}));
}

TEST(SafeLocation, EscapesFromTheClientFolderAreRefused) {
  for (const char* path : {"..", "..\\..\\Windows", "data\\..\\..", "C:\\Windows", "C:data", "\\Windows",
                           "\\\\server\\share", "/etc", "data/../..", ".", "data\\ ..", "data\\. \\x"})
    EXPECT_FALSE(isSafeSubfolder(path)) << path;
  for (const char* name : {"", "..", ".", "a\\b.pack", "..\\a.pack", "a/b", "C:a.pack", "a<b", "a>b", "a\"b",
                           "a|b", "a?b", "a*b", "a\tb", ".. "})
    EXPECT_FALSE(isSafeFileName(name)) << name;
  EXPECT_FALSE(isSafeFileName(std::string("a\0b", 3)));
  // Superscript digits as code page 1252 (one byte) and UTF-8 (two) spell them.
  for (const char* device : {"CON", "nul", "Aux.pak", "COM1.tmp", "lpt9", "PRN .txt", "CONIN$", "conout$.log",
                             "Clock$.pak", "COM\xB9", "com\xB2.pak", "LPT\xB3.tmp", "lpt\xB9 .x",
                             "COM\xC2\xB2.pak", "LPT\xC2\xB3"})
    EXPECT_FALSE(isSafeFileName(device)) << device;
  EXPECT_FALSE(isSafeSubfolder("data\\con"));
  EXPECT_FALSE(isSafeSubfolder("data\\CONOUT$\\x"));
  for (const char* name : {"CONSOLE.pak", "COM0", "COM10.pak", "nul_patch.pak", "xCON", "CONIN", "CLOCK.pak",
                           "COM\xB4.pak", "LPT\xB2\xB3.pak"})
    EXPECT_TRUE(isSafeFileName(name)) << name;
  // A text that ends inside a two-byte character.
  EXPECT_FALSE(isSafeFileName("a\xCA"));
  EXPECT_FALSE(isSafeSubfolder("data\xCA"));
}

// 0x80 and 0xFF begin no GBK character: a separator, ':' or device name after them counts.
TEST(SafeLocation, BytesOutsideTheLeadRangeHideNothing) {
  for (const char* path : {"\x80\\CON", "\xFF\\CON", "data\\\x80\\nul", "\xFF\\a\\PRN.x"})
    EXPECT_FALSE(isSafeSubfolder(path)) << path;
  for (const char* name : {"a\x80\\b.pak", "a\xFF\\b.pak", "a.pak\x80:ads", "a.pak\xFF:ads", "a\x80/b", "\x80|"})
    EXPECT_FALSE(isSafeFileName(name)) << name;
  EXPECT_FALSE(isSafePatchLocation(entry("a.pak\x80:ads", "")));
  EXPECT_FALSE(isSafePatchLocation(entry("a.pak", "\x80\\CON")));
  // The bytes themselves are allowed, as the single-byte characters they are.
  EXPECT_TRUE(isSafeFileName("a\x80.pak"));
  EXPECT_TRUE(isSafeSubfolder("data\\\xFF"));
}

TEST(FolderLevels, SkipsEmptyLevels) {
  EXPECT_EQ(folderLevels("a\\\\b\\"), (std::vector<std::string>{"a", "b"}));
  EXPECT_EQ(folderLevels("a/b\\c"), (std::vector<std::string>{"a", "b", "c"}));
  EXPECT_TRUE(folderLevels("").empty());
}

}  // namespace
}  // namespace patching
