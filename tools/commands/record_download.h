// The record loop of a download and the file it fills: one record line per
// line, CR LF after each, nothing else.
#pragma once
#include <fstream>
#include <functional>
#include <string>

#include "commands/record_kinds.h"

namespace icbus::tool {

struct DownloadEnd {
  int lines = 0;             // record lines accepted by the sink
  bool complete = false;     // the terminal ended with its end marker "OVER"
  bool abandoned = false;    // the sink refused a line; the session was left open
  bool interrupted = false;  // `stop` said so; the session was left open
};

// Calls `next` on an open download session until the terminal ends it (its
// end marker, or an empty text) or a call fails, handing each record line to
// `sink`. Stops at once when `sink` returns false, and before the next record
// when `stop` returns true.
DownloadEnd DrainRecords(
    NextRecord next, int machine, const std::function<bool(const std::string& line)>& sink,
    const std::function<bool()>& stop = [] { return false; });

// A record file: created, or emptied when it exists, on Open; or standard
// output. Each line is flushed as it is written, so the records received so
// far are in the file whatever ends the program.
class RecordFile {
 public:
  bool Open(const std::string& path);
  // Writes to `stream` instead of a file ("--out -").
  void Use(std::ostream& stream) { stream_ = &stream; }
  // Writes the line and CR LF. False once anything failed to be written.
  bool Append(const std::string& line);
  // Flushes and closes. False when anything failed to be written.
  bool Close();

 private:
  std::ofstream file_;
  std::ostream* stream_ = nullptr;
};

}  // namespace icbus::tool
