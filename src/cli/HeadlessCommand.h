#pragma once
// `tessaly headless`: starts the application without a browser, plays presses on the map and
// taps on the toolbar as the web host's own inputs (the same checks, the same path), and prints
// what the screen then shows.
#include <iosfwd>

namespace tessaly::cli {

// args are the words after "headless". Returns the exit status: 0, or 2 for bad usage or an
// input the screen refused (a point off the map, a disabled or unknown command).
int runHeadless(int argc, char** argv, std::ostream& out, std::ostream& err);

}  // namespace tessaly::cli
