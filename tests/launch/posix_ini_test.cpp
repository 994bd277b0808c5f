#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <fstream>
#include <sstream>

#include "platform/posix/host_text.h"
#include "platform/posix/ini_text.h"
#include "platform/posix/posix_ini.h"

namespace platform::posix {
namespace {

TEST(IniText, ReadsWithTheWindowsRules) {
  const std::string file =
      "; comment\r\n[Other]\r\nURL=wrong\r\n  [ internetshortcut ]  \r\n  url = http://a.example/x?y=1;z \r\n"
      "IconFile=\"C:\\icons\\a.ico\"\r\nquoted='half\r\n[InternetShortcut]\r\nURL=second\r\n";
  std::string v;
  ASSERT_TRUE(findIniValue(file, "InternetShortcut", "URL", v));
  EXPECT_EQ(v, "http://a.example/x?y=1;z");
  ASSERT_TRUE(findIniValue(file, "INTERNETSHORTCUT", "iconfile", v));
  EXPECT_EQ(v, "C:\\icons\\a.ico");
  ASSERT_TRUE(findIniValue(file, "InternetShortcut", "quoted", v));
  EXPECT_EQ(v, "'half");
  EXPECT_FALSE(findIniValue(file, "InternetShortcut", "Missing", v));
  EXPECT_FALSE(findIniValue(file, "Nowhere", "URL", v));
  EXPECT_FALSE(findIniValue(file, "Other", "IconFile", v));
}

TEST(IniText, WritingKeepsEveryOtherByte) {
  const std::string file = "[First]\r\nkeep=1\r\n\r\n[AAA]\r\n; note\r\nBBB = old \r\nother=2\r\n\r\n[Last]\nx=y";
  EXPECT_EQ(withIniValue(file, "aaa", "bbb", "1.0.3"),
            "[First]\r\nkeep=1\r\n\r\n[AAA]\r\n; note\r\nBBB =1.0.3\r\nother=2\r\n\r\n[Last]\nx=y");
  EXPECT_EQ(withIniValue(file, "First", "new", ""), "[First]\r\nkeep=1\r\nnew=\r\n\r\n[AAA]\r\n; note\r\nBBB = old \r\nother=2\r\n\r\n[Last]\nx=y");
  EXPECT_EQ(withIniValue(file, "Last", "z", "w"), file + "\r\nz=w\r\n");
  EXPECT_EQ(withIniValue(file, "aaa2", "bbb", "v"), file + "\r\n[aaa2]\r\nbbb=v\r\n");
  EXPECT_EQ(withIniValue("", "aaa", "bbb", "v"), "[aaa]\r\nbbb=v\r\n");
}

struct TempFolder {
  std::string path;
  TempFolder() {
    char name[] = "/tmp/launcher-ini-XXXXXX";
    path = ::mkdtemp(name);
  }
  ~TempFolder() { std::system(("rm -rf '" + path + "'").c_str()); }
  std::string launcher(const std::string& name) const { return launcherPath(path + "/" + name); }
  std::string read(const std::string& name) const {
    std::ifstream in(path + "/" + name, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
  }
  void write(const std::string& name, const std::string& bytes) const {
    std::ofstream(path + "/" + name, std::ios::binary) << bytes;
  }
};

TEST(PosixIni, WritesCreateUpdateAndKeepOtherSections) {
  TempFolder dir;
  PosixIni ini;
  std::string vf = dir.launcher("vf.ini");
  ASSERT_TRUE(ini.write(vf, "aaa", "bbb", "1.0"));
  EXPECT_EQ(dir.read("vf.ini"), "[aaa]\r\nbbb=1.0\r\n");
  dir.write("vf.ini", "[video]\r\nwidth=1024\r\n[aaa]\r\nbbb=1.0\r\nccc=3\r\n");
  ASSERT_TRUE(ini.write(vf, "aaa", "bbb", "2.0"));
  EXPECT_EQ(dir.read("vf.ini"), "[video]\r\nwidth=1024\r\n[aaa]\r\nbbb=2.0\r\nccc=3\r\n");
  EXPECT_EQ(ini.read(vf, "AAA", "BBB", 10240), "2.0");
  EXPECT_EQ(ini.read(vf, "video", "width", 10240), "1024");
}

TEST(PosixIni, ReadingSkipsLeadingControlsAndCutsAtTheBuffer) {
  TempFolder dir;
  PosixIni ini;
  dir.write("a.url", "[InternetShortcut]\r\nURL=" + std::string(20000, 'x') + "\r\n");
  std::string url = dir.launcher("a.url");
  EXPECT_EQ(ini.read(" \t" + url, "\x01InternetShortcut", "  URL", 10240), std::string(10239, 'x'));
  EXPECT_EQ(ini.read(url, " ", "URL", 10240), "");
  EXPECT_EQ(ini.read(url, "InternetShortcut", "", 10240), "");
  EXPECT_EQ(ini.read(dir.launcher("none.url"), "InternetShortcut", "URL", 10240), "");
}

TEST(PosixIni, AFileThatCannotBeWrittenStaysAsItWas) {
  TempFolder dir;
  PosixIni ini;
  dir.write("vf.ini", "[aaa]\r\nbbb=1\r\n");
  ::chmod((dir.path + "/vf.ini").c_str(), 0444);
  EXPECT_FALSE(ini.write(dir.launcher("vf.ini"), "aaa", "bbb", "2"));
  EXPECT_EQ(dir.read("vf.ini"), "[aaa]\r\nbbb=1\r\n");
}

TEST(PosixIni, AFolderInTheWayIsAFailedWrite) {
  TempFolder dir;
  ::mkdir((dir.path + "/vf.ini").c_str(), 0777);
  PosixIni ini;
  EXPECT_FALSE(ini.write(dir.launcher("vf.ini"), "aaa", "bbb", "2"));
}

}  // namespace
}  // namespace platform::posix
