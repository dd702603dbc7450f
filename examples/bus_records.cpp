// bus_records: the C++ interface (icbus.hpp) on one bus: read a terminal's
// clock and record count, then download its consumption records.
//
//   bus_records PORT MACHINE
//
// PORT is the serial port number (1 is COM1; on Linux port n is the device
// named by the environment variable ICBUS_COM<n>, else /dev/ttyS<n-1>),
// MACHINE the terminal's machine number on the bus (0 to 999).
//
// Try it against the simulator:
//   icbus-sim --link /tmp/com1 &
//   ICBUS_COM1=/tmp/com1 ./bus_records 1 5
#include <icbus.hpp>

#include <cstdlib>
#include <iostream>
#include <string>
#include <vector>

int main(int argc, char** argv) {
  if (argc != 3) {
    std::cerr << "usage: " << argv[0] << " PORT MACHINE\n";
    return 2;
  }
  const int port = std::atoi(argv[1]);
  const int machine = std::atoi(argv[2]);

  // One Bus per serial bus. It has a port session of its own: a program
  // may keep a Bus per port and use them from several threads at once.
  icbus::Bus bus(port);

  // Fast replies: each reply read ends at its "!" instead of waiting out
  // the read time-out. Results and frames stay the same, only faster.
  bus.SetFastReplies(true);

  // Results are values: an empty optional means the terminal did not answer.
  std::optional<std::string> clock = bus.GetTime(machine);
  if (!clock) {
    std::cerr << "terminal " << machine << " on port " << port << " did not answer\n";
    return 1;
  }
  std::cout << "clock of terminal " << machine << ": " << *clock << "\n";

  std::optional<int> count = bus.RecordCount(machine);
  if (!count) {
    std::cerr << "terminal " << machine << " did not say how many records it holds\n";
    return 1;
  }
  std::cout << "terminal " << machine << " holds " << *count << " records\n";

  // A Download holds the port until the terminal has no more records. If it
  // goes out of scope early (an exception, a break), it still releases the
  // terminal, so the next call on the bus finds the line free.
  std::vector<std::string> records;
  {
    icbus::Download download = bus.Records(machine, icbus::RecordKind::kConsumption);
    while (std::optional<std::string> record = download.Next()) records.push_back(*record);
    if (!download.Complete()) {
      std::cerr << "the download broke off after " << records.size() << " records\n";
      return 1;
    }
  }
  for (const std::string& record : records) std::cout << record << "\n";
  std::cout << "downloaded " << records.size() << " records\n";
  return 0;
}
