#include "card/write_check.h"

#include <algorithm>
#include <cctype>
#include <string>

#include "card/writer.h"
#include "icbus.h"
#include "link/failure_text.h"
#include "link/last_error.h"
#include "link/session.h"

namespace icbus::card {
namespace {

// Hexadecimal digits: a writer may give back in capitals what was written
// in small letters.
bool SameBlock(const std::string& a, const std::string& b) {
  auto upper = [](char c) { return std::toupper(static_cast<unsigned char>(c)); };
  return std::equal(a.begin(), a.end(), b.begin(), b.end(),
                    [&](char x, char y) { return upper(x) == upper(y); });
}

// The first failure of a call is the one kept: the read-back's own reason
// is replaced by one that says what it means for the write.
void Rerecord(int code, const std::string& message) {
  ResetLastError();
  RecordError(code, message);
}

}  // namespace

int CheckCardWrite() {
  const CardWriteRecord record = CurrentSession().last_card_write;
  if (!record.sent) {
    RecordBadArgument(
        "no card write to check: the last card operation on this session sent no write "
        "(it failed before, or none was made)");
    return kNoWriteToCheck;
  }
  const std::string where = "sector " + std::to_string(record.sector) + " block " +
                            std::to_string(record.block) + " of the card on " +
                            CurrentSession().label;
  std::string text;
  if (ReadCardBlock(record.port, record.sector, record.block, &text) != kOk) {
    const int code = LastErrorCode();
    Rerecord(code != ICBUS_ERR_NONE ? code : ICBUS_ERR_TRANSFER,
             "the written block could not be read back, so whether the write took is unknown: " +
                 std::string(LastErrorMessage()));
    return kWriteUnknown;
  }
  if (SameBlock(text, record.after)) return kWriteApplied;
  if (SameBlock(text, record.before)) {
    Rerecord(
        record.failure_code != ICBUS_ERR_NONE ? record.failure_code : ICBUS_ERR_UNEXPECTED_REPLY,
        where + " still holds what it held before the write: the write was not applied" +
            (record.failure_message.empty() ? "" : " (" + record.failure_message + ")"));
    return kWriteNotApplied;
  }
  RecordError(ICBUS_ERR_UNEXPECTED_REPLY,
              where + " holds neither the text written nor the one before (\"" + text +
                  "\"): another card may lie on the writer");
  return kWriteUnknown;
}

}  // namespace icbus::card
