#include "cli/ServeCommand.h"

#include <pthread.h>
#include <signal.h>
#include <unistd.h>

#include <atomic>
#include <csignal>
#include <filesystem>
#include <iostream>
#include <memory>
#include <string>
#include <thread>

#include "cli/LookupCommand.h"
#include "cli/OptionReader.h"
#include "lookup/LookupServices.h"
#include "platform/foundation/FileSystem.h"
#include "platform/foundation/RunLoop.h"
#include "platform/ui/UIApplication.h"
#include "platform/ui/UIDevice.h"
#include "service/LookupService.h"
#include "sessions/SessionCookie.h"
#include "sessions/SessionHost.h"
#include "web/DeviceBridge.h"
#include "web/HostTools.h"
#include "web/WebHost.h"

#include "app/Application.h"

namespace tessaly::cli {
namespace {

namespace fs = std::filesystem;

const char* const kDefaultTiles = "https://tile.openstreetmap.org/{z}/{x}/{y}.png";
const char* const kDefaultTilesAttribution = "\u00a9 OpenStreetMap contributors";
const char* const kDefaultImagery =
    "https://server.arcgisonline.com/ArcGIS/rest/services/World_Imagery/MapServer/tile/{z}/{y}/{x}";
const char* const kDefaultImageryAttribution =
    "Imagery \u00a9 Esri, Maxar, Earthstar Geographics, and the GIS User Community";

void usage(std::ostream& out) {
  out << "usage: tessaly [serve] [--listen ADDRESS:PORT] [--documents DIR]\n"
         "                       [--device phone|tablet|auto] [--tiles URL-TEMPLATE]\n"
         "                       [--imagery URL-TEMPLATE] [--resources DIR]\n"
         "                       [--geocoder URL] [--directions URL]\n"
         "  --listen     where to serve (default 127.0.0.1:8080; port 0 picks a free one);\n"
         "               beyond loopback every request needs the printed access token\n"
         "  --documents  the documents directory (default ~/.local/share/tessaly/Documents)\n"
         "  --device     phone or tablet, or auto to follow the browser's viewport (default)\n"
         "  --tiles      tile address for the standard map, with {z}, {x}, {y} (and {s})\n"
         "  --imagery    tile address for the satellite and hybrid maps\n"
         "  --resources  the folder holding web/ and node_modules/ (found by itself)\n"
         "  --geocoder   base address (scheme, host, port) of the address search service\n"
         "  --directions base address of the route service (both default to this program's\n"
         "               own lookup service at the address it serves on)\n"
         "  --database   the own lookup service's database (default\n"
         "               ~/.local/share/tessaly/lookup.sqlite; fill it with tessaly import)\n"
         "  --geocoder-upstream nominatim=URL   the own service searches through Nominatim\n"
         "  --router-upstream osrm=URL          the own service routes through OSRM\n"
         "  --single     one screen mirrored to every browser (default: every browser session\n"
         "               gets an application of its own, all sharing the documents)\n"
         "  --sessions N           at most N sessions at once (default 16)\n"
         "  --session-idle SECONDS a session unused this long ends (default 1800)\n"
         "  --session-memory MB    address space limit of each session's process (default\n"
         "                         2048; 0: none)\n";
}

bool validTemplate(const std::string& t) {
  bool scheme = t.rfind("http://", 0) == 0 || t.rfind("https://", 0) == 0;
  return scheme && t.find("{z}") != std::string::npos && t.find("{x}") != std::string::npos &&
         t.find("{y}") != std::string::npos && t.find_first_of("\"'<> \\") == std::string::npos;
}

std::string hostOf(const std::string& url) {
  std::size_t start = url.find("://");
  start = start == std::string::npos ? 0 : start + 3;
  return url.substr(start, url.find('/', start) - start);
}

// The folder that holds web/ (the page) and node_modules/, next to the program or in the
// source tree it was built from.
std::string findRoot(const std::string& given) {
  std::vector<fs::path> candidates;
  if (!given.empty()) candidates.emplace_back(given);
  std::error_code ec;
  fs::path exe = fs::read_symlink("/proc/self/exe", ec);
  if (!ec && !exe.empty()) {
    candidates.push_back(exe.parent_path().parent_path());
    candidates.push_back(exe.parent_path());
  }
#ifdef TESSALY_SOURCE_DIR
  candidates.emplace_back(TESSALY_SOURCE_DIR);
#endif
  for (const auto& c : candidates)
    if (fs::exists(c / "resources" / "web" / "index.html", ec)) return c.string();
  return given;
}

// Starts the application on the device as it now stands; a running one ends first.
void launchApplication() {
  Application::launch();
}

void shutdownApplication() {
  Application::shutdown();
}

// A restart on another kind of device starts with an empty path: allow it only while there is none.
bool nothingMeasured() {
  auto screen = Application::mapScreen();
  return !screen || screen->pathArray().empty();
}

// Every browser session its own application process (this program with --session-child),
// all of them on the same documents; the lookup service runs once, here.
int runSessionFront(const web::WebHostOptions& web, sessions::SessionHostOptions front,
                    std::vector<std::string> command, const std::string& geocoder,
                    const std::string& directions, service::LookupOptions lookupOptions,
                    std::ostream& out, std::ostream& err) {
  front.address = web.address;
  front.port = web.port;
  front.token = web.token;
  front.resourcesDir = web.resourcesDir;
  front.modulesDir = web.modulesDir;
  front.limits = web.limits;
  sigset_t signals = blockStopSignals();
  std::unique_ptr<service::LookupService> lookup;
  std::atomic<bool> stopPreparing{false};
  std::thread preparing;
  bool ownLookup = geocoder.empty() || directions.empty();
  if (ownLookup && (lookupOptions.geocoderUpstream.empty() || lookupOptions.routerUpstream.empty()))
    preparing = std::thread([&, modules = web.modulesDir] {
      prepareLookupDatabase(lookupOptions, modules, out, err, &stopPreparing);
    });
  auto finish = [&] {
    stopPreparing = true;
    if (preparing.joinable()) preparing.join();
  };
  std::error_code ec;
  fs::path exe = fs::read_symlink("/proc/self/exe", ec);
  command.insert(command.begin(), {exe.string(), "serve"});
  sessions::SessionHost host(front);
  if (auto bound = host.bind(); !bound) {
    err << "tessaly serve: " << bound.reason() << "\n";
    finish();
    return 1;
  }
  // The processes ask this host for lookups unless told of other services.
  std::string ownBase = host.url().substr(0, host.url().find('/', 8));
  command.insert(command.end(), {"--geocoder", geocoder.empty() ? ownBase : geocoder,
                                 "--directions", directions.empty() ? ownBase : directions});
  host.setSessionCommand(std::move(command));
  if (ownLookup) {
    lookup = std::make_unique<service::LookupService>(lookupOptions);
    host.mount(service::LookupService::kPrefix, [&lookup](const web::HttpRequest& request) {
      return lookupResponse(*lookup, request);
    });
  }
  host.start();
  out << "Tessaly is serving at " << host.url() << std::endl;
  if (host.needsToken())
    out << "Open the address above once: it carries the access token (" << host.token()
        << ") that every request beyond this machine's loopback needs." << std::endl;
  int received = 0;
  sigwait(&signals, &received);
  host.stop();
  finish();
  out << "Tessaly stopped." << std::endl;
  return 0;
}

}  // namespace

int runServe(int argc, char** argv, std::ostream& out, std::ostream& err) {
  web::WebHostOptions options;
  options.tiles = kDefaultTiles;
  options.tilesAttribution = kDefaultTilesAttribution;
  options.imagery = kDefaultImagery;
  options.imageryAttribution = kDefaultImageryAttribution;
  std::string documents, root, geocoder, directions;
  web::DeviceBridge::DeviceMode mode = web::DeviceBridge::DeviceMode::Auto;
  service::LookupOptions lookupOptions;
  sessions::SessionHostOptions front;
  front.memoryBytes = std::size_t{2048} << 20;
  bool single = false;
  int childFd = -1;                    // a session's process: reports its port on this descriptor
  std::vector<std::string> forwarded;  // the options each session's process gets too

  OptionReader reader("tessaly serve", argc, argv);
  // The lookup options stay with the front (the lookup service runs there only); the others
  // are forwarded to each session's process unless they are the front's own.
  auto ended = readLookupCommandOptions(
      reader, lookupOptions, usage, out, err, [&](OptionReader&) -> platform::Result<bool> {
        const std::string& arg = reader.option();
        int first = reader.index();
        bool frontOnly = arg == "--listen" || arg == "--geocoder" || arg == "--directions";
        if (arg == "--listen") {
          auto address = reader.hostPort();
          if (!address) return platform::Refusal{address.reason()};
          options.address = address->host;
          options.port = address->port;
        } else if (arg == "--documents" || arg == "--resources" || arg == "--device" ||
                   arg == "--tiles" || arg == "--imagery") {
          auto value = reader.value();
          if (!value) return platform::Refusal{value.reason()};
          const std::string& v = *value;
          if (arg == "--documents") {
            documents = v;
          } else if (arg == "--resources") {
            root = v;
          } else if (arg == "--device") {
            if (v == "phone")
              mode = web::DeviceBridge::DeviceMode::Phone;
            else if (v == "tablet")
              mode = web::DeviceBridge::DeviceMode::Tablet;
            else if (v == "auto")
              mode = web::DeviceBridge::DeviceMode::Auto;
            else
              return reader.refuse("wants phone, tablet or auto, got '" + v + "'");
            options.device = v;
          } else {
            if (!validTemplate(v))
              return reader.refuse("wants an http(s) address with {z}, {x} and {y}, got '" + v +
                                   "'");
            (arg == "--tiles" ? options.tiles : options.imagery) = v;
            (arg == "--tiles" ? options.tilesAttribution : options.imageryAttribution) =
                "Tiles: " + hostOf(v);
          }
        } else if (arg == "--geocoder" || arg == "--directions") {
          auto base = reader.baseAddress();
          if (!base) return platform::Refusal{base.reason()};
          (arg == "--geocoder" ? geocoder : directions) = *base;
        } else if (arg == "--single") {
          single = frontOnly = true;
        } else if (arg == "--sessions" || arg == "--session-idle" || arg == "--session-memory" ||
                   arg == "--session-child") {
          frontOnly = true;
          auto value = reader.value();
          if (!value) return platform::Refusal{value.reason()};
          const std::string& v = *value;
          char* end = nullptr;
          double number = std::strtod(v.c_str(), &end);
          bool whole = arg != "--session-idle";
          if (v.empty() || *end || !(number >= (arg == "--sessions" ? 1 : 0)) || number > 1e9 ||
              (whole && number != static_cast<long>(number)))
            return reader.refuse("wants a number, got '" + v + "'");
          if (arg == "--sessions") front.maxSessions = static_cast<std::size_t>(number);
          if (arg == "--session-idle") front.idleSeconds = number;
          if (arg == "--session-memory") front.memoryBytes = static_cast<std::size_t>(number) << 20;
          if (arg == "--session-child") childFd = static_cast<int>(number);
        } else {
          return false;
        }
        if (!frontOnly)
          for (int k = first; k <= reader.index(); ++k) forwarded.emplace_back(argv[k]);
        return true;
      });
  if (ended) return *ended;

  root = findRoot(root);
  if (root.empty()) {
    err << "tessaly serve: cannot find the page (resources/web); give --resources DIR\n";
    return 1;
  }
  options.resourcesDir = root + "/resources/web";
  options.modulesDir = root + "/node_modules";
  if (!fs::exists(options.modulesDir + "/leaflet/dist/leaflet.js"))
    err << "tessaly serve: " << options.modulesDir
        << " lacks leaflet; run scripts/setup (the map will not draw)\n";
  if (!documents.empty()) {
    std::error_code ec;
    fs::create_directories(documents, ec);
    platform::setDocumentsDirectory(fs::absolute(documents, ec).string());
  }
  if (childFd < 0 && !single) {
    // Every session's process works on the same documents, named outright.
    forwarded.insert(forwarded.end(),
                     {"--documents", platform::documentsDirectory(), "--resources", root});
    return runSessionFront(options, front, forwarded, geocoder, directions, lookupOptions, out,
                           err);
  }
  if (childFd >= 0) {
    // A session is one browser: its first viewport decides its kind of device for good.
    if (mode == web::DeviceBridge::DeviceMode::Auto)
      mode = web::DeviceBridge::DeviceMode::FirstViewport;
    // Only the front may drive a session: it learns this token on the report pipe, which no
    // other process can read (never in the arguments, which every local user can).
    options.address = "127.0.0.1";
    options.port = 0;
    options.token = sessions::SessionCookie::newId() + sessions::SessionCookie::newId();
  }

  auto& loop = platform::RunLoop::main();
  auto& device = platform::UIDevice::currentDevice();
  device.reset(mode == web::DeviceBridge::DeviceMode::Tablet ? platform::UIUserInterfaceIdiomPad
                                                             : platform::UIUserInterfaceIdiomPhone);

  // One process is one device: on another kind of device the application starts afresh.
  web::DeviceBridge bridge(
      mode, [] { launchApplication(); }, nothingMeasured);
  // Signals end the run loop from a thread of their own (no work in a signal handler); they are
  // blocked before any other thread starts, so that none of those receives them.
  sigset_t signals = blockStopSignals();
  // The recorder, the screen's picture and the documents ride along with the application.
  web::HostTools tools(bridge, loop);
  tools.installOpenInHandler();
  web::WebHost host(tools, loop, options);
  tools.mountOn(host);
  // The own lookup service answers /maps/api/ on the same address unless both lookups go
  // elsewhere.
  std::unique_ptr<service::LookupService> lookup;
  // The first start builds the place index beside serving; lookups say so until it is there.
  std::atomic<bool> stopPreparing{false};
  std::thread preparing;
  if (geocoder.empty() || directions.empty()) {
    if (lookupOptions.geocoderUpstream.empty() || lookupOptions.routerUpstream.empty())
      preparing = std::thread([&, modules = options.modulesDir] {
        prepareLookupDatabase(lookupOptions, modules, out, err, &stopPreparing);
      });
    lookup = std::make_unique<service::LookupService>(lookupOptions);
    host.mount(
        service::LookupService::kPrefix,
        [&lookup](const web::HttpRequest& request) { return lookupResponse(*lookup, request); },
        false, true);
  }
  if (auto bound = host.bind(); !bound) {
    err << "tessaly serve: " << bound.reason() << "\n";
    stopPreparing = true;
    if (preparing.joinable()) preparing.join();
    return 1;
  }

  std::atomic<bool> signalled{false};
  std::thread waiter([&loop, &signalled, signals] {
    int received = 0;
    sigwait(&signals, &received);
    signalled = true;
    loop.stop();
  });

  // Unless told otherwise, lookups go to the program's own service on the address it serves.
  std::string ownBase = host.url().substr(0, host.url().find('/', 8));
  LookupServices::setGeocoderBase(geocoder.empty() ? ownBase : geocoder);
  LookupServices::setDirectionsBase(directions.empty() ? ownBase : directions);
  host.start();
  if (childFd >= 0) {
    std::string port = std::to_string(host.port()) + " " + host.token() + "\n";
    // A front that went away ends this process by its death signal; nothing to do here.
    if (write(childFd, port.data(), port.size()) < 0) err << "tessaly serve: no front to tell\n";
    close(childFd);
  } else {
    out << "Tessaly is serving at " << host.url() << std::endl;
  }
  if (host.needsToken() && childFd < 0)
    out << "Open the address above once: it carries the access token (" << host.token()
        << ") that every request beyond this machine's loopback needs." << std::endl;

  launchApplication();
  loop.post([&host] { host.publish(); });
  loop.run();
  shutdownApplication();
  host.stop();
  stopPreparing = true;
  if (preparing.joinable()) preparing.join();
  if (!signalled) pthread_kill(waiter.native_handle(), SIGTERM);
  waiter.join();
  out << "Tessaly stopped." << std::endl;
  return 0;
}

}  // namespace tessaly::cli
