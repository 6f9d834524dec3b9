// Feeds arbitrary bytes to the JSON decoder under every option combination and checks that each
// run ends well-formed: a top-level collection, or an error whose position lies inside the input.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string_view>

#include "json/JSONReader.h"

namespace {

using namespace tessaly;

void check(bool ok, const char* what) {
  if (!ok) {
    std::fprintf(stderr, "json fuzzer: %s\n", what);
    std::abort();
  }
}

// Touches every value so that a broken tree shows up under the sanitizers.
size_t walk(const JRObject* o, int depth) {
  check(depth <= static_cast<int>(kJRMaximumDepth), "tree deeper than the limit");
  size_t n = 1;
  if (const JRArray* a = o->asArray()) {
    for (JRObject* e : *a) n += walk(e, depth + 1);
  } else if (const JRDictionary* d = o->asDictionary()) {
    size_t keys = 0;
    for (JRObject* k : *d) {
      check(k->isString(), "a key that is no string");
      check(d->objectForKey(k) != nullptr, "a key that lookup cannot find");
      n += walk(d->objectForKey(k), depth + 1);
      ++keys;
    }
    check(keys == d->count(), "enumeration and count disagree");
  } else {
    n += o->hash() & 1;
  }
  return n;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::string_view text(reinterpret_cast<const char*>(data), size);
  if (!data) text = std::string_view("", 0);
  for (uint32_t options = 0; options <= JRReadValidFlags; ++options) {
    JSONDecoder decoder(options);
    for (int round = 0; round < 2; ++round) {
      const bool makeMutable = round == 1;
      JRError error;
      Ref<JRObject> r = makeMutable ? decoder.mutableObjectWithData(text, &error)
                                    : decoder.objectWithData(text, &error);
      if (r) {
        check(r->isArray() || r->isDictionary(), "top level is no collection");
        check(r->isMutable() == makeMutable, "mutability differs from the entry point");
        check(error.domain.empty(), "error written on success");
        walk(r.get(), 1);
        // The same text through a fresh decoder (no cache) gives an equal tree.
        Ref<JRObject> again = objectFromJSONData(text, options);
        check(again && again->isEqual(r.get()), "a second decode differs");
      } else {
        check(error.domain == "JRErrorDomain", "error without the domain");
        check(error.code == -1, "error code");
        check(!error.localizedDescription.empty(), "error without a message");
        check(error.atIndex.has_value() && *error.atIndex <= size, "position beyond the input");
        check(error.lineNumber.has_value() && *error.lineNumber >= 1, "line below 1");
      }
    }
  }
  return 0;
}
