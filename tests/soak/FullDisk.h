#pragma once
// A data folder whose disk is (nearly) full for the length of one job, with
// what the folder held kept. As root it is a small tmpfs mounted over the
// folder and filled up; where mounting is not allowed, the tool is started
// under a file size limit instead (writes past it fail with EFBIG), which is
// what the soak then reports.
#include <cstddef>
#include <filesystem>
#include <string>
#include <vector>

namespace th::test {

class FullDisk {
 public:
  // `log`: a file outside the folder the tool must still be able to append to.
  FullDisk(std::filesystem::path folder, std::size_t freeBytes, const std::filesystem::path& log);
  // The folder's files go back to the plain folder.
  ~FullDisk();
  FullDisk(const FullDisk&) = delete;
  FullDisk& operator=(const FullDisk&) = delete;

  bool mounted() const { return mounted_; }
  // What the tool is started through: the file size limit when not mounted.
  std::vector<std::string> launcher() const { return launcher_; }
  std::string way() const;

 private:
  void fill(std::size_t freeBytes);

  std::filesystem::path folder_;
  std::filesystem::path saved_;
  bool mounted_ = false;
  std::vector<std::string> launcher_;
};

}  // namespace th::test
