#pragma once
#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include "download/engine_fixture.h"
#include "download/engine_texts.h"
#include "download/url.h"

namespace dltest {

// "host:port" of an address: how the engine names a source it leaves.
inline std::string sourceName(const std::string& url) {
  download::Url u;
  download::parseUrl(url, u);
  return u.host + ":" + std::to_string(u.port);
}

// One file, fetched from several sources into a folder of its own.
class MirrorDownload : public ::testing::Test {
 protected:
  TempFolder folder;
  std::string file = folder.path("patch.bin.tmp");
  std::string body = patternBody(1000003);
  EventLog log;
  download::DownloadEngine engine;

  download::TaskParameters withMirrors(const std::string& url, std::vector<std::string> mirrors) {
    download::TaskParameters p = log.params(url, file);
    p.mirrors = std::move(mirrors);
    return p;
  }
  // The download said it left the source at `url`.
  bool dropped(const std::string& url) const {
    return log.saidText(download::texts::kSourceDropped + sourceName(url) + "]");
  }
};

}  // namespace dltest
