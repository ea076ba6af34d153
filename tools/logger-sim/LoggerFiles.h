#pragma once
// The logger's file system: folders and files under "\", paths with
// backslashes, matched without regard to letter case, as a DOS-like logger does.
// A "/" is no separator on the logger: it is part of a name.
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
    std::size_t lines = 0;  // records: line ends, and a last line without one
  };
  struct Listing {
    std::vector<std::string> folders;  // names, as given
    std::vector<const File*> files;    // direct children
  };

  // Resolves `arg` (absolute when it starts with "\") against the folder
  // `cwd`; "." and ".." are understood. The result is an absolute path.
  static std::string resolve(std::string_view cwd, std::string_view arg);

  // Adds (or replaces) a file; its folders come into existence with it. Here,
  // and only here, "/" separates folders too (host paths).
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

// The logger's data file paths for an id: "\SL<id>\SL<id><n>.TXT".
std::string DataFilePath(const std::string& id, int n);

// Records of a file's content: its line ends, and a last line without one.
std::size_t CountLines(const std::string& data);

}  // namespace th::sim
