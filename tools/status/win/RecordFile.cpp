// Record files on Windows: paths are UTF-8 and go to the wide API. Opened with
// every sharing mode, so that the tool can go on appending to a file and
// renaming it while it is read; only files on a disk are read.
#include <algorithm>
#include <system_error>

#include "platform/win/WinApi.h"
#include "tools/status/RecordSource.h"
#include "tools/status/win/WideText.h"

namespace th::status {

namespace {

std::string SystemWords(DWORD error) {
  return std::system_category().message(static_cast<int>(error));
}

class FileSource : public RecordSource {
 public:
  FileSource(HANDLE h, std::int64_t size) : h_(h), size_(size) {}
  ~FileSource() override { ::CloseHandle(h_); }
  FileSource(const FileSource&) = delete;
  FileSource& operator=(const FileSource&) = delete;

  std::int64_t size() const override { return size_; }

  bool readAt(std::int64_t offset, char* out, std::size_t count, std::string& why) override {
    while (count > 0) {
      OVERLAPPED at{};
      at.Offset = static_cast<DWORD>(static_cast<std::uint64_t>(offset) & 0xFFFFFFFFU);
      at.OffsetHigh = static_cast<DWORD>(static_cast<std::uint64_t>(offset) >> 32);
      const auto want = static_cast<DWORD>(std::min<std::size_t>(count, 1U << 30));
      DWORD got = 0;
      if (::ReadFile(h_, out, want, &got, &at) == FALSE) {
        why = SystemWords(::GetLastError());
        return false;
      }
      if (got == 0) {
        why = "the file got shorter";
        return false;
      }
      out += got;
      offset += got;
      count -= got;
    }
    return true;
  }

 private:
  HANDLE h_;
  std::int64_t size_;
};

}  // namespace

OpenedFile OpenRecordFile(const std::string& path) {
  OpenedFile file;
  const std::wstring wide = WideFromUtf8(path);
  const DWORD attributes = ::GetFileAttributesW(wide.c_str());
  if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0) {
    file.outcome = OpenedFile::Outcome::NotRegular;
    return file;
  }
  HANDLE h = ::CreateFileW(wide.c_str(), GENERIC_READ,
                           FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                           OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (h == INVALID_HANDLE_VALUE) {
    const DWORD error = ::GetLastError();
    file.outcome = error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND
                       ? OpenedFile::Outcome::Missing
                       : OpenedFile::Outcome::Failed;
    file.why = SystemWords(error);
    return file;
  }
  BY_HANDLE_FILE_INFORMATION info{};
  if (::GetFileType(h) != FILE_TYPE_DISK || ::GetFileInformationByHandle(h, &info) == FALSE) {
    ::CloseHandle(h);
    file.outcome = OpenedFile::Outcome::NotRegular;
    return file;
  }
  file.outcome = OpenedFile::Outcome::Opened;
  file.identity = std::to_string(info.dwVolumeSerialNumber) + ":" +
                  std::to_string(info.nFileIndexHigh) + ":" + std::to_string(info.nFileIndexLow);
  const std::int64_t size =
      (static_cast<std::int64_t>(info.nFileSizeHigh) << 32) | info.nFileSizeLow;
  file.source = std::make_unique<FileSource>(h, size);
  return file;
}

std::string FolderProblem(const std::string& path) {
  const DWORD attributes = ::GetFileAttributesW(WideFromUtf8(path).c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES) {
    return "cannot read the folder: " + SystemWords(::GetLastError());
  }
  if ((attributes & FILE_ATTRIBUTE_DIRECTORY) == 0) {
    return "not a folder";
  }
  return "";
}

char PathSeparator() {
  return '\\';
}

}  // namespace th::status
