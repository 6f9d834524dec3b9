// `tessaly json-check [--options N] FILE`: tells whether a JSON answer decodes, and why not.
#pragma once

#include <ostream>

namespace tessaly::cli {

// args are the words after "json-check". Exit status: 0 decoded, 1 refused, 2 usage or I/O.
int runJsonCheck(int argc, char** argv, std::ostream& out, std::ostream& err);

}  // namespace tessaly::cli
