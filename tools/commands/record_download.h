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

// The library hands record texts over as the terminal sent them; what is
// saved is checked here. A line that fails is still saved (the terminal's
// data is never dropped), but the download must not pass for a good one.
class RecordCheck {
 public:
  // `longest`: the longest line of the kind; `kind`: its name, for the message.
  RecordCheck(std::size_t longest, std::string kind);
  // Checks the next line: printable ASCII, at most `longest` characters and
  // as long as the first line.
  void Look(const std::string& line);
  bool ok() const { return bad_ == 0; }
  // "record 5 is 3 characters, the others 29: is --kind right?", with the
  // number of other bad lines after it; empty when all were good.
  std::string Problem() const;

 private:
  std::size_t longest_;
  std::string kind_;
  std::size_t lines_ = 0, first_length_ = 0, bad_ = 0;
  std::string first_problem_;
};

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
