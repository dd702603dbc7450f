#include <sys/resource.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <cerrno>

#include "records/monitor_priority.h"

namespace icbus::records {

// On Linux each thread has a nice value of its own; one more is one step
// below its creator. A thread may always lower its own priority.
void LowerThisThreadOneStep() {
  const auto thread = static_cast<id_t>(syscall(SYS_gettid));
  errno = 0;
  int nice = getpriority(PRIO_PROCESS, thread);
  if (nice == -1 && errno != 0) return;
  if (nice < 19) setpriority(PRIO_PROCESS, thread, nice + 1);
}

}  // namespace icbus::records
