// records export --db, and records collect --db: the tool on the site's
// durable store, through the same path as icbusd (each record committed
// before the next is asked for, each record once by its position). Built
// where the site layer is.
#include <optional>

#include "cli/failure_reason.h"
#include "cli/report.h"
#include "collect/collector.h"
#include "commands/catalog.h"
#include "commands/record_rows.h"
#include "host/port_holder.h"
#include "icbus.hpp"
#include "store/store.h"

namespace icbus::tool {

namespace {

Outcome Export(const Context& context) {
  if (context.options.Has("db") == context.options.Has("central")) {
    return Outcome::Usage("give --db FILE or --central CONNINFO (one of them)");
  }
  if (context.options.Has("site") && !context.options.Has("central")) {
    return Outcome::Usage("--site goes with --central: a site's own store holds only its records");
  }
#ifdef ICBUS_TOOL_CENTRAL
  if (context.options.Has("central")) return ExportCentral(context);
#endif
  std::string error;
  auto store = site::OpenSqliteStore(context.options.Text("db"), &error);
  if (!store) return Outcome::Failure(error);
  site::RecordFilter filter;
  filter.since = context.options.Has("since") ? context.options.Text("since") : "";
  filter.bus = context.options.Has("bus") ? context.options.Text("bus") : "";
  filter.machine = context.options.OptionalInt("machine");
  filter.kind = context.options.Has("kind") ? context.options.Text("kind") : "";
  bool csv = context.options.Has("csv");
  if (csv && WantsJson(context)) return Outcome::Usage("give --csv or --json, not both");
  if (csv) context.out << RecordRowsCsvHeader(false);
  // In pages, so a large store never sits in memory at once.
  for (;;) {
    auto rows = store->Records(filter);
    for (const site::RecordRow& row : rows) PrintRecordRow(context, csv, nullptr, row);
    if (rows.size() < static_cast<std::size_t>(filter.limit)) break;
    filter.after_id = rows.back().id;
  }
  return Outcome::Success();
}

}  // namespace

// The tool's bus in the store is its port: "port1".
Outcome CollectIntoStore(const Context& context, const std::string& kind_name, int port,
                         int machine, std::optional<int> card) {
  std::string error;
  auto store = site::OpenSqliteStore(context.options.Text("db"), &error);
  if (!store) return Outcome::Failure(error);
  const site::SiteRecordKind* kind = site::RecordKindByName(kind_name);
  if (!kind) return Outcome::Usage("--db does not take --kind " + kind_name);
  site::TerminalConfig terminal;
  terminal.machine = machine;
  terminal.management_card = card;
  if (card)
    terminal.kind =
        kind_name == "topup" ? site::TerminalKind::kTopUp : site::TerminalKind::kDesktopTopUp;
  icbus::Bus bus(port);
  bus.SetDecimals(context.options.Has("decimals") ? std::stoi(context.options.Text("decimals"))
                                                  : 1);
  bus.SetFastReplies(context.options.Has("fast"));
  std::string name = "port" + std::to_string(port);
  site::CollectResult result = site::CollectRecords(bus, *store, name, terminal, *kind,
                                                    [&] { return context.host.interrupted(); });
  std::string summary = std::to_string(result.stored) + " new of " +
                        std::to_string(result.received) + " records stored in " +
                        context.options.Text("db") + " (bus " + name + ")";
  if (!result.complete) {
    std::string reason = result.error.empty() ? "interrupted" : result.error;
    if (auto error = icbus::Bus::LastError(); error.code == ICBUS_ERR_PORT_BUSY) {
      reason = error.message + HolderAdvice(error.message);
    }
    return Outcome::Failure(summary + "; the download did not end: " + reason);
  }
  Report(context, summary,
         JsonObject()
             .Add("bus", name)
             .Add("machine", machine)
             .Add("kind", kind_name)
             .Add("received", result.received)
             .Add("stored", result.stored));
  return Outcome::Success();
}

CommandTable StoreCommands() {
  std::vector<OptionSpec> options = {
      TextOption("db", "FILE", TextCheck::kAny, 1, 4096, false, "the store (icbusd's SQLite file)"),
#ifdef ICBUS_TOOL_CENTRAL
      TextOption("central", "CONNINFO", TextCheck::kAny, 1, 4096, false,
                 "instead of --db: the central PostgreSQL store, a libpq connection string (the "
                 "password from PGPASSFILE or PGPASSWORD)"),
      TextOption("site", "NAME", TextCheck::kAny, 1, 200, false,
                 "with --central: the records of this site"),
#endif
      TextOption("since", "TIME", TextCheck::kAny, 1, 40, false,
                 "records received at or after TIME (UTC, as stored: 2026-12-10T15:00:00Z)"),
      TextOption("bus", "NAME", TextCheck::kAny, 1, 200, false,
                 "records of this bus (portN for the tool's own)"),
      IntegerOption("machine", "N", 0, 999, false, "records of this terminal"),
      TextOption("kind", "KIND", TextCheck::kAny, 1, 20, false,
                 "records of this kind (consumption, backup, ...)"),
      FlagOption("csv", "CSV with a header line instead of the record lines"),
  };
  return {
      {{"records", "export"},
       "print the records of a store",
       "Prints the records a store (icbusd's, or records collect --db) holds, in the order they "
       "were stored: the record lines as collected, or with --json one object a record (id, bus, "
       "machine, kind, run, position, line, received_at), or with --csv a table. Filters narrow "
       "it down; the store may be in use by icbusd meanwhile. With --central instead of --db, "
       "the records the sites pushed to the central store, by site and then in each site's "
       "order, with the same keys and site.",
       options,
       Export},
  };
}

}  // namespace icbus::tool
