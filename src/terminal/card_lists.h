// The terminals' two card lists: add, remove, empty, and ask for a card.
#pragma once

namespace icbus::terminal {

int SetOpenCard(int port, int machine, const char* card);
int DelOpenCard(int port, int machine, const char* card);
int ClearOpenCard(int port, int machine);
int SetOpenCardEx(int port, int machine, const char* card);
int DelOpenCardEx(int port, int machine, const char* card);
int ClearOpenCardEx(int port, int machine);
int QueryCard(int port, int machine, const char* card);

}  // namespace icbus::terminal
