// Host threads may call the library concurrently; one process-wide lock
// serialises the calls so they never share the port mid-transaction.
#pragma once
#include <mutex>

namespace icbus {

std::recursive_mutex& ApiMutex();

#define ICBUS_SERIALISED std::lock_guard<std::recursive_mutex> icbus_api_guard(::icbus::ApiMutex())

}  // namespace icbus
