#include <windows.h>

#include "records/monitor_priority.h"

namespace icbus::records {

void LowerThisThreadOneStep() {
  SetThreadPriority(GetCurrentThread(), THREAD_PRIORITY_BELOW_NORMAL);
}

}  // namespace icbus::records
