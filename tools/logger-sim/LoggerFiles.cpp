#include "tools/logger-sim/LoggerFiles.h"

namespace th::sim {

namespace {

std::vector<std::string> Split(std::string_view path) {
  std::vector<std::string> parts;
  std::string cur;
  for (const char ch : path) {
    if (ch == '\\') {
      if (!cur.empty()) {
        parts.push_back(std::move(cur));
        cur.clear();
      }
    } else {
      cur += ch;
    }
  }
  if (!cur.empty()) {
    parts.push_back(std::move(cur));
  }
  return parts;
}

std::string Join(const std::vector<std::string>& parts) {
  if (parts.empty()) {
    return "\\";
  }
  std::string out;
  for (const auto& p : parts) {
    out += '\\';
    out += p;
  }
  return out;
}

std::string Upper(std::string_view s) {
  std::string out(s);
  for (char& ch : out) {
    if (ch >= 'a' && ch <= 'z') {
      ch = static_cast<char>(ch - 'a' + 'A');
    }
  }
  return out;
}

}  // namespace

std::string LoggerFiles::resolve(std::string_view cwd, std::string_view arg) {
  std::vector<std::string> parts;
  const bool absolute = !arg.empty() && arg.front() == '\\';
  if (!absolute) {
    parts = Split(cwd);
  }
  for (auto& p : Split(arg)) {
    if (p == ".") {
      continue;
    }
    if (p == "..") {
      if (!parts.empty()) {
        parts.pop_back();
      }
      continue;
    }
    parts.push_back(std::move(p));
  }
  return Join(parts);
}

std::string LoggerFiles::key(std::string_view absPath) {
  return Upper(resolve("\\", absPath));
}

std::string DataFilePath(const std::string& id, int n) {
  return "\\SL" + id + "\\SL" + id + std::to_string(n) + ".TXT";
}

std::size_t CountLines(const std::string& data) {
  std::size_t n = 0;
  for (const char ch : data) {
    n += ch == '\n' ? 1 : 0;
  }
  return n + (!data.empty() && data.back() != '\n' ? 1 : 0);
}

void LoggerFiles::put(std::string_view path, std::string data) {
  std::string hostPath(path);
  for (char& ch : hostPath) {
    ch = ch == '/' ? '\\' : ch;
  }
  const std::string abs = resolve("\\", hostPath);
  auto parts = Split(abs);
  if (parts.empty()) {
    return;
  }
  std::vector<std::string> folder;
  for (std::size_t i = 0; i + 1 < parts.size(); ++i) {
    folder.push_back(parts[i]);
    const std::string f = Join(folder);
    folders_.emplace(Upper(f), f);
  }
  const std::size_t lines = CountLines(data);
  files_[Upper(abs)] = File{abs, std::make_shared<const std::string>(std::move(data)), lines};
}

const LoggerFiles::File* LoggerFiles::find(std::string_view absPath) const {
  const auto it = files_.find(key(absPath));
  return it == files_.end() ? nullptr : &it->second;
}

std::optional<std::string> LoggerFiles::remove(std::string_view absPath) {
  const auto it = files_.find(key(absPath));
  if (it == files_.end()) {
    return std::nullopt;
  }
  std::string path = it->second.path;
  files_.erase(it);
  return path;
}

bool LoggerFiles::isFolder(std::string_view absPath) const {
  const std::string k = key(absPath);
  return k == "\\" || folders_.count(k) != 0;
}

std::string LoggerFiles::folderPath(std::string_view absPath) const {
  const std::string k = key(absPath);
  const auto it = folders_.find(k);
  return it == folders_.end() ? resolve("\\", absPath) : it->second;
}

LoggerFiles::Listing LoggerFiles::list(std::string_view folder) const {
  const std::string k = key(folder);
  const std::string prefix = k == "\\" ? k : k + "\\";
  Listing out;
  const auto direct = [&](const std::string& childKey) {
    return childKey.size() > prefix.size() && childKey.compare(0, prefix.size(), prefix) == 0 &&
           childKey.find('\\', prefix.size()) == std::string::npos;
  };
  for (const auto& [fk, path] : folders_) {
    if (direct(fk)) {
      out.folders.push_back(path.substr(path.rfind('\\') + 1));
    }
  }
  for (const auto& [fk, file] : files_) {
    if (direct(fk)) {
      out.files.push_back(&file);
    }
  }
  return out;
}

std::vector<const LoggerFiles::File*> LoggerFiles::all() const {
  std::vector<const File*> out;
  out.reserve(files_.size());
  for (const auto& [k, file] : files_) {
    out.push_back(&file);
  }
  return out;
}

}  // namespace th::sim
