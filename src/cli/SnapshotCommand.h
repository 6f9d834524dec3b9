#pragma once
// tessaly snapshot: starts the application on a phone or a tablet, plays presses on the map and
// taps on toolbar commands through the same checked inputs the web host takes, and writes a
// PNG picture of the screen.
#include <ostream>

namespace tessaly::cli {

int runSnapshot(int argc, char** argv, std::ostream& out, std::ostream& err);

}  // namespace tessaly::cli
