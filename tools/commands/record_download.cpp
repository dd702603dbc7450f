#include "commands/record_download.h"

#include <cstring>

namespace icbus::tool {
namespace {

// Longer than the longest record line of any kind (42 characters with two
// decimals, machine numbers up to 999) and its terminator.
constexpr size_t kRecordBufferSize = 64;

}  // namespace

DownloadEnd DrainRecords(NextRecord next, int machine,
                         const std::function<bool(const std::string& line)>& sink,
                         const std::function<bool()>& stop) {
  DownloadEnd end;
  char buffer[kRecordBufferSize];
  for (;;) {
    if (stop()) {
      end.interrupted = true;
      return end;
    }
    // A failed call leaves the buffer as it was; clearing it first keeps a
    // stale record from reading as a new one.
    std::memset(buffer, 0, sizeof buffer);
    if (!next(machine, buffer)) return end;
    std::string text(buffer, strnlen(buffer, sizeof buffer));
    if (text == "OVER") {
      end.complete = true;
      return end;
    }
    // An empty text also closes the session, without the end marker.
    if (text.empty()) return end;
    if (!sink(text)) {
      end.abandoned = true;
      return end;
    }
    ++end.lines;
  }
}

bool RecordFile::Open(const std::string& path) {
  // Binary, so the line end is CR LF on every system and nothing else changes.
  file_.open(path, std::ios::out | std::ios::trunc | std::ios::binary);
  if (!file_.is_open()) return false;
  stream_ = &file_;
  return true;
}

bool RecordFile::Append(const std::string& line) {
  if (!stream_) return false;
  *stream_ << line << "\r\n" << std::flush;
  return static_cast<bool>(*stream_);
}

bool RecordFile::Close() {
  if (!stream_) return false;
  stream_->flush();
  bool good = static_cast<bool>(*stream_);
  stream_ = nullptr;
  if (!file_.is_open()) return good;
  file_.close();
  return good && !file_.fail();
}

}  // namespace icbus::tool
