#pragma once
// gzip for answers, and gzip or deflate bodies undone with a cap on what they may grow to
// (a small compressed body can inflate to gigabytes).
#include <cstddef>
#include <string>
#include <string_view>

namespace tessaly::web {

// A gzip member holding data; empty when compressing fails.
std::string gzipCompress(std::string_view data, int level);

enum class InflateResult { Ok, TooLarge, Corrupt };
// Undoes gzip or zlib-wrapped deflate (told apart by their headers) into out, stopping as soon
// as the output would pass maxBytes. Trailing bytes after the compressed data are corrupt.
InflateResult inflateCapped(std::string_view data, std::size_t maxBytes, std::string& out);

}  // namespace tessaly::web
