#pragma once
// Where every object and array of a JSON text begins and ends, found in one pass, so that a
// walk over the text can step over a whole container at once instead of reading through it.
// Containers are numbered in the order they open; a walk keeps the number of the next one.
#include <cstdint>
#include <string_view>
#include <vector>

namespace tessaly {

class JsonIndex {
 public:
  struct Container {
    std::uint32_t open;   // offset of '{' or '['
    std::uint32_t close;  // offset of the matching '}' or ']'
    std::uint32_t next;   // number of the first container that opens after this one closes
  };

  // Indexes text; valid() is false when its brackets or strings do not match up (or the text
  // is over 4 GiB). Scalars are not checked: the text is one that a writer of ours made.
  explicit JsonIndex(std::string_view text);
  JsonIndex() = default;

  bool valid() const { return _valid; }
  std::string_view text() const { return _text; }
  const Container& container(std::uint32_t n) const { return _containers[n]; }
  std::size_t containers() const { return _containers.size(); }

  // The offset just past the value that starts at 'at' (after any blanks). For a container
  // 'next' must be its number, and becomes the number of the container after it.
  std::size_t skipValue(std::size_t at, std::uint32_t& next) const;
  std::size_t skipBlanks(std::size_t at) const;

 private:
  std::string_view _text;
  std::vector<Container> _containers;
  bool _valid = false;
};

}  // namespace tessaly
