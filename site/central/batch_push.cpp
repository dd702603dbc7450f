#include "central/batch_push.h"

#include <algorithm>
#include <stdexcept>

namespace icbus::central {
namespace {

// The protocol's limit on bound parameters in one statement.
constexpr size_t kMaxParams = 65535;

std::string InsertStatement(const TableShape& shape, size_t rows) {
  std::string sql = "INSERT INTO icbus." + std::string(shape.name) + " (site";
  for (const char* column : shape.columns) sql += std::string(", ") + column;
  sql += ") VALUES ";
  size_t next = 2;  // $1 is the site, shared by every row
  for (size_t r = 0; r < rows; ++r) {
    sql += r ? ", ($1" : "($1";
    for (size_t c = 0; c < shape.columns.size(); ++c) sql += ", $" + std::to_string(next++);
    sql += ")";
  }
  return sql + " ON CONFLICT DO NOTHING";
}

long InsertRows(PgSession& session, const std::string& site, const TableRows& part) {
  const TableShape& shape = ShapeOf(part.table);
  const size_t width = shape.columns.size();
  const size_t per_statement = (kMaxParams - 1) / width;
  long inserted = 0;
  for (size_t first = 0; first < part.rows.size(); first += per_statement) {
    const size_t count = std::min(per_statement, part.rows.size() - first);
    std::vector<Param> params;
    params.reserve(1 + count * width);
    params.emplace_back(site);
    for (size_t r = first; r < first + count; ++r) {
      const std::vector<Param>& row = part.rows[r];
      if (row.size() != width) {
        throw std::invalid_argument(std::string("a row for icbus.") + shape.name + " has " +
                                    std::to_string(row.size()) + " values, not " +
                                    std::to_string(width));
      }
      params.insert(params.end(), row.begin(), row.end());
    }
    inserted += session.Exec(InsertStatement(shape, count), params).affected();
  }
  return inserted;
}

}  // namespace

PushResult PushBatch(PgSession& session, const std::string& site,
                     const std::vector<TableRows>& batch) {
  PushResult result;
  session.Transaction([&] {
    for (const TableRows& part : batch) {
      if (part.rows.empty()) continue;
      result.sent += static_cast<long>(part.rows.size());
      result.inserted += InsertRows(session, site, part);
    }
  });
  return result;
}

}  // namespace icbus::central
