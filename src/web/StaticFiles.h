#pragma once
// The page's files: folders mounted at address prefixes, served only from inside those
// folders (a link inside one that leads out is not followed).
#include <optional>
#include <string>
#include <vector>

#include "web/HttpMessage.h"

namespace tessaly::web {

class StaticFiles {
 public:
  // Files under folder answer addresses under prefix ("/" or "/vendor/leaflet").
  void mount(std::string prefix, std::string folder);
  void addType(std::string extension, std::string contentType);
  // The file at a decoded path, or nothing when no folder holds it.
  std::optional<HttpResponse> serve(const std::string& path) const;

 private:
  struct Mount {
    std::string prefix;
    std::string folder;
  };
  std::string typeOf(const std::string& file) const;

  std::vector<Mount> _mounts;  // longest prefix first
  std::vector<std::pair<std::string, std::string>> _types;
};

}  // namespace tessaly::web
