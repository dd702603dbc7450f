// What a command speaks to: a terminal (port, machine number and, for the
// six-digit address, the management card number), or a spot on a card on
// the card writer (port, sector, block).
#pragma once
#include <optional>
#include <string>
#include <vector>

#include "cli/options.h"

namespace icbus::tool {

OptionSpec PortOption();
OptionSpec MachineOption();
OptionSpec CardOption();
OptionSpec SectorOption();
OptionSpec BlockOption();

// --port and --machine.
std::vector<OptionSpec> PlainTarget();
// --port, --sector and --block.
std::vector<OptionSpec> WriterTarget();

struct Target {
  int port = 0;
  int machine = 0;
  std::optional<int> card;  // set: address with the management card number
};

// Reads the target from options already checked against the option lists above.
Target TargetFrom(const OptionValues& options);

// "terminal 5 on port 1", or "terminal 5 (card 123456) on port 1".
std::string Describe(const Target& target);

struct WriterSpot {
  int port = 0;
  int sector = 0;
  int block = 0;
};

// The spot from --port, --sector and --block; `default_block` when --block
// has no value of its own.
WriterSpot WriterSpotFrom(const OptionValues& options, int default_block = 2);

// "sector 2 block 2 on the card writer on port 1".
std::string Describe(const WriterSpot& spot);

}  // namespace icbus::tool
