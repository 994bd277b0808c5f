#pragma once
#include <string>

namespace download {

// An http or https address split into what a request needs.
struct Url {
  std::string host;
  int port = 80;
  std::string path = "/";  // with its query, always beginning with '/'
  bool secure = false;     // https: TLS over the connection
};

// Removes leading and trailing ASCII spaces and GBK full-width spaces.
std::string trimBlanks(const std::string& text);
// Parses "http://host[:port][/path]" or "https://..." (the scheme may be missing, which
// means http); false for anything else.
bool parseUrl(const std::string& text, Url& url);
// The path without the launcher's cache-busting "?t=<stamp>" at its end, which differs on
// every run.
std::string withoutStamp(const std::string& path);
// Both addresses name the same file on the same server, whatever their stamps.
bool sameResource(const Url& a, const Url& b);
// The whole address again, "http[s]://host[:port]/path".
std::string formatUrl(const Url& url);
// The address up to, not including, its last '/' (the default referer).
std::string defaultReferer(const std::string& address);
// The target of a redirect, resolved against the address that was asked for: an absolute
// address, one without a scheme ("//host/path"), an absolute or a relative path. A redirect
// from https to plain http is refused (false), as is anything that is no usable address.
bool resolveLocation(const Url& base, const std::string& location, Url& target);

}  // namespace download
