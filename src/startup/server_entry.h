#pragma once
#include <string>
#include <vector>

namespace startup {

// One server line of the manifest, fields in manifest order.
struct ServerEntry {
  std::string name;
  std::string Lip;
  std::string Lport;
  std::string Mip;
  std::string Mport;
  std::string sublocale;
  std::string version;
};

}  // namespace startup
