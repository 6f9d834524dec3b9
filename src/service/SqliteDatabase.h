#pragma once
// An open SQLite database with SpatiaLite loaded (for the road networks' routing tables).
#include <string>
#include <string_view>

#include "service/SqliteStatement.h"

struct sqlite3;

namespace tessaly::service {

class SqliteDatabase {
 public:
  enum class Mode { ReadOnly, Create };
  // Throws std::runtime_error with a readable reason when the file cannot be opened.
  SqliteDatabase(const std::string& path, Mode mode);
  ~SqliteDatabase();
  SqliteDatabase(const SqliteDatabase&) = delete;
  SqliteDatabase& operator=(const SqliteDatabase&) = delete;

  void exec(std::string_view sql);
  SqliteStatement prepare(std::string_view sql) { return SqliteStatement(_db, sql); }
  // The first column of the first row of a query, or fallback when there is none.
  std::string scalar(std::string_view sql, std::string fallback = "");
  bool hasTable(std::string_view name);
  sqlite3* handle() { return _db; }

 private:
  sqlite3* _db = nullptr;
};

}  // namespace tessaly::service
