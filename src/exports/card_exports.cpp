// C entry points of the card writer operations.
#include "card/identity.h"
#include "card/limits.h"
#include "card/purse.h"
#include "card/writer.h"
#include "link/api_lock.h"
#include "icbus.h"

namespace c = icbus::card;

extern "C" {

ICBUS_API void ICBUS_CALL BeepAX(int port, int mode) {
  ICBUS_SERIALISED;
  c::BeepAx(port, mode);
}

ICBUS_API int ICBUS_CALL ReadCard(int port, int sector, int block, char* out) {
  ICBUS_SERIALISED;
  return c::ReadCard(port, sector, block, out);
}

ICBUS_API int ICBUS_CALL WriteCard(int port, int sector, int block, const char* number) {
  ICBUS_SERIALISED;
  return c::WriteCard(port, sector, block, number);
}

ICBUS_API int ICBUS_CALL WriteCardEx(int port, int sector, int block, const char* number,
                                     const char* password, double daily_limit) {
  ICBUS_SERIALISED;
  return c::WriteCardEx(port, sector, block, number, password, daily_limit);
}

ICBUS_API int ICBUS_CALL WriteCardAccountNo(int port, int sector, int block,
                                            const char* account) {
  ICBUS_SERIALISED;
  return c::WriteCardAccountNo(port, sector, block, account);
}

ICBUS_API int ICBUS_CALL WriteCardPass(int port, int sector, int block, const char* password) {
  ICBUS_SERIALISED;
  return c::WriteCardPass(port, sector, block, password);
}

ICBUS_API int ICBUS_CALL ReadCardPass(int port, int sector, int block, char* out) {
  ICBUS_SERIALISED;
  return c::ReadCardPass(port, sector, block, out);
}

ICBUS_API double ICBUS_CALL ReadBalance(int port, int sector, int block, int mode) {
  ICBUS_SERIALISED;
  return c::ReadBalance(port, sector, block, mode);
}

ICBUS_API int ICBUS_CALL Increase(int port, int kind, int sector, int block, double amount,
                                  int mode) {
  ICBUS_SERIALISED;
  return c::Increase(port, kind, sector, block, amount, mode);
}

ICBUS_API int ICBUS_CALL Decrease(int port, int cancel, int sector, int block, double amount,
                                  int mode) {
  ICBUS_SERIALISED;
  return c::Decrease(port, cancel, sector, block, amount, mode);
}

ICBUS_API double ICBUS_CALL ReadCardMaxConsume(int port, int sector, int block) {
  ICBUS_SERIALISED;
  return c::ReadCardMaxConsume(port, sector, block);
}

ICBUS_API int ICBUS_CALL WriteCardMaxConsume(int port, int sector, int block, double limit) {
  ICBUS_SERIALISED;
  return c::WriteCardMaxConsume(port, sector, block, limit);
}

ICBUS_API int ICBUS_CALL ReadCardAddCount(int port, int sector, int block) {
  ICBUS_SERIALISED;
  return c::ReadCardAddCount(port, sector, block);
}

ICBUS_API int ICBUS_CALL WriteCardAddCount(int port, int sector, int block, int count) {
  ICBUS_SERIALISED;
  return c::WriteCardAddCount(port, sector, block, count);
}

ICBUS_API int ICBUS_CALL ReadCardMaxCC(int port, int sector, int block) {
  ICBUS_SERIALISED;
  return c::ReadCardMaxCC(port, sector, block);
}

ICBUS_API int ICBUS_CALL WriteCardMaxCC(int port, int sector, int block, int limit) {
  ICBUS_SERIALISED;
  return c::WriteCardMaxCC(port, sector, block, limit);
}

}  // extern "C"
