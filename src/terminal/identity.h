// A terminal's identity, keys and service state, and the library version.
#pragma once

namespace icbus::terminal {

int SetMachNo(int port, const char* number);
int SetMasterCard(int port, const char* card);
int SetMasterCardA(int port, int machine, const char* card, int current_card);
int LogOnPass(int port, const char* old_password);
int SetPass(int port, const char* password);
int SetPassA(int port, const char* password);
int SetMachRead(int port, int machine);
int GetMachStyle(int port, int machine);
int SetMachStyle(int port, int machine, int style);
int GetState(int port, int machine);
int SetPause(int port, int machine, int pause);

// Shows the library version to a person; returns the dialog's answer.
int ShowVersion();

}  // namespace icbus::terminal
