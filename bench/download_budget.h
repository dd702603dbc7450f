// The time a record download cannot go below: the bytes on the wire both
// ways, the pause the host keeps before some reads, and the interval
// time-out that ends every read whose reply is shorter than the read.
#pragma once
#include <cstddef>

namespace icbus::bench {

struct Line {
  unsigned baud = 19200;
  unsigned bits_per_byte = 11;  // start, 8 data, the ninth bit, stop
  double interval_ms = 200;     // a gap this long ends a short read
};

// One command and its reply. The reply starts as soon as the command has
// arrived, while the host keeps its pause, so the longer of the two counts.
struct Exchange {
  std::size_t sent = 0;      // command bytes
  std::size_t received = 0;  // reply bytes, "!" included
  std::size_t read = 0;      // the most the host reads
  double pause_ms = 0;       // the host's wait before reading
};

double ExchangeMillis(const Exchange& exchange, const Line& line);

// A whole download: the address phase, one exchange per record, the end
// marker and the closing frame.
struct Download {
  std::size_t address_frame = 6;  // "SA005!", or 12 with a management card
  std::size_t records = 0;
  std::size_t record_reply = 0;  // one record with its "!"
  std::size_t read = 0;          // the record operation's read length
  double pause_ms = 0;           // before each record read
};

double DownloadMillis(const Download& download, const Line& line);

}  // namespace icbus::bench
