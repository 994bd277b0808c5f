#pragma once
#include <string>
#include <vector>

namespace patching {

// One entry of the manifest's patch list.
struct PatchEntry {
  std::string name;
  std::string path;
  std::string localPath;  // computed: the file's place in the client folder
  std::string size;
  std::string CheckCode;
  std::string url;
  std::string isupdate;
  std::string sha256{};  // optional: 64 lower-case hex digits of the file's SHA-256
  std::vector<std::string> mirrors{};  // further addresses of the same file (attribute `mirrors`, MirrorList)
  std::string chunks{};         // optional: the address of the file's chunk index
  std::string chunks_sha256{};  // optional: the SHA-256 of that index, in hex
};

}  // namespace patching
