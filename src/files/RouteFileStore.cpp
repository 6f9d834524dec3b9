#include "files/RouteFileStore.h"

#include <dirent.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cctype>
#include <cstdio>
#include <memory>

#include "platform/foundation/FileSystem.h"
#include "platform/foundation/Log.h"

namespace tessaly {
namespace {

// A name that would leave the documents directory or could not be a file name there.
bool isUnsafeName(const std::string& name) {
  return name == "." || name == ".." || name.find('/') != std::string::npos ||
         name.find('\0') != std::string::npos;
}

struct DirectoryCloser {
  void operator()(DIR* d) const { ::closedir(d); }
};

}  // namespace

RouteFileStore::SaveOutcome RouteFileStore::save(const std::optional<std::string>& typedName,
                                                 std::int32_t filemode,
                                                 const RouteFileWriter::Path& path) {
  SaveOutcome outcome;
  if (!typedName || typedName->empty()) {
    outcome.message = kMissingFilename;
    return outcome;
  }
  std::string fileName = *typedName + RouteFileWriter::extension(filemode);
  outcome.path = platform::documentsDirectory() + "/" + fileName;
  platform::logf("saving %s", outcome.path.c_str());
  if (isUnsafeName(*typedName)) {
    outcome.message = kCreatingFile;
    return outcome;
  }
  struct stat existing {};
  if (::stat(outcome.path.c_str(), &existing) == 0 && S_ISDIR(existing.st_mode)) {
    outcome.message = kCreatingFile;
    return outcome;
  }
  std::string failure;
  if (!platform::writeFileAtomically(outcome.path, RouteFileWriter::document(filemode, path),
                                     &failure)) {
    platform::logf("saving %s failed: %s", outcome.path.c_str(), failure.c_str());
    // The file could not even be made (a name too long, say): the same answer as a failed open.
    outcome.message =
        failure.rfind("creating", 0) == 0 ? std::string(kCreatingFile) : saveFailedMessage(failure);
    return outcome;
  }
  outcome.saved = true;
  outcome.message = kFileSaved;
  return outcome;
}

std::string RouteFileStore::saveFailedMessage(const std::string& why) {
  return "The file could not be saved (" + why +
         "). An earlier file of the same name is unchanged.";
}

std::string RouteFileStore::pathExtension(const std::string& name) {
  std::size_t dot = name.rfind('.');
  if (dot == std::string::npos || dot == 0) return "";
  return name.substr(dot + 1);
}

bool RouteFileStore::extensionIs(const std::string& name, const char* lowercaseExtension) {
  std::string extension = pathExtension(name);
  std::string wanted = lowercaseExtension;
  if (extension.size() != wanted.size()) return false;
  for (std::size_t i = 0; i < extension.size(); ++i) {
    if (std::tolower(static_cast<unsigned char>(extension[i])) != wanted[i]) return false;
  }
  return true;
}

std::vector<RouteFileStore::Listed> RouteFileStore::list(const std::string& directory) {
  std::vector<Listed> files;
  std::unique_ptr<DIR, DirectoryCloser> dir(::opendir(directory.c_str()));
  if (!dir) return files;
  while (const dirent* entry = ::readdir(dir.get())) {
    std::string name = entry->d_name;
    if (name == "." || name == "..") continue;
    std::string full = directory + "/" + name;
    struct stat info {};
    if (::stat(full.c_str(), &info) != 0 || S_ISDIR(info.st_mode)) continue;
    Listed listed;
    if (extensionIs(name, "xml")) {
      listed.isXML = true;
    } else if (!extensionIs(name, "kml")) {
      continue;
    }
    listed.name = name;
    listed.modified = info.st_mtime;
    listed.size = static_cast<std::int32_t>(static_cast<std::uint32_t>(info.st_size));
    files.push_back(std::move(listed));
  }
  return files;
}

std::string RouteFileStore::createDetails(std::time_t modified, std::int32_t size) {
  std::tm t{};
  ::localtime_r(&modified, &t);
  char buffer[96];
  int n = std::snprintf(buffer, sizeof buffer, "%d-%02d-%02d %02d:%02d:%02d", t.tm_year + 1900,
                        t.tm_mon + 1, t.tm_mday, t.tm_hour, t.tm_min, t.tm_sec);
  std::string details(buffer, static_cast<std::size_t>(n));
  float bytes = static_cast<float>(size);
  if (size == -1) return details;
  if (size < 1024) {
    std::snprintf(buffer, sizeof buffer, " (%d bytes)", size);
  } else if (size < 1048576) {
    std::snprintf(buffer, sizeof buffer, " (%.2f KB)", bytes / 1024);
  } else if (size < 1073741824) {
    std::snprintf(buffer, sizeof buffer, " (%.2f MB)", bytes / 1048576);
  } else {
    std::snprintf(buffer, sizeof buffer, " (%.2f GB)", bytes / 1073741824);
  }
  return details + buffer;
}

bool RouteFileStore::remove(const std::string& directory, const std::string& name) {
  std::string full = directory + "/" + name;
  platform::logf("del %s", full.c_str());
  if (isUnsafeName(name)) return false;
  return ::unlink(full.c_str()) == 0;
}

}  // namespace tessaly
