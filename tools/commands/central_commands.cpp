// records export --central: the records every site pushed to the central
// PostgreSQL store, with the filters, forms and keys of records export --db
// and the site each came from. Built where libpq was found.
#include "central/central_records.h"
#include "central/pg_session.h"
#include "cli/report.h"
#include "commands/catalog.h"
#include "commands/record_rows.h"

namespace icbus::tool {

Outcome ExportCentral(const Context& context) {
  const bool csv = context.options.Has("csv");
  if (csv && WantsJson(context)) return Outcome::Usage("give --csv or --json, not both");
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
  if (csv) context.out << RecordRowsCsvHeader(true);
  try {
    central::PgSession session(conninfo);
    central::ForEachCentralRecord(session, filter,
                                  [&](const std::string& site, const site::RecordRow& row) {
                                    PrintRecordRow(context, csv, &site, row);
                                  });
  } catch (const central::CentralError& e) {
    return Outcome::Failure(e.what());
  }
  return Outcome::Success();
}

}  // namespace icbus::tool
