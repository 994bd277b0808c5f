#pragma once
#include <string>

namespace download {

// An http address split into what a request needs.
struct Url {
  std::string host;
  int port = 80;
  std::string path = "/";  // with its query, always beginning with '/'
};

// Removes leading and trailing ASCII spaces and GBK full-width spaces.
std::string trimBlanks(const std::string& text);
// Parses "http://host[:port][/path]" (the scheme may be missing); false for anything else.
bool parseUrl(const std::string& text, Url& url);
// The path without the launcher's cache-busting "?t=<stamp>" at its end, which differs on
// every run.
std::string withoutStamp(const std::string& path);
// Both addresses name the same file on the same server, whatever their stamps.
bool sameResource(const Url& a, const Url& b);
// The whole address again, "http://host[:port]/path".
std::string formatUrl(const Url& url);
// The address up to, not including, its last '/' (the default referer).
std::string defaultReferer(const std::string& address);
// The target of a redirect: an absolute http address, or a path on the same server.
bool resolveLocation(const Url& base, const std::string& location, Url& target);

}  // namespace download
