#include "commands/card_results.h"

#include "cli/failure_reason.h"

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

WriteCheck CheckWrite(const Context& context, const Outcome& failed, const std::string& what,
                      const std::string& action) {
  if (!context.bus.check_card_write) return {false, failed, ""};
  // The read-back replaces the library's reason: keep the write's own.
  const std::string reason = FailureText(failed, context.bus);
  WriteCheck check;
  check.failure = Outcome::Explained(reason);
  if (context.bus.last_error && context.bus.last_error_message) {
    const char* message = context.bus.last_error_message();
    check.failure.library_error = {context.bus.last_error(), message ? message : ""};
  }
  switch (context.bus.check_card_write()) {
    case 1:
      check.applied = true;
      check.found = "applied";
      context.err << "icbus: note: " << reason << "; but the card read back holds the new " << what
                  << ": " << action << " was applied; do not repeat it\n";
      return check;
    case 0:
      check.found = "not applied";
      check.failure.message += "; the card read back holds the old " + what +
                               ": nothing was changed, it is safe to retry";
      break;
    case -1:
      check.found = "unknown";
      check.failure.message +=
          "; reading the card back did not tell (it could not be read, or another card lies "
          "on the writer): read the " +
          what + " before you retry";
      break;
    default:
      break;
  }
  if (!check.found.empty()) check.failure.json.emplace_back("write", check.found);
  return check;
}

}  // namespace icbus::tool
