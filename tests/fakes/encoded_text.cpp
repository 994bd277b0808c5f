#include "fakes/encoded_text.h"

#include <gtest/gtest.h>
#include <iconv.h>

namespace fakes {

std::string encoded(const std::string& utf8, const char* charset) {
  iconv_t cd = ::iconv_open(charset, "UTF-8");
  if (cd == reinterpret_cast<iconv_t>(-1)) {
    ADD_FAILURE() << "no iconv conversion to " << charset;
    return {};
  }
  std::string in = utf8, out(utf8.size() * 2 + 4, '\0');
  char* from = in.data();
  char* to = out.data();
  size_t left = in.size(), room = out.size();
  size_t done = ::iconv(cd, &from, &left, &to, &room);
  ::iconv_close(cd);
  if (done == static_cast<size_t>(-1) || left != 0) ADD_FAILURE() << "\"" << utf8 << "\" has no " << charset << " form";
  out.resize(out.size() - room);
  return out;
}

}  // namespace fakes
