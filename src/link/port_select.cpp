#include <atomic>

#include "link/port.h"

namespace icbus {
namespace {
std::atomic<Port*> g_port{nullptr};
}  // namespace

Port& ActivePort() {
  Port* port = g_port.load();
  return port ? *port : SystemPort();
}

void UsePort(Port* port) { g_port.store(port); }

}  // namespace icbus
