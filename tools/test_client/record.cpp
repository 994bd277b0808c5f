#include "record.h"

#include <filesystem>
#include <fstream>

namespace {

bool writeFile(const std::filesystem::path& path, const std::string& bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  return static_cast<bool>(out);
}

}  // namespace

int writeRecord(const std::string& folder, const Started& started) {
  std::error_code error;
  std::filesystem::path base(std::u8string(folder.begin(), folder.end()));
  std::filesystem::create_directories(base, error);
  std::filesystem::path mine;
  for (int n = 1; n < 1000; ++n) {
    // Creating the folder is the claim: two clients started together never share one.
    if (std::filesystem::create_directory(base / std::to_string(n), error)) {
      mine = base / std::to_string(n);
      break;
    }
  }
  if (mine.empty()) return 1;
  std::string args;
  for (size_t i = 1; i < started.args.size(); ++i) args += started.args[i] + "\n";
  bool ok = writeFile(mine / "args", args) && writeFile(mine / "cwd", started.cwd) &&
            writeFile(mine / "argv0", started.args.empty() ? std::string() : started.args[0]);
  if (started.hasCommandLine) ok = ok && writeFile(mine / "command_line", started.commandLine);
  if (started.hasSettings) ok = ok && writeFile(mine / "vf.ini", started.settings);
  // Written last: a test that sees it reads a whole record, never one still being written.
  ok = ok && writeFile(mine / "complete", "");
  return ok ? 0 : 1;
}
