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
  for (const char* device : {"CON", "nul", "Aux.pak", "COM1.tmp", "lpt9", "PRN .txt"})
    EXPECT_FALSE(isSafeFileName(device)) << device;
  EXPECT_FALSE(isSafeSubfolder("data\\con"));
  for (const char* name : {"CONSOLE.pak", "COM0", "COM10.pak", "nul_patch.pak", "xCON"})
    EXPECT_TRUE(isSafeFileName(name)) << name;
  // A text that ends inside a two-byte character.
  EXPECT_FALSE(isSafeFileName("a\xCA"));
  EXPECT_FALSE(isSafeSubfolder("data\xCA"));
}

TEST(FolderLevels, SkipsEmptyLevels) {
  EXPECT_EQ(folderLevels("a\\\\b\\"), (std::vector<std::string>{"a", "b"}));
  EXPECT_EQ(folderLevels("a/b\\c"), (std::vector<std::string>{"a", "b", "c"}));
  EXPECT_TRUE(folderLevels("").empty());
}

}  // namespace
}  // namespace patching
