#include "commands/record_rows.h"

#include "cli/report.h"
#include "store/csv_field.h"

namespace icbus::tool {

using site::CsvField;

std::string RecordRowsCsvHeader(bool with_site) {
  return std::string(with_site ? "site," : "") +
         "id,bus,machine,kind,run,position,line,received_at\r\n";
}

void PrintRecordRow(const Context& context, bool csv, const std::string* site,
                    const site::RecordRow& row) {
  if (csv) {
    if (site) context.out << CsvField(*site) << ',';
    context.out << row.id << ',' << CsvField(row.bus) << ',' << row.machine << ','
                << CsvField(row.kind) << ',' << row.run << ',' << row.position << ','
                << CsvField(row.line) << ',' << row.received_at << "\r\n";
    return;
  }
  JsonObject json;
  if (site) json.Add("site", *site);
  Report(context, row.line,
         json.Add("id", static_cast<long long>(row.id))
             .Add("bus", row.bus)
             .Add("machine", row.machine)
             .Add("kind", row.kind)
             .Add("run", row.run)
             .Add("position", row.position)
             .Add("line", row.line)
             .Add("received_at", row.received_at));
}

}  // namespace icbus::tool
