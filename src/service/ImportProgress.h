#pragma once
// How a long build reports how far it got, and how it is stopped: the callback gets a
// fraction from 0 to 1 and returns false to stop, which throws ImportCancelled.
#include <functional>
#include <stdexcept>
#include <string_view>

namespace tessaly::service {

using ImportProgress = std::function<bool(std::string_view stage, double fraction)>;

struct ImportCancelled : std::runtime_error {
  ImportCancelled() : std::runtime_error("the import was stopped") {}
};

inline void report(const ImportProgress& progress, std::string_view stage, double fraction) {
  if (progress && !progress(stage, fraction)) throw ImportCancelled();
}

}  // namespace tessaly::service
