// The tessaly program: serves the application to a browser, or runs one of its tools.
#include <cstring>
#include <iostream>
#include <string_view>

#include "cli/JsonCheckCommand.h"
#include "cli/MeasureCommand.h"

namespace {

void printUsage(std::ostream& out) {
  out << "usage: tessaly [serve [options]]\n"
         "       tessaly measure [--unit km|mi|m|yd|nm] [--locale NAME] [--close] [FILE|-]\n"
         "       tessaly json-check [--options N] FILE\n";
}

}  // namespace

int main(int argc, char** argv) {
  std::string_view command = argc > 1 ? argv[1] : "";
  if (command == "--help" || command == "-h" || command == "help") {
    printUsage(std::cout);
    return 0;
  }
  if (command == "measure")
    return tessaly::cli::runMeasure(argc - 2, argv + 2, std::cin, std::cout, std::cerr);
  if (command == "json-check")
    return tessaly::cli::runJsonCheck(argc - 2, argv + 2, std::cout, std::cerr);
  printUsage(std::cerr);
  return 2;
}
