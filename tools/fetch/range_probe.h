#pragma once
#include <cstdint>
#include <string>

#include "download/http_head.h"

namespace fetchtool {

// What one small ranged request brought back: the response head, or why none came.
struct ProbeAnswer {
  std::string failure;  // empty when `head` is the server's answer
  download::ResponseHead head;
};

// Asks `address` for bytes `first` to `last` the way the download engine reaches a server:
// the system's proxy (a CONNECT tunnel for https), TLS checked against the system's trust
// store, redirects followed. Only the head is read; the connection is closed after it.
ProbeAnswer askRange(const std::string& address, int64_t first, int64_t last);

}  // namespace fetchtool
