#pragma once
// One prepared SQLite statement: bind by position (from 1), step, read columns (from 0).
#include <cstdint>
#include <string>
#include <string_view>

struct sqlite3;
struct sqlite3_stmt;

namespace tessaly::service {

class SqliteStatement {
 public:
  SqliteStatement(sqlite3* db, std::string_view sql);
  ~SqliteStatement();
  SqliteStatement(SqliteStatement&& other) noexcept;
  SqliteStatement(const SqliteStatement&) = delete;
  SqliteStatement& operator=(const SqliteStatement&) = delete;

  SqliteStatement& bind(int index, double value);
  SqliteStatement& bind(int index, std::int64_t value);
  SqliteStatement& bind(int index, int value) { return bind(index, std::int64_t{value}); }
  SqliteStatement& bind(int index, std::string_view value);
  SqliteStatement& bindNull(int index);

  // True while a row is there to read; throws std::runtime_error on a failure.
  bool step();
  // Steps to the end (for statements that change things).
  void run();
  void reset();

  double real(int column) const;
  std::int64_t integer(int column) const;
  std::string text(int column) const;
  bool isNull(int column) const;

 private:
  sqlite3* _db;
  sqlite3_stmt* _stmt = nullptr;
};

}  // namespace tessaly::service
