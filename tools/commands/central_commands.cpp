// Reading the central ledger: the records every site pushed to the central
// PostgreSQL store, with the filters and keys of the local store's export
// and the site each came from. Built where libpq was found.
#include <sstream>

#include "central/central_records.h"
#include "central/pg_session.h"
#include "cli/report.h"
#include "commands/catalog.h"

namespace icbus::tool {
namespace {

// A CSV field: quoted when it holds a comma, a quote or a line end.
std::string CsvField(const std::string& text) {
  if (text.find_first_of(",\"\r\n") == std::string::npos) return text;
  std::string quoted = "\"";
  for (char c : text) quoted += c == '"' ? std::string("\"\"") : std::string(1, c);
  return quoted + "\"";
}

Outcome Export(const Context& context) {
  const bool csv = context.options.Has("csv");
  if (csv == WantsJson(context)) return Outcome::Usage("say --json or --csv (one of them)");
  const std::string conninfo = context.options.Text("central");
  if (std::string problem = central::CheckConninfo(conninfo); !problem.empty()) {
    return Outcome::Usage(problem);
  }
  central::CentralRecordFilter filter;
  filter.site = context.options.Text("site");
  filter.records.since = context.options.Text("since");
  filter.records.bus = context.options.Text("bus");
  filter.records.machine = context.options.OptionalInt("machine");
  filter.records.kind = context.options.Text("kind");
  filter.records.limit = 0;
  if (csv) context.out << "site,id,bus,machine,kind,run,position,download,line,received_at\r\n";
  try {
    central::PgSession session(conninfo);
    central::ForEachCentralRecord(
        session, filter, [&](const std::string& site, const site::RecordRow& row) {
          if (csv) {
            context.out << CsvField(site) << ',' << row.id << ',' << CsvField(row.bus) << ','
                        << row.machine << ',' << CsvField(row.kind) << ',' << row.run << ','
                        << row.position << ',' << row.download << ',' << CsvField(row.line) << ','
                        << row.received_at << "\r\n";
            return;
          }
          context.out << JsonObject()
                             .Add("site", site)
                             .Add("id", static_cast<long long>(row.id))
                             .Add("bus", row.bus)
                             .Add("machine", row.machine)
                             .Add("kind", row.kind)
                             .Add("run", row.run)
                             .Add("position", row.position)
                             .Add("download", static_cast<long long>(row.download))
                             .Add("line", row.line)
                             .Add("received_at", row.received_at)
                             .Text()
                      << '\n';
        });
  } catch (const central::CentralError& e) {
    return Outcome::Failure(e.what());
  }
  context.out.flush();
  return Outcome::Success();
}

}  // namespace

CommandTable CentralCommands() {
  std::vector<OptionSpec> options = {
      TextOption("central", "CONNINFO", TextCheck::kAny, 1, 4096, true,
                 "the central store, a libpq connection string (the password from PGPASSFILE "
                 "or PGPASSWORD)"),
      TextOption("site", "NAME", TextCheck::kAny, 1, 200, false, "only this site's records"),
      TextOption("since", "UTC", TextCheck::kAny, 10, 30, false,
                 "only records received at or after this UTC time (2026-12-10 or "
                 "2026-12-10T08:00:00Z)"),
      TextOption("bus", "NAME", TextCheck::kAny, 1, 200, false, "only this bus's records"),
      IntegerOption("machine", "N", 0, 999, false, "only this terminal's records"),
      TextOption("kind", "KIND", TextCheck::kAny, 1, 40, false,
                 "only records of this kind (consumption, attendance, backup, water, topup, "
                 "desktop)"),
      FlagOption("csv", "CSV with a header line instead of --json's one object a line"),
  };
  return {{{"records", "export"},
           "print the records in the central store",
           "Prints the records the sites pushed to the central PostgreSQL store, by site and "
           "then in the order each site stored them: with --json one object a line (site, id "
           "in the site's store, bus, machine, kind, run, position, download, line exactly as "
           "collected, received_at in UTC), with --csv the same columns. Nothing is sent to a "
           "terminal.",
           options,
           Export}};
}

}  // namespace icbus::tool
