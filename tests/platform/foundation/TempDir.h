#pragma once
// A fresh directory under the system's temporary directory, removed with everything in it.
#include <cstdlib>
#include <filesystem>
#include <string>

namespace tessaly::testing {

class TempDir {
 public:
  TempDir() {
    std::string pattern = (std::filesystem::temp_directory_path() / "tessaly-test-XXXXXX").string();
    char* made = ::mkdtemp(pattern.data());
    if (made != nullptr) _path = made;
  }
  ~TempDir() {
    std::error_code ec;
    if (!_path.empty()) std::filesystem::remove_all(_path, ec);
  }
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;

  const std::string& path() const { return _path; }
  std::string file(const std::string& name) const { return _path + "/" + name; }

 private:
  std::string _path;
};

}  // namespace tessaly::testing
