// The settings file on Windows, through the platform services, which open
// regular files only: a device name (NUL, COM3, \\.\...) or a pipe in the
// file's place is refused without being opened. Written to a temporary file
// beside it, made durable and moved over it.
#include "tools/settings/TableFile.h"

#include <algorithm>
#include <stdexcept>
#include <system_error>

#include "platform/win/WinApi.h"
#include "platform/win/WinPlatformServices.h"
#include "platform/win/WinText.h"

namespace th::settings {

namespace {

std::string SystemWords(int error) {
  return std::system_category().message(error);
}

}  // namespace

TableRead ReadTableFile(const std::string& path, DeviceTable& table) {
  WinPlatformServices sys;
  TableRead result;
  int error = 0;
  const std::int64_t size = sys.fileSize(path, error);
  if (size < 0) {
    result.outcome = error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND
                         ? TableRead::Outcome::Missing
                     : error == ERROR_INVALID_PARAMETER ? TableRead::Outcome::NotRegular
                                                        : TableRead::Outcome::Failed;
    result.why = SystemWords(error);
    return result;
  }
  if (static_cast<std::uint64_t>(size) != kSettingsFileSize) {
    result.outcome = TableRead::Outcome::WrongSize;
    result.size = size;
    return result;
  }
  std::string bytes;
  if (const int readError = sys.readFileAt(path, 0, kSettingsFileSize, bytes); readError != 0) {
    result.outcome = readError == ERROR_INVALID_PARAMETER ? TableRead::Outcome::NotRegular
                                                          : TableRead::Outcome::Failed;
    result.why = SystemWords(readError);
    return result;
  }
  if (bytes.size() != kSettingsFileSize) {
    result.why = "the file got shorter";
    return result;
  }
  std::copy(bytes.begin(), bytes.end(), reinterpret_cast<char*>(table.data()));
  result.outcome = TableRead::Outcome::Read;
  return result;
}

void WriteTableAtomically(const std::string& path, const DeviceTable& table) {
  WinPlatformServices sys;
  int error = 0;
  if (sys.fileSize(path, error) < 0 && error == ERROR_INVALID_PARAMETER) {
    throw std::runtime_error(path + " is not a regular file");
  }
  const std::string temp = path + "." + std::to_string(::GetCurrentProcessId()) + ".tmp";
  const std::string_view bytes(reinterpret_cast<const char*>(table.data()), kSettingsFileSize);
  if (const int e = sys.rewriteFile(temp, bytes); e != 0) {
    ::DeleteFileW(win::WideFromAnsi(temp).c_str());
    throw std::runtime_error("cannot write beside " + path + ": " + SystemWords(e));
  }
  if (const int e = sys.syncFile(temp); e != 0) {
    ::DeleteFileW(win::WideFromAnsi(temp).c_str());
    throw std::runtime_error("cannot write " + temp + ": " + SystemWords(e));
  }
  if (::MoveFileExW(win::WideFromAnsi(temp).c_str(), win::WideFromAnsi(path).c_str(),
                    MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH) == FALSE) {
    const int e = static_cast<int>(::GetLastError());
    ::DeleteFileW(win::WideFromAnsi(temp).c_str());
    throw std::runtime_error("cannot replace " + path + ": " + SystemWords(e));
  }
}

}  // namespace th::settings
