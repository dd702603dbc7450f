// Finding the terminals on a line: does a machine number answer?
#pragma once

namespace icbus::terminal {

// Over the port the caller holds open in address mode: sends the address
// frame "SA%03d!" and reads the answer with the poll's short time-outs
// (5 ms between bytes, 12 ms in all), so a silent number costs milliseconds,
// not the second a transaction waits. A terminal that answered "OK" is
// released with "SZ!" in data mode, and the port goes back to address mode.
// 1 when it answered "OK", 0 when nothing or anything else came, -1 when no
// port is held, the machine number is out of range or a mode switch failed.
int Probe(int machine);

}  // namespace icbus::terminal
