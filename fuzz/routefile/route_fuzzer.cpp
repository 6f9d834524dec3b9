// Feeds arbitrary bytes to the XML route reader and checks that every run ends well: entries
// only when the outcome is Loaded, each on the earth, the first one the start, the later ones
// markers or route points; a message for every other outcome.
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "files/RouteFileReader.h"
#include "platform/foundation/Log.h"

namespace {

void check(bool ok, const char* what) {
  if (!ok) {
    std::fprintf(stderr, "route fuzzer: %s\n", what);
    std::abort();
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using tessaly::RouteFileReader;
  tessaly::platform::LogCapture quiet;  // the reader's log lines stay out of the fuzzer's output
  auto result =
      RouteFileReader::parseData(std::string(reinterpret_cast<const char*>(data), size));
  if (result.outcome != RouteFileReader::Outcome::Loaded) {
    check(result.entries.empty(), "entries without a load");
    check(!result.message.empty(), "a failure without a message");
    return 0;
  }
  check(!result.entries.empty(), "a load without entries");
  for (std::size_t i = 0; i < result.entries.size(); ++i) {
    const auto& e = *result.entries[i];
    check(i == 0 ? e.type() == 0 : (e.type() == 1 || e.type() == 2), "an entry of a wrong type");
    check(std::isfinite(e.coordinate().latitude) && std::fabs(e.coordinate().latitude) <= 90,
          "a latitude off the earth");
    check(std::isfinite(e.coordinate().longitude) && std::fabs(e.coordinate().longitude) <= 180,
          "a longitude off the earth");
  }
  return 0;
}
