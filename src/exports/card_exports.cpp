// C entry points of the card writer operations.
#include "card/identity.h"
#include "card/limits.h"
#include "card/purse.h"
#include "card/write_check.h"
#include "card/writer.h"
#include "icbus.h"
#include "link/api_lock.h"
#include "link/failure_text.h"
#include "link/last_error.h"

namespace c = icbus::card;

namespace {

// An operation that failed before any exchange (a value its commands cannot
// carry) has met no step that records why: say so here.
int Coded(int code) {
  if (code == c::kOk || icbus::LastErrorCode() != 0) return code;
  if (code == c::kOutOfRange) {
    icbus::RecordError(ICBUS_ERR_CARD_VALUE,
                       "the value is out of the range its card field holds; nothing was sent");
  } else {
    icbus::RecordBadArgument("an argument the card writer's commands cannot carry");
  }
  return code;
}

// The readers of numbers: a negative value is their failure.
template <typename Value>
Value Valued(Value value) {
  if (value < 0) Coded(c::kTransferFailed);
  return value;
}

}  // namespace

extern "C" {

ICBUS_API void ICBUS_CALL BeepAX(int port, int mode) {
  ICBUS_SERIALISED;
  c::BeepAx(port, mode);
}

ICBUS_API int ICBUS_CALL ReadCard(int port, int sector, int block, char* out) {
  ICBUS_SERIALISED;
  return Coded(c::ReadCard(port, sector, block, out));
}

ICBUS_API int ICBUS_CALL WriteCard(int port, int sector, int block, const char* number) {
  ICBUS_SERIALISED;
  return Coded(c::WriteCard(port, sector, block, number));
}

ICBUS_API int ICBUS_CALL WriteCardEx(int port, int sector, int block, const char* number,
                                     const char* password, double daily_limit) {
  ICBUS_SERIALISED;
  return Coded(c::WriteCardEx(port, sector, block, number, password, daily_limit));
}

ICBUS_API int ICBUS_CALL WriteCardAccountNo(int port, int sector, int block,
                                            const char* account) {
  ICBUS_SERIALISED;
  return Coded(c::WriteCardAccountNo(port, sector, block, account));
}

ICBUS_API int ICBUS_CALL WriteCardPass(int port, int sector, int block, const char* password) {
  ICBUS_SERIALISED;
  return Coded(c::WriteCardPass(port, sector, block, password));
}

ICBUS_API int ICBUS_CALL ReadCardPass(int port, int sector, int block, char* out) {
  ICBUS_SERIALISED;
  return Coded(c::ReadCardPass(port, sector, block, out));
}

ICBUS_API double ICBUS_CALL ReadBalance(int port, int sector, int block, int mode) {
  ICBUS_SERIALISED;
  return Valued(c::ReadBalance(port, sector, block, mode));
}

ICBUS_API int ICBUS_CALL Increase(int port, int kind, int sector, int block, double amount,
                                  int mode) {
  ICBUS_SERIALISED;
  return Coded(c::Increase(port, kind, sector, block, amount, mode));
}

ICBUS_API int ICBUS_CALL Decrease(int port, int cancel, int sector, int block, double amount,
                                  int mode) {
  ICBUS_SERIALISED;
  return Coded(c::Decrease(port, cancel, sector, block, amount, mode));
}

ICBUS_API double ICBUS_CALL ReadCardMaxConsume(int port, int sector, int block) {
  ICBUS_SERIALISED;
  return Valued(c::ReadCardMaxConsume(port, sector, block));
}

ICBUS_API int ICBUS_CALL WriteCardMaxConsume(int port, int sector, int block, double limit) {
  ICBUS_SERIALISED;
  return Coded(c::WriteCardMaxConsume(port, sector, block, limit));
}

ICBUS_API int ICBUS_CALL ReadCardAddCount(int port, int sector, int block) {
  ICBUS_SERIALISED;
  return Valued(c::ReadCardAddCount(port, sector, block));
}

ICBUS_API int ICBUS_CALL WriteCardAddCount(int port, int sector, int block, int count) {
  ICBUS_SERIALISED;
  return Coded(c::WriteCardAddCount(port, sector, block, count));
}

ICBUS_API int ICBUS_CALL ReadCardMaxCC(int port, int sector, int block) {
  ICBUS_SERIALISED;
  return Valued(c::ReadCardMaxCC(port, sector, block));
}

ICBUS_API int ICBUS_CALL WriteCardMaxCC(int port, int sector, int block, int limit) {
  ICBUS_SERIALISED;
  return Coded(c::WriteCardMaxCC(port, sector, block, limit));
}

ICBUS_API int ICBUS_CALL icbus_check_card_write(void) {
  ICBUS_SERIALISED;
  return c::CheckCardWrite();
}

}  // extern "C"
