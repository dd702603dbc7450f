#include "commands/card_results.h"

namespace icbus::tool {

std::string CardFailure(int code, const std::string& out_of_range) {
  switch (code) {
    case 0:
      return "the card writer gave no complete answer";
    case -1:
      return "the card writer could not be reached (port not opened, or the exchange failed)";
    case 2:
      return "no single card on the writer";
    case 3:
      return "the sector key does not match the card; load the card's key into the writer "
             "with 'icbus machine writer-key set'";
    case 4:
      return "the writer could not read or write the block";
    case 5:
      return out_of_range;
    default:
      return "the library answered " + std::to_string(code);
  }
}

Outcome CardOutcome(int code, const std::string& action, const WriterSpot& spot,
                    const std::string& out_of_range) {
  if (code == 1) return Outcome::Success();
  return Outcome::Failure(action + " failed: " + CardFailure(code, out_of_range) + " (" +
                          Describe(spot) + ")");
}

int ReaderFailureCode(const BusApi& bus) {
  switch (bus.last_error ? bus.last_error() : ICBUS_ERR_NONE) {
    case ICBUS_ERR_CARD_NO_SINGLE:
      return 2;
    case ICBUS_ERR_CARD_KEY:
      return 3;
    case ICBUS_ERR_CARD_BLOCK:
      return 4;
    case ICBUS_ERR_SILENT:
    case ICBUS_ERR_NO_BANG:
    case ICBUS_ERR_UNEXPECTED_REPLY:
      return 0;
    default:
      return -1;
  }
}

Outcome ReaderOutcome(const BusApi& bus, const std::string& action, const WriterSpot& spot) {
  return CardOutcome(ReaderFailureCode(bus), action, spot);
}

}  // namespace icbus::tool
