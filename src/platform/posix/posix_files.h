#pragma once
#include "platform/files.h"

namespace platform::posix {

class PosixFiles : public Files {
 public:
  bool exists(const std::string& path) override;
  bool isDirectory(const std::string& path) override;
  bool createDirectory(const std::string& path) override;
  bool readWhole(const std::string& path, std::string& bytes) override;
  bool readPrefix(const std::string& path, size_t maxBytes, std::string& bytes) override;
  bool readBlocks(const std::string& path, size_t blockSize,
                  const std::function<bool(const char*, size_t)>& sink) override;
  bool writeWhole(const std::string& path, const std::string& bytes) override;
  bool replaceWhole(const std::string& path, const std::string& bytes) override;
  bool appendWhole(const std::string& path, const std::string& bytes) override;
  bool moveFile(const std::string& from, const std::string& to) override;
  bool copyFile(const std::string& from, const std::string& to, bool overwrite) override;
  bool replaceByRename(const std::string& from, const std::string& to) override;
  bool deleteFile(const std::string& path) override;
  bool fileSize(const std::string& path, int64_t& size) override;
  bool fileStamp(const std::string& path, FileStamp& stamp) override;
  bool freeSpace(const std::string& path, int64_t& bytes) override;
  std::string holderOf(const std::string& path) override;
  std::string currentDirectory() override;
  bool setCurrentDirectory(const std::string& path) override;
};

}  // namespace platform::posix
