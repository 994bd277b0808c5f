#include "manifest_check.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>

#include "manifest_maker.h"
#include "patching/md5.h"
#include "signing.h"

namespace maker {
namespace {

namespace fs = std::filesystem;

class ManifestCheck : public ::testing::Test {
 protected:
  void SetUp() override {
    dir = fs::temp_directory_path() / ("check_test_" + std::to_string(::testing::UnitTest::GetInstance()->random_seed()) +
                                       "_" + ::testing::UnitTest::GetInstance()->current_test_info()->name());
    fs::remove_all(dir);
    fs::create_directories(dir / "release" / "data");
    write(dir / "release" / "a.txt", "abc");
    for (int i = 0; i < 40; ++i) header += static_cast<char>(i);
    write(dir / "release" / "data" / "b.pak", header);
    write(dir / "release" / "short.pak", "0123456789");
  }
  void TearDown() override { fs::remove_all(dir); }
  void write(const fs::path& path, const std::string& bytes) { std::ofstream(path, std::ios::binary) << bytes; }

  // The problems of `manifest` as "LINE: text", checked against the release folder.
  std::vector<std::string> problems(const std::string& manifest, CheckOptions o = {}) {
    write(dir / "m.xml", manifest);
    o.manifest = (dir / "m.xml").string();
    if (o.releaseDir.empty()) o.releaseDir = (dir / "release").string();
    CheckResult r;
    std::string error;
    EXPECT_TRUE(checkManifest(o, r, error)) << error;
    std::vector<std::string> out;
    for (const auto& p : r.problems) out.push_back(std::to_string(p.line) + ": " + p.text);
    verifiedKeyId = r.verifiedKeyId;
    return out;
  }

  fs::path dir;
  std::string header, verifiedKeyId;
};

std::string good() {
  return "<?xml version=\"1.0\" encoding=\"gb2312\"?>\r\n"
         "<UpdateInfo>\r\n"
         "  <ServerList>\r\n"
         "    <S name=\"one\" Lip=\"10.0.0.1\" Lport=\"7000\" Mip=\"10.0.0.2\" Mport=\"7001\"/>\r\n"
         "  </ServerList>\r\n"
         "  <Launcher url=\"http://h/DLQ.exe\" ver=\"0.0.2\"/>\r\n"
         "  <PatchList>\r\n"
         "    <P name=\"a.txt\" path=\"\" size=\"3\" CheckCode=\"900150983CD24FB0D6963F7D28E17F72\" url=\"http://h/a.txt\" isupdate=\"true\"/>\r\n"
         "    <P name=\"b.pak\" path=\"data\" size=\"40\" CheckCode=\"1011121314151617\" url=\"http://h/data/b.pak\" isupdate=\"true\"/>\r\n"
         "  </PatchList>\r\n"
         "</UpdateInfo>\r\n";
}

std::string replaced(std::string s, const std::string& from, const std::string& to) {
  size_t at = s.find(from);
  EXPECT_NE(at, std::string::npos) << from;
  return at == std::string::npos ? s : s.replace(at, from.size(), to);
}

bool contains(const std::vector<std::string>& lines, const std::string& expected) {
  for (const auto& l : lines)
    if (l.find(expected) != std::string::npos) return true;
  return false;
}

std::string joined(const std::vector<std::string>& lines) {
  std::string s;
  for (const auto& l : lines) s += l + "\n";
  return s;
}

TEST_F(ManifestCheck, AGoodManifestHasNoProblemsAndEachFaultIsReportedAtItsLine) {
  EXPECT_EQ(problems(good()), std::vector<std::string>{});
  const std::string entryB = "<P name=\"b.pak\" path=\"data\"";
  struct Case {
    std::string from, to;
    std::string expected;  // "LINE: part of the problem"
  } cases[] = {
      {" Lip=\"10.0.0.1\"", "", "4: server line without Lip"},
      {"Lport=\"7000\"", "Lport=\"70000\"", "4: Lport \"70000\" is not a port"},
      {"Mport=\"7001\"", "Mport=\"x\"", "4: Mport \"x\" is not a port"},
      {"Mip=\"10.0.0.2\"", "Mip=\"10.0.0.2 -x\"", "4: Mip \"10.0.0.2 -x\" holds blanks"},
      {"<S name=\"one\" Lip=\"10.0.0.1\" Lport=\"7000\" Mip=\"10.0.0.2\" Mport=\"7001\"/>", "",
       "3: ServerList without server lines"},
      {" url=\"http://h/DLQ.exe\"", "", "6: Launcher without url"},
      {" ver=\"0.0.2\"", "", "6: Launcher without ver"},
      {"url=\"http://h/DLQ.exe\"", "url=\"ftp://h/DLQ.exe\"", "6: url \"ftp://h/DLQ.exe\" is not an http"},
      {"</PatchList>", "</PatchList><Launcher/>", "10: a second Launcher: the launcher reads only the one at line 6"},
      {"900150983CD24FB0D6963F7D28E17F72", "900150983cd24fb0d6963f7d28e17f72", "8: CheckCode \"900150983cd24fb0d6963f7d28e17f72\" is neither"},
      {"900150983CD24FB0D6963F7D28E17F72", "900150983CD24FB0D6963F7D28E17F7", "8: CheckCode \"900150983CD24FB0D6963F7D28E17F7\" is neither"},
      {"900150983CD24FB0D6963F7D28E17F72", "00000000000000000000000000000000", "8: CheckCode 00000000000000000000000000000000, but a.txt has 9001"},
      {"1011121314151617", "1011121314151618", "9: CheckCode 1011121314151618, but data/b.pak has 1011121314151617"},
      {"size=\"3\"", "size=\"4\"", "8: size 4, but a.txt has 3 bytes"},
      {"size=\"3\"", "size=\"3 bytes\"", "8: size \"3 bytes\" is not a number of bytes"},
      {" size=\"3\"", "", "8: patch entry without size"},
      {" CheckCode=\"900150983CD24FB0D6963F7D28E17F72\"", "", "8: patch entry without CheckCode"},
      {" url=\"http://h/a.txt\"", "", "8: patch entry without url"},
      {"name=\"a.txt\"", "name=\"\"", "8: patch entry without name"},
      {"name=\"a.txt\"", "name=\"gone.txt\"", "8: missing from the release folder: gone.txt"},
      {"name=\"a.txt\"", "name=\"CON.txt\"", "8: name \"CON.txt\" is unsafe"},
      {"name=\"a.txt\"", "name=\"a\\b.txt\"", "8: name \"a\\b.txt\" is unsafe"},
      {"path=\"data\"", "path=\"..\\data\"", "9: path \"..\\data\" leads out of the client folder"},
      {"path=\"data\"", "path=\"C:\\data\"", "9: path \"C:\\data\" leads out"},
      {"path=\"data\"", "path=\"\\\\server\\data\"", "9: path \"\\\\server\\data\" leads out"},
      {"isupdate=\"true\"", "isupdate=\"True\"", "8: isupdate \"True\" is neither"},
      {"</PatchList>", "  <P name=\"B.PAK.\" path=\"DATA\\\\\" size=\"40\" CheckCode=\"1011121314151617\" url=\"http://h/x\"/>\r\n  </PatchList>",
       "10: the same file as line 9: \"DATA\\\\\\B.PAK.\""},
      {"</PatchList>", "  <P name=\"short.pak\" size=\"10\" CheckCode=\"3031323334353637\" url=\"http://h/s\"/>\r\n  </PatchList>",
       "10: a header code for short.pak, which has 10 bytes"},
      {"</PatchList>", "", "11: not well-formed XML"},
      {"</PatchList>", "</PatchList><MirrorList base=\"http://h\">\r\n<M base=\"h2/p\"/></MirrorList>",
       "11: MirrorList base \"h2/p\" is not an http"},
      {"<UpdateInfo>", "<Update>", "not well-formed XML"},
  };
  for (const Case& c : cases) {
    auto found = problems(replaced(good(), c.from, c.to));
    EXPECT_TRUE(contains(found, c.expected)) << c.expected << "\n got:\n" << joined(found);
  }
  // A header code for a short file is told from the size alone, without the folder.
  CheckOptions noFolder;
  noFolder.releaseDir = "";
  write(dir / "m.xml", replaced(good(), "size=\"40\"", "size=\"20\""));
  noFolder.manifest = (dir / "m.xml").string();
  CheckResult r;
  std::string error;
  ASSERT_TRUE(checkManifest(noFolder, r, error));
  ASSERT_EQ(r.problems.size(), 1u);
  EXPECT_EQ(r.problems[0].line, 9u);
  EXPECT_NE(r.problems[0].text.find("a header code for a file of 20 bytes"), std::string::npos);
}

TEST_F(ManifestCheck, TheRootAndTheServerListAreWhatTheLauncherRefusesFirst) {
  EXPECT_TRUE(contains(problems("<Other/>"), "1: the root element is not UpdateInfo"));
  EXPECT_TRUE(contains(problems("<UpdateInfo>\n</UpdateInfo>"), "1: no ServerList"));
}

TEST_F(ManifestCheck, SignaturesSerialsAndExpiryAreJudgedAsAKeyedLauncherDoes) {
  SigningKey key, other;
  std::string error;
  ASSERT_TRUE(SigningKey::generate(key, error) && SigningKey::generate(other, error)) << error;
  write(dir / "key.pem", key.privatePem());
  write(dir / "old.xml", good());  // ServerList and Launcher from here
  MakerOptions m;
  m.releaseDir = (dir / "release").string();
  m.baseUrl = "http://h";
  m.existingManifest = (dir / "old.xml").string();
  m.signKeyFile = (dir / "key.pem").string();
  m.serial = 500;
  m.expiresDays = 1;
  m.exclude = {"short.pak"};
  std::string signedText;
  std::vector<std::string> warnings;
  ASSERT_TRUE(makeManifest(m, signedText, error, warnings)) << error;

  CheckOptions o;
  o.keys = {key.publicKey()};
  auto found = problems(signedText, o);
  // The Launcher of old.xml has no sha256.
  EXPECT_EQ(found, std::vector<std::string>{"6: Launcher without sha256 in a signed manifest: launchers that require "
                                            "signatures refuse it"});
  EXPECT_FALSE(verifiedKeyId.empty());
  size_t last = static_cast<size_t>(std::count(signedText.begin(), signedText.end(), '\n'));
  o.keys = {other.publicKey()};
  EXPECT_TRUE(contains(problems(signedText, o), std::to_string(last) + ": signed by an unknown key"));
  o.keys = {other.publicKey(), key.publicKey()};
  EXPECT_TRUE(contains(problems(replaced(signedText, "http://h/a.txt", "http://e/a.txt"), o), "the signature of key"));
  EXPECT_TRUE(contains(problems(replaced(signedText, "<!-- signature", "<!--  signature"), o), "1: not signed"));
  o.minSerial = 501;
  EXPECT_TRUE(contains(problems(signedText, o), "2: serial 500 is older than 501"));
  o.minSerial.reset();
  o.now = std::chrono::duration_cast<std::chrono::seconds>(std::chrono::system_clock::now().time_since_epoch()).count() +
          2 * 86400;
  EXPECT_TRUE(contains(problems(signedText, o), "2: expired"));
  // Without the signature's protection, a digest that is not one is still seen.
  EXPECT_TRUE(contains(problems(replaced(good(), "isupdate=\"true\"", "isupdate=\"true\" sha256=\"ABC\"")),
                       "8: sha256 \"ABC\" is not 64 lower-case"));
}

TEST_F(ManifestCheck, PublicKeysAreReadAsTrustTakesThemFromTextOrFiles) {
  SigningKey key;
  std::string error;
  ASSERT_TRUE(SigningKey::generate(key, error)) << error;
  std::string text = publicKeyText(key.publicKey());
  write(dir / "key.pem", key.privatePem());
  write(dir / "printed.txt", "; public key of key.pem\nkey2 = " + text + "\n");
  write(dir / "operator.ini", "[manifest]\nprimary = 1.2.3.4\n[trust]\nkey1 =\nkey2 = " + text + " ; new\n");
  write(dir / "nokey.txt", "[trust]\nkey1 =\n");
  for (std::string source : {text, (dir / "key.pem").string(), (dir / "printed.txt").string(),
                             (dir / "operator.ini").string()}) {
    std::vector<platform::P256PublicKey> keys;
    ASSERT_TRUE(readPublicKeys(source, keys, error)) << source << ": " << error;
    ASSERT_EQ(keys.size(), 1u) << source;
    EXPECT_EQ(keys[0], key.publicKey()) << source;
  }
  std::vector<platform::P256PublicKey> keys;
  EXPECT_FALSE(readPublicKeys((dir / "nokey.txt").string(), keys, error));
  EXPECT_FALSE(readPublicKeys("not-a-key", keys, error));
  EXPECT_FALSE(readPublicKeys(text.substr(1), keys, error));
}

}  // namespace
}  // namespace maker
