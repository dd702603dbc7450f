// C entry point of the top-up machine transfer.
#include "icbus.h"
#include "link/api_lock.h"
#include "link/refusal.h"
#include "topup/transfer.h"

extern "C" {

ICBUS_API int ICBUS_CALL TransmitATM(int port, int machine, int card, int mode, double amount,
                                     const char* name, int management_card) {
  ICBUS_SERIALISED;
  return icbus::topup::TransmitAtm(port, machine, card, mode, amount, name, management_card);
}

ICBUS_API int ICBUS_CALL icbus_name_drawable(const char* name) {
  ICBUS_SERIALISED;
  if (!name) return icbus::Refuse(0, icbus::Refusal("no name (a null pointer)"));
  return icbus::topup::NameDrawable(name) ? 1 : 0;
}

}  // extern "C"
