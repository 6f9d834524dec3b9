#pragma once
// Changes the database file without ever showing a reader a half-made one: the current file
// is copied to a scratch file beside it, the change is made there, and commit() renames the
// scratch file over the old one. A failed or interrupted change leaves the old file as it was
// (the scratch file goes when this object does; one left by a killed process is swept up by
// the next update). One update runs at a time: others wait for the lock.
#include <memory>
#include <string>

#include "platform/foundation/Result.h"
#include "service/ImportProgress.h"
#include "service/SqliteDatabase.h"

namespace tessaly::service {

class StoreUpdate {
 public:
  // Throws std::runtime_error when the folder cannot be made or the file not copied.
  explicit StoreUpdate(std::string path);
  ~StoreUpdate();
  StoreUpdate(const StoreUpdate&) = delete;
  StoreUpdate& operator=(const StoreUpdate&) = delete;

  SqliteDatabase& db() { return *_db; }
  // True when the database was made afresh by this update (it has no places yet).
  bool isNew() const { return _new; }
  void commit();

  // Makes the database with the world gazetteer when there is none at path yet; modulesDir
  // holds the gazetteer's packages. Gives a warning to pass on ("" when none), or why it cannot.
  static platform::Result<std::string> ensure(const std::string& path,
                                              const std::string& modulesDir,
                                              const ImportProgress& progress = {});

 private:
  std::string _path, _scratch;
  int _lock = -1;
  bool _new = false, _committed = false;
  std::unique_ptr<SqliteDatabase> _db;
};

}  // namespace tessaly::service
