#include "commands/record_download.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <utility>

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

RecordCheck::RecordCheck(std::size_t longest, std::string kind)
    : longest_(longest), kind_(std::move(kind)) {}

void RecordCheck::Look(const std::string& line) {
  const std::size_t number = ++lines_;
  if (number == 1) first_length_ = line.size();
  std::string problem;
  auto at = std::find_if(line.begin(), line.end(), [](char c) { return c < 0x20 || c > 0x7E; });
  const std::string record = "record " + std::to_string(number);
  if (at != line.end()) {
    char byte[8];
    std::snprintf(byte, sizeof byte, "\\x%02X", static_cast<unsigned char>(*at));
    problem = record + " holds the byte " + byte + ", which no record has";
  } else if (line.size() > longest_) {
    problem = record + " is " + std::to_string(line.size()) + " characters, longer than any " +
              kind_ + " record (" + std::to_string(longest_) + ")";
  } else if (line.size() != first_length_) {
    problem = record + " is " + std::to_string(line.size()) + " characters, the others " +
              std::to_string(first_length_);
  }
  if (problem.empty()) return;
  if (bad_++ == 0) first_problem_ = problem;
}

std::string RecordCheck::Problem() const {
  if (bad_ == 0) return "";
  std::string more = bad_ == 1 ? "" : " (and " + std::to_string(bad_ - 1) + " more)";
  return first_problem_ + more + ": is --kind right?";
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
