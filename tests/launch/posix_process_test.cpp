#include <gtest/gtest.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "platform/posix/host_text.h"
#include "platform/posix/posix_network.h"
#include "platform/posix/posix_process_starter.h"
#include "test_locations.h"

namespace platform::posix {
namespace {

namespace fs = std::filesystem;

std::string slurp(const fs::path& p) {
  std::ifstream in(p, std::ios::binary);
  std::ostringstream s;
  s << in.rdbuf();
  return s.str();
}

struct ClientFolder : ::testing::Test {
  fs::path dir;
  fs::path previous = fs::current_path();
  void SetUp() override {
    const char* build = LAUNCHER_BUILD_DIR;
    char name[] = "/tmp/launcher-client-XXXXXX";
    dir = ::mkdtemp(name);
    fs::create_directories(dir / "work");
    fs::copy_file(fs::path(build) / "tools" / "test-client", dir / "Client.exe");
    std::ofstream(dir / "work" / "vf.ini", std::ios::binary) << "[aaa]\r\nbbb=7\r\n";
  }
  void TearDown() override {
    fs::current_path(previous);
    if (!dir.empty()) fs::remove_all(dir);
  }
};

TEST_F(ClientFolder, TheClientGetsTheArgumentsAWindowsProgramWouldAndTheWorkingDirectory) {
  PosixProcessStarter starter;
  ProcessRecord record;
  // The application is found relative to the caller's folder, before the child changes folder.
  fs::current_path(dir);
  std::string command = "%1 code:1622 logip:A logport: setting:\"file://x=Regular, China\" sublocale:\xD6\xD0";
  ASSERT_TRUE(starter.create("Client.exe", command, launcherPath((dir / "work").string()), {}, record));
  EXPECT_GT(record.processId, 0u);
  starter.waitForExit(record.process);
  fs::path r = dir / "work" / "client_record" / "1";
  EXPECT_EQ(slurp(r / "argv0"), "%1");
  EXPECT_EQ(slurp(r / "args"),
            "code:1622\nlogip:A\nlogport:\nsetting:file://x=Regular, China\nsublocale:\xE4\xB8\xAD\n");
  EXPECT_EQ(slurp(r / "cwd"), (dir / "work").string());
  EXPECT_EQ(slurp(r / "vf.ini"), "[aaa]\r\nbbb=7\r\n");
}

TEST_F(ClientFolder, WithoutWorkingDirectoryTheClientInheritsTheCallersFolder) {
  PosixProcessStarter starter;
  ProcessRecord record;
  fs::current_path(dir);
  ASSERT_TRUE(starter.create("Client.exe", "", "", {}, record));
  starter.waitForExit(record.process);
  EXPECT_EQ(slurp(dir / "client_record" / "1" / "cwd"), dir.string());
  EXPECT_EQ(slurp(dir / "client_record" / "1" / "args"), "");
}

TEST_F(ClientFolder, MissingProgramsAndFoldersAreFailures) {
  PosixProcessStarter starter;
  ProcessRecord record;
  EXPECT_FALSE(starter.create(launcherPath((dir / "NoSuch.exe").string()), "%1 x", "", {}, record));
  EXPECT_EQ(record.processId, 0u);
  EXPECT_FALSE(starter.create(launcherPath((dir / "work").string()), "", "", {}, record));
}

TEST(PosixStandIns, ShortNamesAreThePathsThemselvesWhenTheyExist) {
  PosixProcessStarter starter;
  EXPECT_EQ(starter.shortPathName("\\tmp"), "\\tmp");
  EXPECT_EQ(starter.shortPathName("\\no\\such\\path"), "");
}

// The echo needs the system to allow ICMP datagram sockets to this user; where it does, the
// loopback answers, and where it does not the echo must say "unavailable" rather than hang.
TEST(PosixEcho, LoopbackAnswersWhenTheSystemAllowsIt) {
  PosixNetwork network;
  EXPECT_EQ(network.icmpEcho("no-such-host.invalid", 1000), -1);
  EXPECT_EQ(network.icmpEcho("", 1000), -1);
  int probe = ::socket(AF_INET, SOCK_DGRAM, IPPROTO_ICMP);
  int ms = network.icmpEcho("127.0.0.1", 2000);
  if (probe < 0) {
    EXPECT_EQ(ms, -1);
  } else {
    ::close(probe);
    EXPECT_GE(ms, 0);
    EXPECT_LT(ms, 2000);
  }
}

}  // namespace
}  // namespace platform::posix
