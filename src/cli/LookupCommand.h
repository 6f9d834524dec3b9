#pragma once
// tessaly lookup: the lookup service alone, for a shared deployment; tessaly import: reads an
// OpenStreetMap extract into the service's database, lists and removes regions.
#include <signal.h>

#include <atomic>
#include <functional>
#include <iosfwd>
#include <optional>
#include <string>

#include "cli/OptionReader.h"
#include "platform/foundation/Result.h"
#include "service/LookupService.h"
#include "web/HttpMessage.h"

namespace tessaly::cli {

int runLookup(int argc, char** argv, std::ostream& out, std::ostream& err);
int runImport(int argc, char** argv, std::ostream& out, std::ostream& err);

// Takes the reader's option into options if it is one every lookup command shares (--database,
// --geocoder-upstream, --router-upstream): true when taken, false when it is another option.
platform::Result<bool> takeLookupOption(OptionReader& reader, service::LookupOptions& options);
// The option loop of a command that takes the lookup options: those first, then --help (the
// usage, status 0), then the command's own (own answers whether it took the option, or refuses
// its value), and any other option refused with the usage (status 2). The status to end with,
// or nullopt once every option was taken.
std::optional<int> readLookupCommandOptions(
    OptionReader& reader, service::LookupOptions& options, void (*usage)(std::ostream&),
    std::ostream& out, std::ostream& err,
    const std::function<platform::Result<bool>(OptionReader&)>& own);
// Makes the database with the world's place names if it is missing, with a progress line.
// Stops early (leaving no database) once stop turns true.
void prepareLookupDatabase(const service::LookupOptions& options, const std::string& modulesDir,
                           std::ostream& out, std::ostream& err,
                           const std::atomic<bool>* stop = nullptr);
// The service's answer to one request of the web host or of the lookup server.
web::HttpResponse lookupResponse(service::LookupService& lookup, const web::HttpRequest& request);
// Blocks the signals that stop a server (to be awaited with sigwait) and ignores SIGPIPE.
sigset_t blockStopSignals();
// node_modules beside the program or in the source tree it was built from ("" if none).
std::string findModulesDir();

}  // namespace tessaly::cli
