#pragma once
// The changes from one JSON text to the next, for sending a viewer what changed rather than the
// whole text again. Works on the texts and their indexes, never on document trees: unchanged
// parts are compared as bytes (the writers are deterministic) and stepped over whole, so a
// megabyte state with one added marker costs the walk down to that marker.
//
// The changes are a JSON array of operations applied in order, each on a place named by a
// path of member names and array positions from the root:
//   {"op":"set","path":[...],"value":V}     the member or element at path becomes V (a member
//                                            that was not there is added)
//   {"op":"delete","path":[...]}            the member at path goes
//   {"op":"splice","path":[...],"at":I,"remove":N,"insert":[...]}
//                                            in the array at path, N elements from position I
//                                            are replaced by those inserted
// Arrays are compared by their common start and end, so one element added or removed anywhere
// is one small splice; where the elements are objects with an "id" first, those in between are
// matched by id, and each element kept is compared on.
#include <optional>
#include <string>

#include "json/JsonIndex.h"

namespace tessaly {

class JsonDiff {
 public:
  // The operations that turn before into after, or nothing when they would take more than
  // limit bytes, either index is not valid, or the roots are not both objects or both arrays.
  // An empty array when the texts say the same.
  static std::optional<std::string> between(const JsonIndex& before, const JsonIndex& after,
                                            std::size_t limit);
};

}  // namespace tessaly
