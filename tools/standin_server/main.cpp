// The stand-in operator server: manifest servers, a file server and login servers on one
// machine, for tests, the demo and operators checking a release before publishing it.
#include <fcntl.h>
#include <signal.h>
#include <unistd.h>

#include <cstdio>
#include <string>
#include <vector>

#include "options.h"
#include "server.h"

namespace {

int stopPipe[2] = {-1, -1};

// The byte is never read: the pipe stays readable, so every waiting thread sees the stop.
void onSignal(int) {
  char c = 's';
  [[maybe_unused]] ssize_t n = ::write(stopPipe[1], &c, 1);
}

}  // namespace

int main(int argc, char** argv) {
  std::vector<std::string> args(argv + 1, argv + argc);
  standin::Config config;
  std::string error;
  if (args.size() == 1 && (args[0] == "--help" || args[0] == "-h")) {
    std::fputs(standin::kUsage, stdout);
    return 0;
  }
  if (!standin::parseOptions(args, config, error)) {
    std::fprintf(stderr, "standin-server: %s\n%s", error.c_str(), standin::kUsage);
    return 2;
  }
  FILE* logFile = config.logFile.empty() ? stderr : std::fopen(config.logFile.c_str(), "a");
  if (!logFile) {
    std::fprintf(stderr, "standin-server: cannot open log %s\n", config.logFile.c_str());
    return 2;
  }
  if (::pipe2(stopPipe, O_CLOEXEC) != 0) return 1;
  struct sigaction sa{};
  sa.sa_handler = onSignal;
  sigaction(SIGTERM, &sa, nullptr);
  sigaction(SIGINT, &sa, nullptr);
  signal(SIGPIPE, SIG_IGN);

  standin::Log log(logFile);
  int rc = 0;
  {
    standin::Server server(config, log, stopPipe[0]);
    if (!server.open(error) || !server.writePortsFile(error)) {
      std::fprintf(stderr, "standin-server: %s\n", error.c_str());
      log.line("failed: " + error);
      rc = 1;
    } else {
      server.run();
    }
  }
  if (logFile != stderr) std::fclose(logFile);
  return rc;
}
