#include "service/SqliteStatement.h"

#include <sqlite3.h>

#include <stdexcept>

namespace tessaly::service {

SqliteStatement::SqliteStatement(sqlite3* db, std::string_view sql) : _db(db) {
  if (sqlite3_prepare_v2(db, sql.data(), static_cast<int>(sql.size()), &_stmt, nullptr) !=
      SQLITE_OK)
    throw std::runtime_error(std::string(sqlite3_errmsg(db)) + " in: " + std::string(sql));
}

SqliteStatement::~SqliteStatement() {
  sqlite3_finalize(_stmt);
}

SqliteStatement::SqliteStatement(SqliteStatement&& other) noexcept
    : _db(other._db), _stmt(other._stmt) {
  other._stmt = nullptr;
}

SqliteStatement& SqliteStatement::bind(int index, double value) {
  sqlite3_bind_double(_stmt, index, value);
  return *this;
}

SqliteStatement& SqliteStatement::bind(int index, std::int64_t value) {
  sqlite3_bind_int64(_stmt, index, value);
  return *this;
}

SqliteStatement& SqliteStatement::bind(int index, std::string_view value) {
  sqlite3_bind_text(_stmt, index, value.data(), static_cast<int>(value.size()), SQLITE_TRANSIENT);
  return *this;
}

SqliteStatement& SqliteStatement::bindNull(int index) {
  sqlite3_bind_null(_stmt, index);
  return *this;
}

bool SqliteStatement::step() {
  int rc = sqlite3_step(_stmt);
  if (rc == SQLITE_ROW) return true;
  if (rc == SQLITE_DONE) return false;
  throw std::runtime_error(sqlite3_errmsg(_db));
}

void SqliteStatement::run() {
  while (step()) {
  }
  reset();
}

void SqliteStatement::reset() {
  sqlite3_reset(_stmt);
  sqlite3_clear_bindings(_stmt);
}

double SqliteStatement::real(int column) const {
  return sqlite3_column_double(_stmt, column);
}

std::int64_t SqliteStatement::integer(int column) const {
  return sqlite3_column_int64(_stmt, column);
}

std::string SqliteStatement::text(int column) const {
  auto* p = reinterpret_cast<const char*>(sqlite3_column_text(_stmt, column));
  return p ? std::string(p, static_cast<std::size_t>(sqlite3_column_bytes(_stmt, column)))
           : std::string();
}

bool SqliteStatement::isNull(int column) const {
  return sqlite3_column_type(_stmt, column) == SQLITE_NULL;
}

}  // namespace tessaly::service
