#pragma once
// tessaly serve: starts the application and serves it to browsers.
#include <iosfwd>

namespace tessaly::cli {

// argv holds the options after "serve". Returns the exit status.
int runServe(int argc, char** argv, std::ostream& out, std::ostream& err);

}  // namespace tessaly::cli
