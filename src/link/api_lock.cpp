#include "link/api_lock.h"

namespace icbus {

std::recursive_mutex& ApiMutex() {
  static std::recursive_mutex mutex;
  return mutex;
}

}  // namespace icbus
