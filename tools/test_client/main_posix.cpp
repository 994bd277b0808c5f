#include <unistd.h>

#include <cstdlib>
#include <fstream>
#include <sstream>

#include "record.h"

int main(int argc, char** argv) {
  Started started;
  started.args.assign(argv, argv + argc);
  char buffer[4096];
  if (::getcwd(buffer, sizeof buffer)) started.cwd = buffer;
  std::ifstream settings("vf.ini", std::ios::binary);
  if (settings) {
    std::ostringstream bytes;
    bytes << settings.rdbuf();
    started.hasSettings = true;
    started.settings = bytes.str();
  }
  const char* folder = std::getenv("TEST_CLIENT_RECORD");
  int result = writeRecord(folder && *folder ? folder : "client_record", started);
  if (const char* stay = std::getenv("TEST_CLIENT_STAY_MS")) ::usleep(static_cast<useconds_t>(std::atoi(stay)) * 1000);
  return result;
}
