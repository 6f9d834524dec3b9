#include "platform/foundation/UTF8Text.h"

#include <unistd.h>

#include <cerrno>
#include <filesystem>
#include <fstream>
#include <iterator>

namespace tessaly::platform {

std::size_t firstInvalidUTF8(std::string_view text) {
  const auto* p = reinterpret_cast<const unsigned char*>(text.data());
  std::size_t n = text.size();
  std::size_t i = 0;
  while (i < n) {
    unsigned char c = p[i];
    if (c < 0x80) {
      ++i;
      continue;
    }
    std::size_t length;
    unsigned char low = 0x80, high = 0xBF;  // the allowed range of the second byte
    if (c >= 0xC2 && c <= 0xDF) {
      length = 2;
    } else if (c >= 0xE0 && c <= 0xEF) {
      length = 3;
      if (c == 0xE0) low = 0xA0;
      if (c == 0xED) high = 0x9F;
    } else if (c >= 0xF0 && c <= 0xF4) {
      length = 4;
      if (c == 0xF0) low = 0x90;
      if (c == 0xF4) high = 0x8F;
    } else {
      return i;
    }
    if (n - i < length || p[i + 1] < low || p[i + 1] > high) return i;
    for (std::size_t k = 2; k < length; ++k) {
      if ((p[i + k] & 0xC0) != 0x80) return i;
    }
    i += length;
  }
  return std::string_view::npos;
}

std::optional<std::string> stringWithContentsOfUTF8File(const std::string& path, NSError* error) {
  std::string name = std::filesystem::path(path).filename().string();
  auto fail = [&](long code, const std::string& why) -> std::optional<std::string> {
    if (error != nullptr)
      *error = NSError{NSCocoaErrorDomain, code,
                       "The file \u201c" + name + "\u201d couldn\u2019t be opened" + why};
    return std::nullopt;
  };
  std::error_code ec;
  if (!std::filesystem::exists(path, ec))
    return fail(NSFileReadNoSuchFileError, " because there is no such file.");
  if (std::filesystem::is_directory(path, ec)) return fail(NSFileReadUnknownError, ".");
  if (::access(path.c_str(), R_OK) != 0 && errno == EACCES)
    return fail(NSFileReadNoPermissionError, " because you don\u2019t have permission to view it.");
  std::ifstream in(path, std::ios::binary);
  if (!in) return fail(NSFileReadUnknownError, ".");
  std::string content((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  if (in.bad()) return fail(NSFileReadUnknownError, ".");
  if (firstInvalidUTF8(content) != std::string_view::npos)
    return fail(NSFileReadInapplicableStringEncodingError, " using text encoding Unicode (UTF-8).");
  return content;
}

std::size_t replaceOccurrencesOfString(std::string& text, std::string_view target,
                                       std::string_view replacement) {
  if (target.empty()) return 0;
  std::size_t count = 0;
  std::string result;
  std::size_t from = 0;
  for (std::size_t at = text.find(target); at != std::string::npos; at = text.find(target, from)) {
    result.append(text, from, at - from);
    result.append(replacement);
    from = at + target.size();
    ++count;
  }
  if (count == 0) return 0;
  result.append(text, from, std::string::npos);
  text = std::move(result);
  return count;
}

}  // namespace tessaly::platform
