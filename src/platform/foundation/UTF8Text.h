#pragma once
// Text as the application keeps it: UTF-8 in a std::string. Checking, reading a text file and
// replacing every occurrence of a literal.
#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

#include "platform/foundation/NSError.h"

namespace tessaly::platform {

// The error domain and codes of failed file reads.
inline constexpr const char* NSCocoaErrorDomain = "NSCocoaErrorDomain";
inline constexpr long NSFileReadUnknownError = 256;
inline constexpr long NSFileReadNoPermissionError = 257;
inline constexpr long NSFileReadNoSuchFileError = 260;
inline constexpr long NSFileReadInapplicableStringEncodingError = 261;

// Offset of the first byte that does not belong to a well-formed UTF-8 sequence (no overlong
// forms, no surrogates, nothing above U+10FFFF), or npos when the whole text is well-formed.
std::size_t firstInvalidUTF8(std::string_view text);

// The file's content when it is well-formed UTF-8; otherwise nullopt, and error (when given)
// says why in the way file reads report it.
std::optional<std::string> stringWithContentsOfUTF8File(const std::string& path,
                                                        NSError* error = nullptr);

// Replaces every occurrence of target (exact bytes, so case-sensitive) from the start to the end,
// left to right; a replacement is never searched again. Returns how many were replaced; an
// empty target replaces nothing.
std::size_t replaceOccurrencesOfString(std::string& text, std::string_view target,
                                       std::string_view replacement);

}  // namespace tessaly::platform
