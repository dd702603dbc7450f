// Readiness and the watchdog for systemd (Type=notify). Outside systemd
// (no NOTIFY_SOCKET) every call does nothing.
#pragma once
#include <chrono>
#include <optional>

namespace icbus::service {

void NotifyReady();
void NotifyStopping();
void NotifyReloading();
void NotifyWatchdog();
// Half the unit's WatchdogSec, the interval to ping at; nothing without one.
std::optional<std::chrono::microseconds> WatchdogInterval();

}  // namespace icbus::service
