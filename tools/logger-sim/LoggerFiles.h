#pragma once
// The logger's file system: folders and files under "\", paths with
// backslashes, matched without regard to letter case, as a DOS-like logger does.
#include <map>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <string_view>
#include <vector>

namespace th::sim {

class LoggerFiles {
 public:
  struct File {
    std::string path;  // as given, e.g. "\SL01\SL010.TXT"
    std::shared_ptr<const std::string> data;
  };
  struct Listing {
    std::vector<std::string> folders;  // names, as given
    std::vector<const File*> files;    // direct children
  };

  // Resolves `arg` (absolute when it starts with "\" or "/") against the folder
  // `cwd`; "." and ".." are understood. The result is an absolute path.
  static std::string resolve(std::string_view cwd, std::string_view arg);

  // Adds (or replaces) a file; its folders come into existence with it.
  void put(std::string_view path, std::string data);
  const File* find(std::string_view absPath) const;
  // Removes the file; its path as stored when it existed.
  std::optional<std::string> remove(std::string_view absPath);
  bool isFolder(std::string_view absPath) const;
  // The stored spelling of a folder path ("\" for the root).
  std::string folderPath(std::string_view absPath) const;
  Listing list(std::string_view folder) const;
  std::vector<const File*> all() const;

 private:
  static std::string key(std::string_view absPath);

  std::map<std::string, File> files_;           // by key
  std::map<std::string, std::string> folders_;  // key -> path as given
};

}  // namespace th::sim
