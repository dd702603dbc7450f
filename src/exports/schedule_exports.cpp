// C entry points of the schedule, tariff, menu and display commands.
#include "link/api_lock.h"
#include "icbus.h"
#include "terminal/schedules.h"

namespace t = icbus::terminal;

extern "C" {

ICBUS_API int ICBUS_CALL SetMealTimes(int port, int machine, int limit) {
  ICBUS_SERIALISED;
  return t::SetMealTimes(port, machine, limit);
}

ICBUS_API int ICBUS_CALL SetMealTime(int port, int machine, const char* period) {
  ICBUS_SERIALISED;
  return t::SetMealTime(port, machine, period);
}

ICBUS_API int ICBUS_CALL SetKeyboard(int port, int machine, int index, double amount) {
  ICBUS_SERIALISED;
  return t::SetKeyboard(port, machine, index, amount);
}

ICBUS_API int ICBUS_CALL SetClassMenuMoney(int port, int machine, const char* category,
                                           const char* menu, double amount) {
  ICBUS_SERIALISED;
  return t::SetClassMenuMoney(port, machine, category, menu, amount);
}

ICBUS_API int ICBUS_CALL SetClassMenuName(int port, int machine, const char* category,
                                          const char* menu, const char* name) {
  ICBUS_SERIALISED;
  return t::SetClassMenuName(port, machine, category, menu, name);
}

ICBUS_API int ICBUS_CALL SetReserveParam(int port, int machine, int selector, const char* text) {
  ICBUS_SERIALISED;
  return t::SetReserveParam(port, machine, selector, text);
}

ICBUS_API int ICBUS_CALL SetIntervalTime(int port, int machine, int interval) {
  ICBUS_SERIALISED;
  return t::SetIntervalTime(port, machine, interval);
}

ICBUS_API int ICBUS_CALL SetScreenDisplayText(int port, int machine, const char* text) {
  ICBUS_SERIALISED;
  return t::SetScreenDisplayText(port, machine, text);
}

ICBUS_API int ICBUS_CALL SetBellTime(int port, int machine, const char* bell) {
  ICBUS_SERIALISED;
  return t::SetBellTime(port, machine, bell);
}

ICBUS_API int ICBUS_CALL SetOpenTime(int port, int machine, const char* period) {
  ICBUS_SERIALISED;
  return t::SetOpenTime(port, machine, period);
}

ICBUS_API int ICBUS_CALL SetWaterParam(int port, int machine, int price, int units,
                                       int seconds) {
  ICBUS_SERIALISED;
  return t::SetWaterParam(port, machine, price, units, seconds);
}

ICBUS_API int ICBUS_CALL SetReadCardName(int port, int machine, const char* text) {
  ICBUS_SERIALISED;
  return t::SetReadCardName(port, machine, text);
}

}  // extern "C"
