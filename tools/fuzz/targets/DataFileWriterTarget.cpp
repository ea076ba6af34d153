// The data file writer on random download buffers, save folders, existing data
// files and full disks. The oracle builds the files from the writer's rules:
// buffer-1 lines with "SD" or longer than a pane hands over are left out; each
// kept line takes its buffer-2 partner (the first later line with the same
// time stamp, the text before the first comma, when neither buffer has that
// stamp twice) less the stamp; lines of 1024 bytes or more are held for the
// next shorter one, and list lines whose buffer-1 part has 4096 or more for the
// next shorter list line; whatever is held at the end is a line of its own;
// every line ends CR LF. Buffer-2 lines that found no partner go to the
// unpaired file. A file appended to loses a final run of end-of-file marks and
// gets a CR LF when it lacks one, all files before any is written. Each file
// is appended all or nothing: the unpaired file first, the first file only
// after it (and a failed first file takes it back), the second after the first.
#include <algorithm>
#include <array>
#include <optional>

#include "download/DataFileWriter.h"
#include "tools/fuzz/support/Check.h"
#include "tools/fuzz/support/FuzzRig.h"
#include "tools/fuzz/support/Input.h"
#include "tools/fuzz/targets/Targets.h"

namespace th::fuzz {

namespace {

using Rig = FuzzRig<test::NullPort>;

constexpr std::size_t kPaneLimit = 4096;  // what a pane hands over of a line
constexpr std::size_t kListHold = 1024;
constexpr std::size_t kWriteHold = 4096;
constexpr std::size_t kNone = static_cast<std::size_t>(-1);

constexpr std::string_view kName1 = "CR000.TXT";
constexpr std::string_view kName2 = "CR001.TXT";
constexpr std::string_view kUnpairedName = "CR000_unpaired.TXT";

// Line markers of the input: a line (up to LF) that starts with kSecond goes
// to buffer 2; kRepeat and a count byte repeat the rest of the line up to
// (count + 1) * 32 bytes; kExisting gives the data files' content before the
// save (kNewLine in it stands for LF).
constexpr char kSecond = '\x01';
constexpr char kRepeat = '\x02';
constexpr char kExisting = '\x05';
constexpr char kNewLine = '\x06';

struct Buffers {
  std::vector<std::string> first;
  std::vector<std::string> second;
  std::string existing;
  bool hasExisting = false;
};

Buffers Split(std::string_view bytes) {
  Buffers b;
  std::size_t pos = 0;
  while (pos <= bytes.size()) {
    const std::size_t end = std::min(bytes.find('\n', pos), bytes.size());
    std::string_view line = bytes.substr(pos, end - pos);
    pos = end + 1;
    if (!line.empty() && line.front() == kExisting) {
      b.existing.assign(line.substr(1));
      std::replace(b.existing.begin(), b.existing.end(), kNewLine, '\n');
      b.hasExisting = true;
      continue;
    }
    const bool second = !line.empty() && line.front() == kSecond;
    if (second) {
      line.remove_prefix(1);
    }
    std::string text;
    if (line.size() >= 2 && line.front() == kRepeat) {
      const std::size_t length = (std::size_t{static_cast<unsigned char>(line[1])} + 1) * 32;
      line.remove_prefix(2);
      while (!line.empty() && text.size() < length) {
        text.append(line.substr(0, length - text.size()));
      }
    } else {
      text.assign(line);
    }
    // The receive path never leaves a CR in a line.
    std::erase(text, '\r');
    (second ? b.second : b.first).push_back(std::move(text));
  }
  return b;
}

std::string_view Handed(const std::string& line) {
  return std::string_view(line).substr(0, kPaneLimit);
}

bool TooLong(const std::string& line) {
  return line.size() > kPaneLimit;
}

struct Expected {
  std::string lines;     // what the data files gain
  std::string unpaired;  // what the unpaired file gains
  std::size_t unpairedCount = 0;
};

std::string_view Stamp(const std::string& line) {
  const std::string_view handed = Handed(line);
  const std::size_t comma = handed.find(',');
  return comma == std::string_view::npos ? std::string_view() : handed.substr(0, comma);
}

std::size_t Uses(const std::vector<std::string>& lines, std::string_view stamp) {
  return static_cast<std::size_t>(std::count_if(
      lines.begin(), lines.end(), [&](const std::string& l) { return Stamp(l) == stamp; }));
}

Expected Build(const Buffers& b) {
  // Partners, sought in order, for stamps found once in each buffer.
  std::vector<std::size_t> partner(b.first.size(), kNone);
  std::vector<bool> taken(b.second.size(), false);
  std::size_t next = 0;
  for (std::size_t i = 0; i < b.first.size(); ++i) {
    const std::string_view stamp = Stamp(b.first[i]);
    if (stamp.empty() || Uses(b.first, stamp) != 1 || Uses(b.second, stamp) != 1) {
      continue;
    }
    for (std::size_t k = next; k < b.second.size(); ++k) {
      if (Stamp(b.second[k]) == stamp) {
        partner[i] = k;
        taken[k] = true;
        next = k + 1;
        break;
      }
    }
  }

  // The list: text and the length of its buffer-1 part.
  std::vector<std::pair<std::string, std::size_t>> list;
  std::string held;
  std::size_t heldOwn = 0;
  for (std::size_t i = 0; i < b.first.size(); ++i) {
    const std::string& line = b.first[i];
    if (TooLong(line) || line.find("SD") != std::string::npos) {
      continue;
    }
    held.append(line);
    heldOwn += line.size();
    if (partner[i] != kNone && !TooLong(b.second[partner[i]])) {
      const std::string& other = b.second[partner[i]];
      held.append(Handed(other).substr(Stamp(other).size()));
    }
    if (line.size() < kListHold) {
      list.emplace_back(std::move(held), heldOwn);
      held.clear();
      heldOwn = 0;
    }
  }
  if (!held.empty()) {
    list.emplace_back(std::move(held), heldOwn);
  }

  Expected e;
  std::string writeHeld;
  for (const auto& [text, own] : list) {
    writeHeld.append(text);
    if (own < kWriteHold) {
      e.lines.append(writeHeld).append("\r\n");
      writeHeld.clear();
    }
  }
  if (!writeHeld.empty()) {
    e.lines.append(writeHeld).append("\r\n");
  }
  for (std::size_t k = 0; k < b.second.size(); ++k) {
    if (!taken[k] && !TooLong(b.second[k])) {
      e.unpaired.append(b.second[k]).append("\r\n");
      ++e.unpairedCount;
    }
  }
  return e;
}

// An existing file about to be appended to: a final run of end-of-file marks
// within its last 128 bytes goes.
std::string WithoutEndMarks(const std::string& content) {
  const std::size_t start = content.size() > 128 ? content.size() - 128 : 0;
  std::size_t keep = content.size();
  while (keep > start && content[keep - 1] == '\x1a') {
    --keep;
  }
  return content.substr(0, keep);
}

// The line end a file appended to must end with, when it does not.
std::string MissingLineEnd(const std::string& content) {
  if (content.empty() || content.ends_with("\r\n")) {
    return "";
  }
  return content.back() == '\r' ? "\n" : "\r\n";
}

struct SavePathCase {
  std::string_view path;
  std::string_view folder;  // where the files land; empty: nowhere
};

constexpr std::array<SavePathCase, 5> kSavePaths = {{
    {"/data", "/data"},
    {"/data/new", "/data/new"},  // made by the save
    {"/data/", "/data"},
    {"/missing/deeper", ""},  // its parent is missing
    {"/data/plain.txt", ""},  // names a file
}};

}  // namespace

int DataFileWriterTarget(const std::uint8_t* data, std::size_t size) {
  Input in(data, size);
  const auto steer = in.takeBack<std::uint8_t>();
  const auto space = in.takeBack<std::uint16_t>();
  const Buffers buffers = Split(in.rest());
  const bool append = (steer & 1) != 0;
  const SavePathCase where = kSavePaths[(steer >> 1) % kSavePaths.size()];
  const int fault = (steer >> 4) & 3;  // 1: the disk fills, 2: syncs fail
  const bool noUnpairedName = (steer & 0x80) != 0;

  Rig rig;
  rig.sys.putFolder("/data");
  rig.sys.putFile("/data/plain.txt", "x");
  const std::string file1 = "/data/" + std::string(kName1);
  const std::string file2 = "/data/" + std::string(kName2);
  const std::string fileU = "/data/" + std::string(kUnpairedName);
  if (buffers.hasExisting) {
    for (const std::string& f : {file1, file2, fileU}) {
      rig.sys.putFile(f, buffers.existing);
    }
  }
  for (const std::string& line : buffers.first) {
    rig.panes.download1.append(line);
  }
  for (const std::string& line : buffers.second) {
    rig.panes.download2.append(line);
  }
  std::int64_t spaceLeft = fault == 1 ? static_cast<std::int64_t>(space) : -1;
  rig.sys.spaceLeft = spaceLeft;
  rig.sys.failSync = fault == 2;

  DataFileWriter::SaveReport report;
  const bool result =
      rig.tool.writer.save(rig.panes.download1, rig.panes.download2, append, std::string(kName1),
                           std::string(kName2), std::string(where.path),
                           noUnpairedName ? std::string() : std::string(kUnpairedName), &report);

  const Expected e = Build(buffers);
  Expect(report.unpaired == e.unpairedCount, "another number of unpaired lines");

  const bool reachable = !where.folder.empty();
  // Where each file is looked for: an unreachable save path must leave /data as it was.
  const std::string folder = reachable ? std::string(where.folder) : "/data";
  const bool existed = buffers.hasExisting && folder == "/data";
  // Takes what fits of `bytes` from the disk; returns how much did.
  auto take = [&](std::size_t bytes) {
    const std::size_t fits =
        spaceLeft < 0 ? bytes : std::min(bytes, static_cast<std::size_t>(spaceLeft));
    spaceLeft = spaceLeft < 0 ? -1 : spaceLeft - static_cast<std::int64_t>(fits);
    return fits;
  };
  struct File {
    File(std::string_view n, bool a) : name(n), appended(a) {}
    std::string_view name;
    bool appended;
    bool ready = true;
    std::string before;                  // its content once readied
    std::optional<std::string> content;  // none: not checked
    bool exists = false;
    bool ok = false;
  };
  // Readied, in writing order, before anything is written.
  const bool unpairedLines = e.unpairedCount > 0;
  File u{kUnpairedName, true};
  File f1{kName1, append};
  File f2{kName2, append};
  for (File* f : {&u, &f1, &f2}) {
    f->exists = existed;
    f->content = existed ? std::optional<std::string>(buffers.existing) : std::nullopt;
    f->ready = reachable && !(f == &u && noUnpairedName);
    if (!f->ready || (f == &u && !unpairedLines) || !existed || !f->appended) {
      continue;
    }
    f->before = WithoutEndMarks(buffers.existing);
    const std::string missing = MissingLineEnd(f->before);
    const std::size_t fitted = take(missing.size());
    f->before += missing.substr(0, fitted);
    f->ready = fitted == missing.size();
    f->content = f->before;
  }
  // Written in turn from what is left on the disk; a failure cuts back.
  auto write = [&](File& f, const std::string& gained) {
    if (!f.ready) {
      return;
    }
    f.exists = true;
    f.ok = take(gained.size()) == gained.size() && fault != 2;
    if (f.ok) {
      f.content = (f.appended ? f.before : std::string()) + gained;
    } else {
      // Appending: cut back to what it held; rewriting keeps no old content.
      f.content = f.appended ? std::optional<std::string>(f.before) : std::nullopt;
    }
  };
  bool expected = false;
  if (unpairedLines) {
    write(u, e.unpaired);
  }
  if (!unpairedLines || u.ok) {
    write(f1, e.lines);
    expected = f1.ok;
    if (!f1.ok && u.ok) {
      u.content = u.before;
      u.ok = false;
    }
    if (f1.ok) {
      write(f2, e.lines);
    }
  }
  auto check = [&](const File& f, const char* what) {
    const std::string path = folder + "/" + std::string(f.name);
    Expect(rig.sys.hasFile(path) == f.exists, what);
    if (f.exists && f.content) {
      Expect(rig.sys.file(path) == *f.content, what);
    }
  };
  Expect(result == expected, "FileSave's result is not whether the first file was written");
  check(f1, "the first data file holds other than its lines");
  Expect(report.secondWritten == f2.ok, "the report says otherwise of the second file");
  check(f2, "the second data file holds other than its lines");
  Expect(report.unpairedWritten == u.ok, "the report says otherwise of the unpaired file");
  check(u, "the unpaired file holds other than its lines");
  return 0;
}

}  // namespace th::fuzz
