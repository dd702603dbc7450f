#include "download_budget.h"

#include <algorithm>

namespace icbus::bench {
namespace {

constexpr std::size_t kCommand = 3;       // "SC!", "SB!", "SZ!"
constexpr std::size_t kAddressReply = 3;  // "OK!", read in full
constexpr std::size_t kEndMarker = 5;     // "OVER!"

double WireMillis(std::size_t bytes, const Line& line) {
  return 1000.0 * static_cast<double>(bytes * line.bits_per_byte) / line.baud;
}

}  // namespace

double ExchangeMillis(const Exchange& exchange, const Line& line) {
  double millis = WireMillis(exchange.sent, line) +
                  std::max(exchange.pause_ms, WireMillis(exchange.received, line));
  if (exchange.received < exchange.read) millis += line.interval_ms;
  return millis;
}

double DownloadMillis(const Download& download, const Line& line) {
  double millis = ExchangeMillis({download.address_frame, kAddressReply, kAddressReply, 0}, line);
  millis +=
      static_cast<double>(download.records) *
      ExchangeMillis({kCommand, download.record_reply, download.read, download.pause_ms}, line);
  millis += ExchangeMillis({kCommand, kEndMarker, download.read, download.pause_ms}, line);
  return millis + WireMillis(kCommand, line);
}

}  // namespace icbus::bench
