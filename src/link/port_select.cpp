#include <atomic>

#include "link/port.h"

namespace icbus {
namespace {
std::atomic<Port*> g_port{nullptr};
thread_local OpenFailureNote t_open_failure;
}  // namespace

void NoteOpenFailure(OpenFailure kind, const std::string& reason) {
  t_open_failure.kind = kind;
  t_open_failure.reason = reason;
}

OpenFailureNote TakeOpenFailure() {
  OpenFailureNote note = t_open_failure;
  t_open_failure = OpenFailureNote{};
  return note;
}

Port& ActivePort() {
  Port* port = g_port.load();
  return port ? *port : SystemPort();
}

void UsePort(Port* port) { g_port.store(port); }

}  // namespace icbus
