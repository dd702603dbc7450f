#include "terminal/identity.h"

#include <cstdio>

#include "terminal/rows.h"

namespace icbus::terminal {
namespace {

// The commands that broadcast reach every terminal that listens; they carry
// no address and are never followed by "SZ!".
constexpr std::size_t kMachineNumberBuffer = 8;  // "SV" + 4 characters + "!"
constexpr std::size_t kWriterKeyBuffer = 17;     // "SG" + 13 characters + "!"

std::string Formatted(const char* format, int a) {
  char frame[32];
  std::snprintf(frame, sizeof frame, format, a);
  return std::string(frame);
}

}  // namespace

int SetMachNo(int port, const char* number) {
  return Boolean(port,
                 WithBuffer(Broadcast(Framed("SV", number, "the machine number and type"), "DONE"),
                            kMachineNumberBuffer));
}

int SetMasterCard(int port, const char* card) {
  return Boolean(port, Broadcast(Framed("SM", card, "the management card number"), "DONE"));
}

int SetMasterCardA(int port, int machine, const char* card, int current_card) {
  return Boolean(port, SixDigit(machine, current_card,
                                Framed("SM", card, "the new management card number"), 5, "DONE"));
}

int LogOnPass(int port, const char* old_password) {
  return Boolean(port, Broadcast(Framed("SF", old_password, "the old IC-card password"), "DONE"));
}

int SetPass(int port, const char* password) {
  return Boolean(port, Broadcast(Framed("SG", password, "the IC-card password"), "DONE"));
}

int SetPassA(int port, const char* password) {
  return Boolean(port, WithBuffer(CardWriter(Framed("SG", password, "the sector key"), "DONE"),
                                  kWriterKeyBuffer));
}

int SetMachRead(int port, int machine) {
  return Boolean(port, Plain(machine, std::string("SX!"), 5, "DONE"));
}

int GetMachStyle(int port, int machine) {
  return Number(port, Plain(machine, std::string("SW5!"), 2, nullptr));
}

// One digit; 5 would turn the command into the style query "SW5!".
int SetMachStyle(int port, int machine, int style) {
  if (style < 0 || style > 9 || style == 5) {
    return Boolean(port, Refusal("machine style " + std::to_string(style) +
                                 " is not one digit 0 to 9 other than 5 (SW5 asks for the style)"));
  }
  return Boolean(port, Plain(machine, Formatted("SW%1d!", style), 5, "DONE"));
}

int GetState(int port, int machine) {
  return YesNo(port, InCommand(machine, Formatted("ST%03d!", machine), 2, nullptr));
}

// The frame's last digit is the new state: 0 out of service, 1 in service.
int SetPause(int port, int machine, int pause) {
  const char* format = pause == 1 ? "SL%03d0!" : "SL%03d1!";
  return Boolean(port, InCommand(machine, Formatted(format, machine), 5, "DONE"));
}

}  // namespace icbus::terminal
