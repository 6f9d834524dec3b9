#include "service/SqliteDatabase.h"

#include <sqlite3.h>

#include <stdexcept>

namespace tessaly::service {

SqliteDatabase::SqliteDatabase(const std::string& path, Mode mode) {
  int flags =
      mode == Mode::ReadOnly ? SQLITE_OPEN_READONLY : SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE;
  // Each thread of the service opens its own connection.
  flags |= SQLITE_OPEN_NOMUTEX;
  if (sqlite3_open_v2(path.c_str(), &_db, flags, nullptr) != SQLITE_OK) {
    std::string reason = _db ? sqlite3_errmsg(_db) : "out of memory";
    sqlite3_close(_db);
    _db = nullptr;
    throw std::runtime_error("cannot open " + path + ": " + reason);
  }
  sqlite3_busy_timeout(_db, 2000);
  sqlite3_enable_load_extension(_db, 1);
  char* error = nullptr;
  if (sqlite3_load_extension(_db, "mod_spatialite", nullptr, &error) != SQLITE_OK) {
    std::string reason = error ? error : "unknown reason";
    sqlite3_free(error);
    sqlite3_close(_db);
    _db = nullptr;
    throw std::runtime_error("cannot load SpatiaLite (mod_spatialite): " + reason);
  }
  sqlite3_enable_load_extension(_db, 0);
}

SqliteDatabase::~SqliteDatabase() {
  sqlite3_close(_db);
}

void SqliteDatabase::exec(std::string_view sql) {
  std::string text(sql);
  char* error = nullptr;
  if (sqlite3_exec(_db, text.c_str(), nullptr, nullptr, &error) != SQLITE_OK) {
    std::string reason = error ? error : sqlite3_errmsg(_db);
    sqlite3_free(error);
    throw std::runtime_error(reason);
  }
}

std::string SqliteDatabase::scalar(std::string_view sql, std::string fallback) {
  SqliteStatement s = prepare(sql);
  return s.step() && !s.isNull(0) ? s.text(0) : fallback;
}

bool SqliteDatabase::hasTable(std::string_view name) {
  SqliteStatement s = prepare("SELECT 1 FROM sqlite_master WHERE name = ?");
  s.bind(1, name);
  return s.step();
}

}  // namespace tessaly::service
