#pragma once
#include <map>
#include <string>
#include <vector>

namespace standin {

enum class Role { Primary, Secondary, Files };
const char* roleName(Role role);

// What a faulty run does to the answers of one listener.
struct Fault {
  long closeAfter = -1;     // send at most this many bytes of the answer, then close
  long wrongLength = -1;    // announce this Content-Length whatever the body is
  bool stall = false;       // send nothing, keep the connection open
  long stallAfter = -1;     // send this many bytes, then keep the connection open
  int status = 0;           // answer every request with this status
  bool ignoreRange = false; // answer ranged requests with the whole file and 200
  long resetAfter = -1;     // send at most this many bytes, then abort the connection (RST)
  long rate = 0;            // send the body at most this many bytes per second
  long flipByte = -1;       // send the body with the byte at this offset inverted (tampering)
  bool any() const {
    return closeAfter >= 0 || wrongLength >= 0 || stall || stallAfter >= 0 || status != 0 || ignoreRange ||
           resetAfter >= 0 || rate > 0 || flipByte >= 0;
  }
};

struct Redirect {
  std::string target;
  int status = 302;
};

struct Login {
  int port = 0;
  std::vector<int> pieces{4};  // byte counts sent one after another; {0} sends nothing
};

struct Config {
  std::string bind = "127.0.0.1";
  std::string manifest;
  std::string primaryManifest;
  std::string secondaryManifest;
  int primaryPort = 8888;
  int secondaryPort = 8282;
  bool primary = true;
  bool secondary = true;
  std::string filesDir;
  int filesPort = 0;
  std::map<std::string, Redirect> redirects;  // request path -> where to
  std::vector<Login> logins;
  std::map<Role, Fault> faults;
  long faultLimit = -1;  // faulted requests per listener; -1 is every request
  bool expand = false;
  std::string portsFile;
  std::string logFile;

  const std::string& manifestFor(Role role) const;
};

// Parses the command line; false with `error` set on anything it does not understand.
bool parseOptions(const std::vector<std::string>& args, Config& config, std::string& error);
extern const char* const kUsage;

}  // namespace standin
