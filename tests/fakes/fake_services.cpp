#include "fakes/fake_services.h"

namespace fakes {

platform::HttpAnswer FakeHttp::get(const std::string& host, int port, const std::string& pathAndQuery, bool secure) {
  std::string where = (secure ? "https://" : "") + host + ":" + std::to_string(port);
  requests.push_back(where + pathAndQuery);
  auto it = bodies.find(where + pathAndQuery.substr(0, pathAndQuery.find('?')));
  return {it == bodies.end() ? "" : it->second};
}

int FakeNetwork::icmpEcho(const std::string& host, int) {
  echoed.push_back(host);
  auto it = echoMs.find(host);
  return it == echoMs.end() ? -1 : it->second;
}

bool FakeRegistry::defaultValue(platform::RegistryRoot root, const std::string& key, std::string& value) {
  auto it = values.find({root, key});
  if (it == values.end()) return false;
  value = it->second;
  return true;
}

bool FakeRegistry::userDword(const std::string& key, const std::string& name, uint32_t& value) {
  auto it = userDwords.find({key, name});
  if (it == userDwords.end()) return false;
  value = it->second;
  return true;
}

bool FakeRegistry::setUserDword(const std::string& key, const std::string& name, uint32_t value) {
  if (readOnly) return false;
  ++userWrites;
  userDwords[{key, name}] = value;
  return true;
}

std::string FakeIni::read(const std::string& file, const std::string& section, const std::string& key,
                          size_t bufferSize) {
  auto f = data.find(file);
  if (f == data.end()) return {};
  auto s = f->second.find(section);
  if (s == f->second.end()) return {};
  auto k = s->second.find(key);
  if (k == s->second.end() || bufferSize == 0) return {};
  return k->second.substr(0, bufferSize - 1);
}

bool FakeIni::write(const std::string& file, const std::string& section, const std::string& key,
                    const std::string& value) {
  if (failWrites) return false;
  data[file][section][key] = value;
  return true;
}

bool FakeShortcuts::readLink(const std::string& path, platform::LinkShortcut& link) {
  auto it = links.find(path);
  if (it == links.end()) return false;
  link = it->second;
  return true;
}

bool FakeStarter::create(const std::string& application, const std::string& commandLine,
                         const std::string& workingDirectory, const platform::StartupRecord& startup,
                         platform::ProcessRecord& record) {
  created.push_back({application, commandLine, workingDirectory, startup});
  if (refuse || application.empty()) return false;
  record.processId = nextPid++;
  record.threadId = record.processId + 1;
  record.process = record.processId * 10;
  record.thread = record.processId * 10 + 1;
  return true;
}

std::string FakeStarter::shortPathName(const std::string& path) {
  auto it = shortNames.find(path);
  return it == shortNames.end() ? "" : it->second;
}

}  // namespace fakes
