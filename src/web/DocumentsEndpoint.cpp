#include "web/DocumentsEndpoint.h"

#include <dirent.h>
#include <sys/stat.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <vector>

#include <nlohmann/json.hpp>

#include "files/RouteFileReader.h"
#include "files/RouteFileStore.h"
#include "platform/foundation/FileSystem.h"
#include "platform/foundation/Log.h"

namespace tessaly::web {
namespace {

namespace fs = std::filesystem;

struct DirectoryCloser {
  void operator()(DIR* d) const { ::closedir(d); }
};

// The file's own path, when name is a regular file that really lies in directory (a link is
// followed, and must stay inside).
std::optional<std::string> insideFile(const std::string& directory, const std::string& name) {
  std::error_code ec;
  fs::path root = fs::canonical(directory, ec);
  if (ec) return std::nullopt;
  fs::path file = fs::canonical(root / name, ec);
  if (ec || file.parent_path() != root || !fs::is_regular_file(file, ec)) return std::nullopt;
  return file.string();
}

}  // namespace

std::string DocumentsEndpoint::refuseName(const std::string& name) {
  if (name.empty()) return "refused: a file name is needed";
  if (name.size() > 255) return "refused: the file name is longer than 255 bytes";
  if (name.find('\0') != std::string::npos) return "refused: the file name holds a NUL byte";
  if (name.find('/') != std::string::npos) return "refused: the file name holds a '/'";
  if (name == "." || name == "..") return "refused: '" + name + "' is no file name";
  if (name.front() == '.') return "refused: hidden files are not served";
  for (unsigned char c : name)
    if (c < 0x20 || c == 0x7f) return "refused: the file name holds a control character";
  return "";
}

HttpResponse DocumentsEndpoint::list(const std::string& directory) {
  struct Entry {
    std::string name;
    std::uintmax_t size;
    std::int64_t modified;
  };
  std::vector<Entry> entries;
  std::unique_ptr<DIR, DirectoryCloser> dir(::opendir(directory.c_str()));
  while (dir) {
    const dirent* entry = ::readdir(dir.get());
    if (entry == nullptr) break;
    std::string name = entry->d_name;
    if (!refuseName(name).empty()) continue;
    if (!insideFile(directory, name)) continue;
    struct stat info {};
    if (::stat((directory + "/" + name).c_str(), &info) != 0) continue;
    entries.push_back({name, static_cast<std::uintmax_t>(info.st_size),
                       static_cast<std::int64_t>(info.st_mtime)});
  }
  std::sort(entries.begin(), entries.end(),
            [](const Entry& a, const Entry& b) { return a.name < b.name; });
  nlohmann::json out = nlohmann::json::array();
  for (const auto& e : entries)
    out.push_back({{"name", e.name}, {"size", e.size}, {"modified", e.modified}});
  HttpResponse response;
  response.contentType = "application/json";
  response.body = out.dump();
  return response;
}

HttpResponse DocumentsEndpoint::download(const std::string& directory, const std::string& name) {
  if (std::string refused = refuseName(name); !refused.empty()) return textResponse(400, refused);
  auto file = insideFile(directory, name);
  if (!file) return textResponse(404, "not found: there is no file '" + name + "' to download");
  auto size = platform::fileSize(*file);
  if (size && *size > kMaxDownloadBytes)
    return textResponse(413, "refused: the file is larger than the download limit");
  auto data = platform::readFile(*file);
  if (!data) return textResponse(404, "not found: the file '" + name + "' cannot be read");
  HttpResponse response;
  response.contentType = contentTypeFor(name);
  response.body = std::move(*data);
  response.headers = {{"Content-Disposition", attachmentHeader(name)}};
  return response;
}

HttpResponse DocumentsEndpoint::upload(const std::string& directory, const std::string& name,
                                       const std::string& body, bool replace) {
  if (std::string refused = refuseName(name); !refused.empty()) return textResponse(400, refused);
  if (!RouteFileStore::extensionIs(name, "xml"))
    return textResponse(400, "refused: only XML route files (.xml) can be uploaded");
  if (body.size() > kMaxUploadBytes)
    return textResponse(413, "refused: a route file may have at most " +
                                 std::to_string(kMaxUploadBytes) + " bytes");
  RouteFileReader::Result parsed = RouteFileReader::parseData(body);
  if (parsed.outcome != RouteFileReader::Outcome::Loaded) {
    std::string why = parsed.message.empty() ? "it cannot be read" : parsed.message;
    for (char& c : why)
      if (c == '\n') c = ' ';
    return textResponse(400, "refused: this is no route file: " + why);
  }
  std::string path = directory + "/" + name;
  std::error_code ec;
  auto status = fs::symlink_status(path, ec);
  if (fs::exists(status)) {
    if (!fs::is_regular_file(status))
      return textResponse(409, "refused: '" + name + "' exists and is not a plain file");
    if (!replace)
      return textResponse(
          409, "refused: a file named '" + name + "' already exists; send replace=1 to replace it");
  }
  std::string failure;
  if (!platform::writeFileAtomically(path, body, &failure)) {
    platform::logf("upload %s failed: %s", path.c_str(), failure.c_str());
    return textResponse(507, "the file could not be saved (" + failure +
                                 "); an earlier file of that name is unchanged");
  }
  platform::logf("uploaded %s", path.c_str());
  nlohmann::json reply = {{"name", name},
                          {"size", body.size()},
                          {"entries", parsed.entries.size()},
                          {"replaced", fs::exists(status)}};
  HttpResponse response;
  response.status = 201;
  response.contentType = "application/json";
  response.body = reply.dump();
  return response;
}

std::string DocumentsEndpoint::contentTypeFor(const std::string& name) {
  if (RouteFileStore::extensionIs(name, "xml")) return "application/xml";
  if (RouteFileStore::extensionIs(name, "kml")) return "application/vnd.google-earth.kml+xml";
  if (RouteFileStore::extensionIs(name, "mov")) return "video/quicktime";
  if (RouteFileStore::extensionIs(name, "png")) return "image/png";
  if (RouteFileStore::extensionIs(name, "plist")) return "application/xml";
  return "application/octet-stream";
}

std::string DocumentsEndpoint::attachmentHeader(const std::string& name) {
  // A plain ASCII fallback and the exact name in RFC 5987 form.
  std::string fallback, encoded;
  static const char* hex = "0123456789ABCDEF";
  for (unsigned char c : name) {
    bool plain = std::isalnum(c) || c == '.' || c == '-' || c == '_';
    fallback += plain || c == ' ' ? static_cast<char>(c) : '_';
    if (plain) {
      encoded += static_cast<char>(c);
    } else {
      encoded += '%';
      encoded += hex[c >> 4];
      encoded += hex[c & 15];
    }
  }
  return "attachment; filename=\"" + fallback + "\"; filename*=UTF-8''" + encoded;
}

}  // namespace tessaly::web
