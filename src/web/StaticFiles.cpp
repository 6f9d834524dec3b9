#include "web/StaticFiles.h"

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <sstream>

namespace tessaly::web {
namespace {

namespace fs = std::filesystem;

constexpr std::uintmax_t kMaxFileBytes = 64 << 20;

const std::pair<const char*, const char*> kTypes[] = {
    {"html", "text/html"},        {"htm", "text/html"},
    {"css", "text/css"},          {"js", "text/javascript"},
    {"mjs", "text/javascript"},   {"json", "application/json"},
    {"map", "application/json"},  {"txt", "text/plain"},
    {"svg", "image/svg+xml"},     {"png", "image/png"},
    {"jpg", "image/jpeg"},        {"jpeg", "image/jpeg"},
    {"gif", "image/gif"},         {"ico", "image/vnd.microsoft.icon"},
    {"webp", "image/webp"},       {"woff", "font/woff"},
    {"woff2", "font/woff2"},      {"xml", "application/xml"},
    {"wasm", "application/wasm"}, {"pdf", "application/pdf"},
};

bool hasDotSegment(const std::string& path) {
  std::size_t start = 0;
  while (start <= path.size()) {
    std::size_t end = path.find('/', start);
    if (end == std::string::npos) end = path.size();
    std::string_view segment(path.data() + start, end - start);
    if (segment == "." || segment == "..") return true;
    start = end + 1;
  }
  return false;
}

// True when inner is folder itself or lies below it (both canonical).
bool inside(const fs::path& inner, const fs::path& folder) {
  auto [f, i] = std::mismatch(folder.begin(), folder.end(), inner.begin(), inner.end());
  return f == folder.end();
}

}  // namespace

void StaticFiles::mount(std::string prefix, std::string folder) {
  while (prefix.size() > 1 && prefix.back() == '/') prefix.pop_back();
  _mounts.push_back({std::move(prefix), std::move(folder)});
  std::stable_sort(_mounts.begin(), _mounts.end(), [](const Mount& a, const Mount& b) {
    return a.prefix.size() > b.prefix.size();
  });
}

void StaticFiles::addType(std::string extension, std::string contentType) {
  _types.emplace_back(std::move(extension), std::move(contentType));
}

std::string StaticFiles::typeOf(const std::string& file) const {
  std::size_t dot = file.rfind('.');
  std::string extension = dot == std::string::npos ? "" : asciiLower(file.substr(dot + 1));
  for (const auto& [e, type] : _types)
    if (e == extension) return type;
  for (const auto& [e, type] : kTypes)
    if (extension == e) return type;
  return "application/octet-stream";
}

std::optional<HttpResponse> StaticFiles::serve(const std::string& path) const {
  if (path.empty() || path[0] != '/' || hasDotSegment(path)) return std::nullopt;
  for (const auto& mount : _mounts) {
    std::string rest;
    if (mount.prefix == "/") {
      rest = path.substr(1);
    } else if (path.compare(0, mount.prefix.size(), mount.prefix) == 0 &&
               (path.size() == mount.prefix.size() || path[mount.prefix.size()] == '/')) {
      rest = path.substr(std::min(path.size(), mount.prefix.size() + 1));
    } else {
      continue;
    }
    std::error_code error;
    fs::path folder = fs::canonical(mount.folder, error);
    if (error) continue;
    fs::path candidate = folder / rest;
    if (rest.empty() || rest.back() == '/' || fs::is_directory(candidate, error))
      candidate /= "index.html";
    fs::path real = fs::canonical(candidate, error);
    if (error || !inside(real, folder) || !fs::is_regular_file(real, error)) continue;
    if (fs::file_size(real, error) > kMaxFileBytes || error) continue;
    std::ifstream in(real, std::ios::binary);
    if (!in) continue;
    std::ostringstream content;
    content << in.rdbuf();
    HttpResponse response;
    response.contentType = typeOf(real.filename().string());
    response.body = std::move(content).str();
    return response;
  }
  return std::nullopt;
}

}  // namespace tessaly::web
