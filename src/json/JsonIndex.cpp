#include "json/JsonIndex.h"

#include <cstring>
#include <limits>

namespace tessaly {

JsonIndex::JsonIndex(std::string_view text) : _text(text) {
  if (text.size() >= std::numeric_limits<std::uint32_t>::max()) return;
  _containers.reserve(text.size() / 64 + 16);
  std::vector<std::uint32_t> open;
  const char* data = text.data();
  const std::size_t size = text.size();
  for (std::size_t i = 0; i < size; ++i) {
    char c = data[i];
    if (c == '"') {
      // To the closing quote: only a backslash can hide one.
      for (++i;; ++i) {
        const void* quote = std::memchr(data + i, '"', size - i);
        if (!quote) return;
        std::size_t at = static_cast<const char*>(quote) - data;
        std::size_t slashes = 0;
        while (at - slashes > i && data[at - slashes - 1] == '\\') ++slashes;
        i = at;
        if (slashes % 2 == 0) break;
      }
    } else if (c == '{' || c == '[') {
      open.push_back(static_cast<std::uint32_t>(_containers.size()));
      _containers.push_back({static_cast<std::uint32_t>(i), 0, 0});
    } else if (c == '}' || c == ']') {
      if (open.empty()) return;
      Container& top = _containers[open.back()];
      if (data[top.open] != (c == '}' ? '{' : '[')) return;
      top.close = static_cast<std::uint32_t>(i);
      top.next = static_cast<std::uint32_t>(_containers.size());
      open.pop_back();
    }
  }
  _valid = open.empty();
}

std::size_t JsonIndex::skipBlanks(std::size_t at) const {
  while (at < _text.size() &&
         (_text[at] == ' ' || _text[at] == '\n' || _text[at] == '\r' || _text[at] == '\t'))
    ++at;
  return at;
}

std::size_t JsonIndex::skipValue(std::size_t at, std::uint32_t& next) const {
  at = skipBlanks(at);
  if (at >= _text.size()) return at;
  char c = _text[at];
  if (c == '{' || c == '[') {
    const Container& container = _containers[next];
    next = container.next;
    return container.close + 1;
  }
  if (c == '"') {
    for (std::size_t i = at + 1; i < _text.size(); ++i) {
      if (_text[i] == '\\')
        ++i;
      else if (_text[i] == '"')
        return i + 1;
    }
    return _text.size();
  }
  // A number, true, false or null: up to the next delimiter.
  while (at < _text.size()) {
    c = _text[at];
    if (c == ',' || c == '}' || c == ']' || c == ' ' || c == '\n' || c == '\r' || c == '\t') break;
    ++at;
  }
  return at;
}

}  // namespace tessaly
