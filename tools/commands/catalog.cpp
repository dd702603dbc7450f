#include "commands/catalog.h"

namespace icbus::tool {

const CommandTable& AllCommands() {
  static const CommandTable table = [] {
    CommandTable all;
    for (const CommandTable& family :
         {ClockCommands(), ListCommands(), IdentityCommands(), StateCommands(), ScheduleCommands(),
          DisplayCommands(), RecordCommands(), MonitorCommands(), CardCommands(), PurseCommands(),
          CardLimitCommands(), TopUpCommands(), ScanCommands()}) {
      all.insert(all.end(), family.begin(), family.end());
    }
#ifdef ICBUS_TOOL_STORE
    CommandTable store = StoreCommands();
    all.insert(all.end(), store.begin(), store.end());
#endif
    return all;
  }();
  return table;
}

}  // namespace icbus::tool
