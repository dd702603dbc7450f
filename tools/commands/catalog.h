// Every command the tool knows, family by family. A new family adds a
// function here and one line to AllCommands().
#pragma once
#include <optional>
#include <string>

#include "cli/command.h"

namespace icbus::tool {

CommandTable ClockCommands();      // time get, time set, clear
CommandTable ListCommands();       // list add|remove|clear|query
CommandTable IdentityCommands();   // machine number|master-card|password|writer-key ...
CommandTable StateCommands();      // machine reader-mode|style|state|pause|resume, version
CommandTable ScheduleCommands();   // set meal-limit|meal-period|interval|bell|door|water|reserve
CommandTable DisplayCommands();    // set keyboard|menu-amount|menu-name|display|read-name
CommandTable RecordCommands();     // records count|total|collect
CommandTable MonitorCommands();    // monitor
CommandTable CardCommands();       // card read|write|issue|account|password|beep
CommandTable PurseCommands();      // card balance|topup|refund|debit|cancel
CommandTable CardLimitCommands();  // card limit daily|meals, card count
CommandTable TopUpCommands();      // topup send
CommandTable ScanCommands();       // scan
#ifdef ICBUS_TOOL_STORE
CommandTable StoreCommands();  // records export (the site's store)
// records collect --db: one terminal's records into the store.
Outcome CollectIntoStore(const Context& context, const std::string& kind, int port, int machine,
                         std::optional<int> card);
#endif
#ifdef ICBUS_TOOL_CENTRAL
// records export --central: the central store's records instead of a site's.
Outcome ExportCentral(const Context& context);
#endif

const CommandTable& AllCommands();

// The release of the library `bus` reaches, such as "1.0.0".
std::string LibraryRelease(const BusApi& bus);
// "icbus 1.0.0 (library 1.0.0)": the tool's release and the loaded library's.
std::string VersionLine(const std::string& library);

}  // namespace icbus::tool
