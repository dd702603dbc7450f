// The text file a record download writes: created or emptied when opened,
// one record line and CR LF per record, closed on every path. When it
// cannot be created the download runs all the same and nothing is written.
#pragma once
#include <cstdio>
#include <string>

namespace icbus::demo {

class RecordFile {
 public:
  explicit RecordFile(const char* name) : file_(std::fopen(name, "wb")) {}
  ~RecordFile() {
    if (file_) std::fclose(file_);
  }
  RecordFile(const RecordFile&) = delete;
  RecordFile& operator=(const RecordFile&) = delete;

  // The line as received, then CR LF; a line feed inside becomes CR LF too.
  void Append(const std::string& line) {
    if (!file_) return;
    for (char c : line) {
      if (c == '\n') std::fputc('\r', file_);
      std::fputc(c, file_);
    }
    std::fputs("\r\n", file_);
  }

 private:
  std::FILE* file_;
};

}  // namespace icbus::demo
