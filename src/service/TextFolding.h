#pragma once
// Folds text for matching: lower case, accents and other combining marks removed, so that
// "MÜNCHEN", "München" and "munchen" compare equal.
#include <string>
#include <string_view>
#include <vector>

namespace tessaly::service {

class TextFolding {
 public:
  static std::string fold(std::string_view utf8);
  // The folded words of a text (letters and digits; everything else separates).
  static std::vector<std::string> words(std::string_view utf8);
};

}  // namespace tessaly::service
