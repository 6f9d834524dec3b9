#include "platform/foundation/FileSystem.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <mutex>
#include <sstream>

namespace tessaly::platform {
namespace {

std::mutex& directoryMutex() {
  static std::mutex m;
  return m;
}
std::string& configuredDirectory() {
  static std::string path;
  return path;
}

std::string defaultDocumentsDirectory() {
  const char* data = std::getenv("XDG_DATA_HOME");
  std::string base;
  if (data != nullptr && data[0] == '/') {
    base = data;
  } else {
    const char* home = std::getenv("HOME");
    base = std::string(home != nullptr && home[0] != '\0' ? home : "/tmp") + "/.local/share";
  }
  return base + "/tessaly/Documents";
}

}  // namespace

std::string documentsDirectory() {
  std::string path;
  {
    std::lock_guard lock(directoryMutex());
    path = configuredDirectory().empty() ? defaultDocumentsDirectory() : configuredDirectory();
  }
  while (path.size() > 1 && path.back() == '/') path.pop_back();
  std::error_code ec;
  std::filesystem::create_directories(path, ec);
  return path;
}

void setDocumentsDirectory(const std::string& path) {
  std::lock_guard lock(directoryMutex());
  configuredDirectory() = path;
}

bool isReadableFile(const std::string& path) {
  std::error_code ec;
  return std::filesystem::is_regular_file(path, ec) && ::access(path.c_str(), R_OK) == 0;
}

std::optional<std::uintmax_t> fileSize(const std::string& path) {
  std::error_code ec;
  std::uintmax_t size = std::filesystem::file_size(path, ec);
  if (ec) return std::nullopt;
  return size;
}

std::optional<std::string> readFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return std::nullopt;
  std::ostringstream content;
  content << in.rdbuf();
  if (in.bad()) return std::nullopt;
  return content.str();
}

bool writeFileAtomically(const std::string& path, const std::string& data, std::string* failure) {
  std::string why;
  auto fail = [&](const char* step) {
    if (why.empty()) why = std::string(step) + ": " + std::strerror(errno);
    return false;
  };
  std::string temp = path + ".XXXXXX";
  int fd = ::mkstemp(temp.data());
  if (fd < 0) {
    fail("creating the file");
    if (failure != nullptr) *failure = why;
    return false;
  }
  const char* p = data.data();
  std::size_t left = data.size();
  bool ok = true;
  while (left > 0) {
    ssize_t n = ::write(fd, p, left);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) {
      if (n == 0) errno = ENOSPC;
      ok = fail("writing");
      break;
    }
    p += n;
    left -= static_cast<std::size_t>(n);
  }
  // A file that is replaced keeps its permission bits (a private file stays private); a new
  // one is readable like any the user makes.
  struct stat existing {};
  mode_t mode = ::stat(path.c_str(), &existing) == 0 && S_ISREG(existing.st_mode)
                    ? existing.st_mode & 07777
                    : 0644;
  if (ok && ::fchmod(fd, mode) != 0) ok = fail("setting permissions");
  if (ok && ::fsync(fd) != 0) ok = fail("flushing to disk");
  if (::close(fd) != 0) ok = fail("closing");
  if (ok && ::rename(temp.c_str(), path.c_str()) != 0) ok = fail("replacing the old file");
  if (!ok) {
    ::unlink(temp.c_str());
    if (failure != nullptr) *failure = why;
  }
  return ok;
}

}  // namespace tessaly::platform
