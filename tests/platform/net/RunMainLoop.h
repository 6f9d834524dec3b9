#pragma once
// Runs the main loop (real clock) until something stops it or the limit passes.
#include "platform/foundation/RunLoop.h"

namespace tessaly::testing {

// Returns false when the limit ended the wait.
inline bool runMainLoopFor(double limitSeconds) {
  auto& loop = platform::RunLoop::main();
  bool timedOut = false;
  auto guard = loop.schedule(limitSeconds, [&] {
    timedOut = true;
    loop.stop();
  });
  loop.run();
  loop.cancel(guard);
  return !timedOut;
}

}  // namespace tessaly::testing
