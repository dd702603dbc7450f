#include "card/course.h"

#include "card/layout.h"
#include "icbus.h"
#include "link/last_error.h"
#include "link/session.h"

namespace icbus::card {

// A block the writer's commands cannot name is refused before anything is
// sent, beep included.
int WriteAndBeep(int port, int sector, int block, const std::string& text) {
  if (Unnamable(sector, block)) return kTransferFailed;
  int code = WriteCardBlock(port, sector, block, text);
  Sound(port, code == kOk ? Beep::kSuccess : Beep::kFailure);
  return code;
}

int ReadModifyWrite(int port, int sector, int block, Beep on_read_failure,
                    const std::function<Edit(const std::string& block)>& edit) {
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
  return WriteAndBeep(port, sector, block, change.text);
}

int RefuseValue(const Refusal& refusal) {
  return Refuse(kOutOfRange, Refusal(refusal.reason(), ICBUS_ERR_CARD_VALUE));
}

int ReadOrBeep(int port, int sector, int block, std::string* text) {
  if (Unnamable(sector, block)) return kTransferFailed;
  int code = ReadCardBlock(port, sector, block, text);
  if (code != kOk) Sound(port, Beep::kFailure);
  return code;
}

}  // namespace icbus::card
