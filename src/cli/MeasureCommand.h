#pragma once
// `tessaly measure`: the measuring engine from the command line.
#include <iosfwd>

namespace tessaly::cli {

// args are the words after "measure". Returns the exit status: 0, 1 (input unreadable) or 2
// (bad usage, a malformed line, a path that cannot be closed).
int runMeasure(int argc, char** argv, std::istream& in, std::ostream& out, std::ostream& err);

}  // namespace tessaly::cli
