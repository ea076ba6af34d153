#include "app/JobRecord.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <vector>

#include "app/JsonText.h"

namespace th {

namespace {

// Which texts give way first when a record is too long: those of the lists,
// then the device's, the reason last.
enum Cut { ListText = 0, DeviceText = 1, ReasonText = 2, CutOrders = 3 };

// One text of the record and the most bytes its JSON form may take.
struct Field {
  Text text;
  Cut order = ListText;
  std::size_t max = kMaxRecordBytes;
  std::size_t written = 0;  // by the last rendering
};

// Renders the record with the texts as far as their limits allow. Without
// any text a record takes well under 2 KB (at most 4 files and 4 data files,
// numbers of at most 20 characters), so cutting texts always makes it fit.
class Renderer {
 public:
  Renderer(const JobRecord& r, std::string_view toolVersion) : r_(r), tool_(toolVersion) {
    if (r.device) {
      for (const Text* t : {&r.device->name, &r.device->loggerId, &r.device->port,
                            &r.device->baudRate, &r.device->modemType}) {
        fields_.push_back({*t, DeviceText});
      }
    }
    fields_.push_back({r.outcome.reason, ReasonText, kMaxReasonBytes});
    for (std::size_t i = 0; i < files(); ++i) {
      fields_.push_back({r.job.files[i].path});
      fields_.push_back({r.job.files[i].keptBecause});
    }
    for (std::size_t i = 0; i < dataFiles(); ++i) {
      fields_.push_back({DecodeAnsi(r.job.dataFiles[i])});
    }
  }

  std::string line() {
    std::string out = render();
    for (int order = 0; order < CutOrders && out.size() > kMaxRecordBytes; ++order) {
      cut(static_cast<Cut>(order), out.size() - kMaxRecordBytes);
      out = render();
    }
    return out;
  }

 private:
  // The texts of one order give up `excess` bytes between them, or all they
  // have: each keeps at most the same number of bytes, the longest cut first.
  void cut(Cut order, std::size_t excess) {
    std::size_t total = 0;
    std::size_t longest = 0;
    for (const Field& f : fields_) {
      if (f.order == order) {
        total += f.written;
        longest = std::max(longest, f.written);
      }
    }
    const std::size_t budget = total > excess ? total - excess : 0;
    const auto keeps = [&](std::size_t cap) {
      std::size_t sum = 0;
      for (const Field& f : fields_) {
        sum += f.order == order ? std::min(f.written, cap) : 0;
      }
      return sum <= budget;
    };
    std::size_t low = 0;
    std::size_t high = longest;
    while (low < high) {
      const std::size_t mid = (low + high + 1) / 2;
      if (keeps(mid)) {
        low = mid;
      } else {
        high = mid - 1;
      }
    }
    for (Field& f : fields_) {
      if (f.order == order) {
        f.max = std::min(f.max, low);
      }
    }
  }

  std::size_t files() const { return std::min(r_.job.files.size(), kMaxListed); }
  std::size_t dataFiles() const { return std::min(r_.job.dataFiles.size(), kMaxListed); }

  std::string render() {
    out_.clear();
    next_ = 0;
    out_ += R"({"format":1,"tool":")";
    out_ += tool_;
    out_ += R"(","start":")" + IsoLocalTime(r_.start) + R"(","end":")" + IsoLocalTime(r_.end);
    if (r_.device) {
      out_ += R"(","device":{"index":)" + std::to_string(r_.device->index);
      key("name");
      key("logger_id");
      out_ += R"(},"line":{"port":)";
      text();
      key("baud");
      key("modem_type");
      out_ += "}";
    } else {
      out_ += R"(","device":null,"line":null)";
    }
    out_ += R"(,"result":")";
    out_ += JobResultName(r_.outcome.result);
    out_ += R"(","reason":)";
    text();
    flag("clock_set", r_.job.clockSet);
    flag("fetch_complete", r_.job.fetchComplete);
    out_ += R"(,"files":[)";
    for (std::size_t i = 0; i < files(); ++i) {
      const FileReport& f = r_.job.files[i];
      out_ += i == 0 ? R"({"path":)" : R"(,{"path":)";
      text();
      number("announced_size", f.announcedSize);
      number("bytes_received", f.bytesReceived);
      number("records_saved", f.recordsSaved);
      number("records_skipped", f.recordsSkipped);
      flag("deleted", f.deleted);
      key("kept_because");
      out_ += "}";
    }
    out_ += "]";
    number("files_left_out", static_cast<std::int64_t>(r_.job.files.size() - files()));
    number("records_saved", r_.job.recordsSaved);
    out_ += R"(,"data_files":[)";
    for (std::size_t i = 0; i < dataFiles(); ++i) {
      if (i > 0) {
        out_ += ",";
      }
      text();
    }
    out_ += "]";
    number("data_files_left_out", static_cast<std::int64_t>(r_.job.dataFiles.size() - dataFiles()));
    out_ += "}\n";
    return out_;
  }

  // The next field's text.
  void text() {
    Field& f = fields_[next_++];
    f.written = AppendJsonString(out_, f.text, f.max);
  }
  // ,"name": and the next field's text.
  void key(const char* name) {
    out_ += ",\"";
    out_ += name;
    out_ += "\":";
    text();
  }
  void flag(const char* name, bool value) {
    out_ += ",\"";
    out_ += name;
    out_ += value ? "\":true" : "\":false";
  }
  void number(const char* name, std::int64_t value) {
    out_ += ",\"";
    out_ += name;
    out_ += "\":" + std::to_string(value);
  }

  const JobRecord& r_;
  std::string_view tool_;
  std::vector<Field> fields_;
  std::size_t next_ = 0;
  std::string out_;
};

}  // namespace

std::string IsoLocalTime(const LocalDateTime& t) {
  const int offset = std::abs(t.utcOffsetMinutes);
  char text[40];
  std::snprintf(text, sizeof text, "%04d-%02d-%02dT%02d:%02d:%02d%c%02d:%02d", t.year, t.month,
                t.day, t.hour, t.minute, t.second, t.utcOffsetMinutes < 0 ? '-' : '+', offset / 60,
                offset % 60);
  return text;
}

std::string JobRecordLine(const JobRecord& record, std::string_view toolVersion) {
  return Renderer(record, toolVersion).line();
}

}  // namespace th
