#include "central/central_records.h"

#include <algorithm>

namespace icbus::central {
namespace {

constexpr int kPage = 5000;

// Keyset paging on (site, local_id): each page starts after the last row of
// the one before, so a ledger that grows meanwhile is read without gaps.
constexpr const char* kPageSql = R"sql(
SELECT site, local_id, download, sequence, bus, machine, kind, run, position, line,
       to_char(received_at AT TIME ZONE 'UTC', 'YYYY-MM-DD"T"HH24:MI:SS.MS"Z"')
FROM icbus.records
WHERE ($1 = '' OR site = $1)
  AND ($2 = '' OR received_at >= ($2::timestamp AT TIME ZONE 'UTC'))
  AND ($3 = '' OR bus = $3)
  AND ($4::integer IS NULL OR machine = $4::integer)
  AND ($5 = '' OR kind = $5)
  AND (site, local_id) > ($6, $7::bigint)
ORDER BY site, local_id
LIMIT $8
)sql";

}  // namespace

long ForEachCentralRecord(
    PgSession& session, const CentralRecordFilter& filter,
    const std::function<void(const std::string& site, const site::RecordRow& row)>& take) {
  const site::RecordFilter& f = filter.records;
  const long most = f.limit > 0 ? f.limit : -1;
  std::string after_site = filter.site;
  long long after_id = f.after_id;
  long count = 0;
  // One snapshot for all pages: rows committed meanwhile are not half seen.
  session.Transaction(
      [&] {
        for (;;) {
          const long page = most < 0 ? kPage : std::min<long>(kPage, most - count);
          if (page <= 0) break;
          PgResult rows = session.Exec(
              kPageSql, {filter.site, f.since, f.bus,
                         f.machine ? Param(std::to_string(*f.machine)) : std::nullopt, f.kind,
                         after_site, std::to_string(after_id), std::to_string(page)});
          for (int r = 0; r < rows.rows(); ++r) {
            site::RecordRow row;
            row.id = std::stoll(rows.text(r, 1));
            row.download = std::stoll(rows.text(r, 2));
            row.sequence = std::stoi(rows.text(r, 3));
            row.bus = rows.text(r, 4);
            row.machine = std::stoi(rows.text(r, 5));
            row.kind = rows.text(r, 6);
            row.run = std::stoi(rows.text(r, 7));
            row.position = std::stoi(rows.text(r, 8));
            row.line = rows.text(r, 9);
            row.received_at = rows.text(r, 10);
            after_site = rows.text(r, 0);
            after_id = row.id;
            take(after_site, row);
            ++count;
          }
          if (rows.rows() < page) break;
        }
      },
      "BEGIN ISOLATION LEVEL REPEATABLE READ READ ONLY");
  return count;
}

}  // namespace icbus::central
