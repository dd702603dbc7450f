// The purse: balance and top-up counter in the purse block.
#pragma once

namespace icbus::card {

double ReadBalance(int port, int sector, int block, int mode);
int Increase(int port, int kind, int sector, int block, double amount, int mode);
int Decrease(int port, int cancel, int sector, int block, double amount, int mode);

}  // namespace icbus::card
