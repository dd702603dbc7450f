#include "card/course.h"

#include "card/layout.h"
#include "icbus.h"
#include "link/last_error.h"
#include "link/session.h"

namespace icbus::card {
namespace {

// A block the writer's commands cannot name is refused before anything is
// sent, beep included.
int SendAndBeep(int port, int sector, int block, const std::string& text) {
  if (Unnamable(sector, block)) return kTransferFailed;
  int code = WriteCardBlock(port, sector, block, text);
  Sound(port, code == kOk ? Beep::kSuccess : Beep::kFailure);
  return code;
}

// The writer changes only the characters a write carries: a short text
// leaves the rest of the block as it was read.
CardWriteRecord Attempt(int port, int sector, int block, const std::string& before,
                        const std::string& text) {
  const std::string after = text.size() < before.size() ? text + before.substr(text.size()) : text;
  return CardWriteRecord{true, port, sector, block, before, after, ICBUS_ERR_NONE, {}};
}

}  // namespace

void ForgetCardWrite() { CurrentSession().last_card_write = CardWriteRecord{}; }

// A plain write has no block read before it to compare a read-back with.
int WriteAndBeep(int port, int sector, int block, const std::string& text) {
  ForgetCardWrite();
  return SendAndBeep(port, sector, block, text);
}

int ReadModifyWrite(int port, int sector, int block, Beep on_read_failure,
                    const std::function<Edit(const std::string& block)>& edit) {
  ForgetCardWrite();
  if (Unnamable(sector, block)) return kTransferFailed;
  std::string text;
  int code = ReadCardBlock(port, sector, block, &text);
  if (code != kOk) {
    Sound(port, on_read_failure);
    return code;
  }
  // Only whole blocks of card data are ever written back: a short or
  // garbled reply must not end up on the card.
  Edit change = IsBlockText(text) ? edit(text) : Edit::Stop(kBlockFailed);
  const std::string where = "sector " + std::to_string(sector) + " block " + std::to_string(block) +
                            " of the card on " + CurrentSession().label;
  if (change.code == kBlockFailed) {
    RecordError(ICBUS_ERR_CARD_BLOCK, where + " holds no card data: \"" + text + "\"");
  }
  if (change.code == kOutOfRange) {
    RecordError(ICBUS_ERR_CARD_VALUE,
                "the new value does not fit " + where + "; nothing was written");
  }
  if (change.code == kBlockFailed) Sound(port, Beep::kFailure);
  if (change.code != kOk) return change.code;
  CardWriteRecord& record = CurrentSession().last_card_write;
  record = Attempt(port, sector, block, text, change.text);
  code = SendAndBeep(port, sector, block, change.text);
  if (code != kOk) {
    record.failure_code = LastErrorCode();
    record.failure_message = LastErrorMessage();
  }
  return code;
}

int RefuseValue(const Refusal& refusal) {
  ForgetCardWrite();
  return Refuse(kOutOfRange, Refusal(refusal.reason(), ICBUS_ERR_CARD_VALUE));
}

int ReadOrBeep(int port, int sector, int block, std::string* text) {
  if (Unnamable(sector, block)) return kTransferFailed;
  int code = ReadCardBlock(port, sector, block, text);
  if (code != kOk) Sound(port, Beep::kFailure);
  return code;
}

}  // namespace icbus::card
