// Schedules, tariffs, menus and display texts downloaded into a terminal.
#pragma once
#include <cstddef>
#include <string>

namespace icbus::terminal {

int SetMealTimes(int port, int machine, int limit);
int SetMealTime(int port, int machine, const char* period);
int SetKeyboard(int port, int machine, int index, double amount);
int SetClassMenuMoney(int port, int machine, const char* category, const char* menu,
                      double amount);
int SetClassMenuName(int port, int machine, const char* category, const char* menu,
                     const char* name);
int SetReserveParam(int port, int machine, int selector, const char* text);
int SetIntervalTime(int port, int machine, int interval);
int SetScreenDisplayText(int port, int machine, const char* text);
int SetBellTime(int port, int machine, const char* bell);
int SetOpenTime(int port, int machine, const char* period);
int SetWaterParam(int port, int machine, int price, int units, int seconds);
int SetReadCardName(int port, int machine, const char* text);

// Helpers with rules of their own, exposed for tests.
// Whole units of 1/scale yuan, truncated toward zero (a product just below a
// whole unit through binary rounding is that unit); nothing for amounts
// that are negative, not finite or too large for the frame.
bool AmountUnits(double yuan, int scale, int* units);
// The text cut or padded with spaces to exactly `width` bytes.
std::string FixedWidth(const char* text, std::size_t width);

}  // namespace icbus::terminal
