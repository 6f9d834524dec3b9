// The tessaly program: serves the application to a browser, or runs one of its tools.
#include <cstring>
#include <iostream>
#include <string_view>

#include "cli/HeadlessCommand.h"
#include "cli/JsonCheckCommand.h"
#include "cli/LookupCommand.h"
#include "cli/MeasureCommand.h"
#include "cli/ServeCommand.h"
#include "cli/SnapshotCommand.h"

namespace {

void printUsage(std::ostream& out) {
  out << "usage: tessaly [serve [options]]\n"
         "       tessaly measure [--unit km|mi|m|yd|nm] [--locale NAME] [--close] [FILE|-]\n"
         "       tessaly lookup [--listen ADDRESS:PORT] [--database FILE] [upstream options]\n"
         "       tessaly import [--database FILE] FILE.osm.pbf | --list | --remove REGION\n"
         "       tessaly json-check [--options N] FILE\n"
         "       tessaly headless [--device phone|tablet] [--documents DIR] "
         "[--press X,Y | --tap TAG]...\n"
         "       tessaly snapshot [--device phone|tablet] [--documents DIR] "
         "[--press X,Y | --tap TAG]... --out FILE.png\n";
}

}  // namespace

int main(int argc, char** argv) {
  std::string_view command = argc > 1 ? argv[1] : "";
  if (command == "--help" || command == "-h" || command == "help") {
    printUsage(std::cout);
    return 0;
  }
  if (command.empty() || command == "serve")
    return tessaly::cli::runServe(argc > 2 ? argc - 2 : 0, argv + (argc > 2 ? 2 : argc), std::cout,
                                  std::cerr);
  if (command.rfind("--", 0) == 0)  // serve's options without the word serve
    return tessaly::cli::runServe(argc - 1, argv + 1, std::cout, std::cerr);
  if (command == "measure")
    return tessaly::cli::runMeasure(argc - 2, argv + 2, std::cin, std::cout, std::cerr);
  if (command == "lookup") return tessaly::cli::runLookup(argc - 2, argv + 2, std::cout, std::cerr);
  if (command == "import") return tessaly::cli::runImport(argc - 2, argv + 2, std::cout, std::cerr);
  if (command == "json-check")
    return tessaly::cli::runJsonCheck(argc - 2, argv + 2, std::cout, std::cerr);
  if (command == "headless")
    return tessaly::cli::runHeadless(argc - 2, argv + 2, std::cout, std::cerr);
  if (command == "snapshot")
    return tessaly::cli::runSnapshot(argc - 2, argv + 2, std::cout, std::cerr);
  printUsage(std::cerr);
  return 2;
}
