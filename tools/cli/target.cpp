#include "cli/target.h"

namespace icbus::tool {

// The library refuses values outside these ranges without sending anything;
// checking them here as well turns a typo into a usage error instead of a
// "did not answer" that would send someone looking at the wiring.
OptionSpec PortOption() {
  return IntegerOption("port", "N", 1, 255, true,
                       "serial port number: 1 is COM1; on Linux the device named by "
                       "$ICBUS_COM<N>, else /dev/ttyS<N-1>; or the device itself, such as "
                       "/dev/ttyUSB0 or COM12");
}

OptionSpec MachineOption() {
  return IntegerOption("machine", "N", 0, 999, true, "the terminal's machine number, 0 to 999");
}

OptionSpec CardOption() {
  return IntegerOption("card", "N", 0, 999999, false,
                       "address the terminal together with its management card number, 0 to "
                       "999999");
}

// The writer's commands carry sector x 4 + block in two digits: with four
// blocks a sector, sector 24 is the last one every block of which fits.
OptionSpec SectorOption() {
  return WithDefault(IntegerOption("sector", "N", 0, 24, false, "the card sector, 0 to 24"), "2");
}

OptionSpec BlockOption() {
  return WithDefault(
      IntegerOption("block", "N", 0, 3, false, "the block within the sector, 0 to 3"), "2");
}

std::vector<OptionSpec> PlainTarget() { return {PortOption(), MachineOption()}; }

std::vector<OptionSpec> WriterTarget() { return {PortOption(), SectorOption(), BlockOption()}; }

Target TargetFrom(const OptionValues& options) {
  Target target;
  target.port = static_cast<int>(options.Integer("port"));
  target.machine = static_cast<int>(options.Integer("machine"));
  target.card = options.OptionalInt("card");
  return target;
}

std::string Describe(const Target& target) {
  std::string text = "terminal " + std::to_string(target.machine);
  if (target.card) text += " (card " + std::to_string(*target.card) + ")";
  return text + " on port " + std::to_string(target.port);
}

WriterSpot WriterSpotFrom(const OptionValues& options, int default_block) {
  WriterSpot spot;
  spot.port = static_cast<int>(options.Integer("port"));
  spot.sector = static_cast<int>(options.Integer("sector", 2));
  spot.block = static_cast<int>(options.Integer("block", default_block));
  return spot;
}

std::string Describe(const WriterSpot& spot) {
  return "sector " + std::to_string(spot.sector) + " block " + std::to_string(spot.block) +
         " on the card writer on port " + std::to_string(spot.port);
}

}  // namespace icbus::tool
