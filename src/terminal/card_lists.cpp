#include "terminal/card_lists.h"

#include "terminal/rows.h"

namespace icbus::terminal {

// The second list's removal and the query send the same "SQ" frame; only
// the terminal's answer ("DONE", or "1" for a card in the list) differs.

int SetOpenCard(int port, int machine, const char* card) {
  return Boolean(port, Plain(machine, Framed("SO", card, "the card text"), 5, "DONE"));
}

int DelOpenCard(int port, int machine, const char* card) {
  return Boolean(port, Plain(machine, Framed("SN", card, "the card text"), 5, "DONE"));
}

int ClearOpenCard(int port, int machine) {
  return Boolean(port, Plain(machine, std::string("SP!"), 5, "DONE"));
}

int SetOpenCardEx(int port, int machine, const char* card) {
  return Boolean(port, Plain(machine, Framed("SR", card, "the card text"), 5, "DONE"));
}

int DelOpenCardEx(int port, int machine, const char* card) {
  return Boolean(port, Plain(machine, Framed("SQ", card, "the card text"), 5, "DONE"));
}

int ClearOpenCardEx(int port, int machine) {
  return Boolean(port, Plain(machine, std::string("SS!"), 5, "DONE"));
}

int QueryCard(int port, int machine, const char* card) {
  return YesNo(port, Plain(machine, Framed("SQ", card, "the card text"), 5, nullptr));
}

}  // namespace icbus::terminal
