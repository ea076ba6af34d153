#include "tools/fuzz/support/MemoryPlatform.h"

#include <algorithm>

namespace th::fuzz {

MemoryPlatform::MemoryPlatform() {
  folders_.insert("/");
  folders_.insert("/exe");
}

std::string MemoryPlatform::Normal(const std::string& path) {
  std::string out;
  for (const char c : path) {
    if (c == '/' && !out.empty() && out.back() == '/') {
      continue;
    }
    out.push_back(c);
  }
  if (out.size() > 1 && out.back() == '/') {
    out.pop_back();
  }
  return out;
}

int MemoryPlatform::parentError(const std::string& path) const {
  const std::string p = Normal(path);
  const std::size_t slash = p.rfind('/');
  if (slash == std::string::npos) {
    return ENOENT;
  }
  const std::string parent = slash == 0 ? "/" : p.substr(0, slash);
  if (folders_.count(parent) != 0) {
    return 0;
  }
  return files_.count(parent) != 0 ? ENOTDIR : ENOENT;
}

bool MemoryPlatform::fileExists(const std::string& path) const {
  return hasFile(path);
}

int MemoryPlatform::readFile(const std::string& path, std::size_t count, std::string& out) {
  out.clear();
  const auto it = files_.find(Normal(path));
  if (it == files_.end()) {
    return hasFolder(path) ? EISDIR : ENOENT;
  }
  out = it->second.substr(0, count);
  return 0;
}

int MemoryPlatform::put(std::string& content, std::string_view bytes) {
  if (spaceLeft < 0 || static_cast<std::int64_t>(bytes.size()) <= spaceLeft) {
    content.append(bytes);
    if (spaceLeft >= 0) {
      spaceLeft -= static_cast<std::int64_t>(bytes.size());
    }
    return 0;
  }
  content.append(bytes.substr(0, static_cast<std::size_t>(spaceLeft)));
  spaceLeft = 0;
  return ENOSPC;
}

int MemoryPlatform::appendFile(const std::string& path, std::string_view bytes) {
  if (hasFolder(path)) {
    return EISDIR;
  }
  if (const int error = parentError(path); error != 0) {
    return error;
  }
  return put(files_[Normal(path)], bytes);
}

int MemoryPlatform::rewriteFile(const std::string& path, std::string_view bytes) {
  if (hasFolder(path)) {
    return EISDIR;
  }
  if (const int error = parentError(path); error != 0) {
    return error;
  }
  std::string& content = files_[Normal(path)];
  content.clear();
  return put(content, bytes);
}

std::int64_t MemoryPlatform::fileSize(const std::string& path, int& error) {
  const auto it = files_.find(Normal(path));
  if (it == files_.end()) {
    error = ENOENT;
    return -1;
  }
  error = 0;
  return static_cast<std::int64_t>(it->second.size());
}

int MemoryPlatform::truncateFile(const std::string& path, std::int64_t size) {
  const auto it = files_.find(Normal(path));
  if (it == files_.end()) {
    return ENOENT;
  }
  if (size < 0) {
    return EINVAL;
  }
  it->second.resize(static_cast<std::size_t>(size), '\0');
  return 0;
}

int MemoryPlatform::readFileAt(const std::string& path, std::int64_t offset, std::size_t count,
                               std::string& out) {
  out.clear();
  const auto it = files_.find(Normal(path));
  if (it == files_.end()) {
    return ENOENT;
  }
  if (offset < 0) {
    return EINVAL;
  }
  const auto from = std::min(static_cast<std::size_t>(offset), it->second.size());
  out = it->second.substr(from, count);
  return 0;
}

int MemoryPlatform::syncFile(const std::string& path) {
  if (!hasFile(path)) {
    return ENOENT;
  }
  return failSync ? EIO : 0;
}

int MemoryPlatform::createDirectory(const std::string& path) {
  if (hasFolder(path) || hasFile(path)) {
    return EEXIST;
  }
  if (const int error = parentError(path); error != 0) {
    return error;
  }
  folders_.insert(Normal(path));
  return 0;
}

int MemoryPlatform::renameFile(const std::string& from, const std::string& to) {
  const auto it = files_.find(Normal(from));
  if (it == files_.end()) {
    return ENOENT;
  }
  if (hasFolder(to)) {
    return EISDIR;
  }
  if (const int error = parentError(to); error != 0) {
    return error;
  }
  std::string bytes = std::move(it->second);
  files_.erase(it);
  files_[Normal(to)] = std::move(bytes);
  return 0;
}

}  // namespace th::fuzz
