// Host threads (and the swipe monitor's own thread) may use the one port
// concurrently; one process-wide lock serialises them so they never share
// the port mid-transaction.
#pragma once
#include <mutex>

namespace icbus {

std::recursive_mutex& ApiMutex();

#define ICBUS_SERIALISED std::lock_guard<std::recursive_mutex> icbus_api_guard(::icbus::ApiMutex())

}  // namespace icbus
