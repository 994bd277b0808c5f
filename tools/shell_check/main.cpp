// shell-check link PATH   prints the target, arguments and icon of a shell link
// shell-check url PATH    prints the address and icon file of an internet shortcut
// shell-check echo HOST   prints the echo time in milliseconds (-1: no answer)
// Paths and texts are GBK, as the launcher holds them. Exit code 1 on bad arguments.
#include <cstdio>
#include <memory>
#include <string>

#include "launch/shortcut_files.h"
#include "platform/platform.h"

int main(int argc, char** argv) {
  if (argc != 3) {
    std::fprintf(stderr, "usage: shell-check link|url PATH | echo HOST\n");
    return 1;
  }
  std::unique_ptr<platform::NativePlatform> native = platform::makeNativePlatform();
  platform::Platform& p = native->get();
  std::string what = argv[1], path = argv[2];
  if (what == "link") {
    std::string arguments = "(unchanged)", icon = "(unchanged)";
    std::string target = launch::readLinkShortcut(p, path, arguments, icon);
    std::printf("target=%s\narguments=%s\nicon=%s\n", target.c_str(), arguments.c_str(), icon.c_str());
  } else if (what == "url") {
    std::string icon;
    std::string address = launch::readUrlShortcut(p, path, icon);
    std::printf("url=%s\nicon=%s\n", address.c_str(), icon.c_str());
  } else if (what == "echo") {
    std::printf("ms=%d\n", p.network.icmpEcho(path, 5000));
  } else {
    std::fprintf(stderr, "unknown request %s\n", what.c_str());
    return 1;
  }
  return 0;
}
