// Reading back the block of a card write whose answer went wrong: a lost
// "DONE!" does not mean the card was left alone, and a retry would then
// apply the change twice.
#pragma once

namespace icbus::card {

// Results of CheckCardWrite, as icbus_check_card_write gives them.
constexpr int kWriteApplied = 1;
constexpr int kWriteNotApplied = 0;
constexpr int kWriteUnknown = -1;
constexpr int kNoWriteToCheck = -2;

// Reads the block of the current session's last recorded write ("SR" only,
// no beep) and compares it with the text written and the text before.
int CheckCardWrite();

}  // namespace icbus::card
