#include <chrono>
#include <cstdlib>
#include <iostream>

#include "cli/consent.h"
#include "host/host.h"
#include "host/system_parts.h"

namespace icbus::tool {

Host SystemHost() {
  Host host;
  host.progress = system::StandardErrorIsTerminal();
  host.stop_signal = system::StopSignal;
  host.pause = system::Pause;
  host.now = system::Now;
  host.seconds = [] {
    using namespace std::chrono;
    return duration<double>(steady_clock::now().time_since_epoch()).count();
  };
  host.utc_offset_minutes = system::UtcOffsetMinutes;
  host.port_for_device = system::PortForDevice;
  host.ask = [](const std::string& question) -> std::optional<bool> {
    if (!system::StandardInputIsTerminal() || !system::StandardErrorIsTerminal()) {
      return std::nullopt;
    }
    return AskYesNo(std::cin, std::cerr, question);
  };
  host.environment = [](const char* name) -> const char* { return std::getenv(name); };
  return host;
}

}  // namespace icbus::tool
