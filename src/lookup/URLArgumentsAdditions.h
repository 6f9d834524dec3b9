#pragma once
// Escaping a text for use as one argument in an address's query.
#include <string>
#include <string_view>

namespace tessaly {

// Every byte of the text's UTF-8 form becomes %XX (upper-case hex) except the ASCII letters,
// digits and "-._~". A space is %20, never "+".
std::string stringByEscapingForURLArgument(std::string_view text);

}  // namespace tessaly
