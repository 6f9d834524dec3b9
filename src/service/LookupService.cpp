#include "service/LookupService.h"

#include <sys/stat.h>

#include "service/LookupAnswer.h"
#include "service/LookupQuery.h"
#include "service/LookupStore.h"
#include "service/NominatimGeocoder.h"
#include "service/OsrmRouter.h"
#include "service/PlaceSearch.h"
#include "service/RouteFinder.h"

namespace tessaly::service {
namespace {

struct FileIdentity {
  dev_t device = 0;
  ino_t inode = 0;
  bool operator==(const FileIdentity&) const = default;
};

bool identify(const std::string& path, FileIdentity& out) {
  struct stat st {};
  if (::stat(path.c_str(), &st) != 0) return false;
  out = {st.st_dev, st.st_ino};
  return true;
}

LookupReply json(std::string body) {
  LookupReply reply;
  reply.body = std::move(body);
  return reply;
}

}  // namespace

// One read-only connection with its prepared queries. An import renames a new file over the
// database; a connection to the old file is then dropped when it is next borrowed.
struct LookupService::Local {
  FileIdentity identity;
  SqliteDatabase db;
  PlaceSearch search;
  RouteFinder routes;
  Local(const std::string& path, FileIdentity id)
      : identity(id), db(path, SqliteDatabase::Mode::ReadOnly), search(db), routes(db) {}
};

LookupService::LookupService(LookupOptions options) : _options(std::move(options)) {
  if (_options.databasePath.empty()) _options.databasePath = LookupStore::defaultPath();
  if (!_options.geocoderUpstream.empty())
    _geocoder = std::make_unique<NominatimGeocoder>(_options.geocoderUpstream);
  if (!_options.routerUpstream.empty())
    _router = std::make_unique<OsrmRouter>(_options.routerUpstream);
}

LookupService::~LookupService() = default;

std::unique_ptr<LookupService::Local> LookupService::borrow(std::string& problem) {
  FileIdentity now;
  if (!identify(_options.databasePath, now)) {
    problem =
        "The place index is not ready yet: it is built once on the first start, which"
        " takes a few seconds. Try again shortly.";
    return nullptr;
  }
  {
    std::lock_guard<std::mutex> lock(_mutex);
    while (!_idle.empty()) {
      std::unique_ptr<Local> local = std::move(_idle.back());
      _idle.pop_back();
      if (local->identity == now) return local;
    }
  }
  try {
    return std::make_unique<Local>(_options.databasePath, now);
  } catch (const std::exception& e) {
    problem = std::string("The lookup service cannot read its database: ") + e.what();
    return nullptr;
  }
}

void LookupService::giveBack(std::unique_ptr<Local> local) {
  std::lock_guard<std::mutex> lock(_mutex);
  if (_idle.size() < 16) _idle.push_back(std::move(local));
}

LookupReply LookupService::answer(std::string_view path, std::string_view query) {
  auto params = LookupQuery::parameters(query);
  bool geocode = path == "/maps/api/geocode/json";
  if (!geocode && path != "/maps/api/directions/json") {
    LookupReply reply = json(
        "{\"status\":\"This service answers /maps/api/geocode/json and"
        " /maps/api/directions/json only.\"}");
    reply.status = 404;
    return reply;
  }
  if (geocode) {
    GeocodeOutcome outcome;
    std::string address = LookupQuery::parseAddress(params, outcome.status);
    if (address.empty()) return json(LookupAnswer::geocode(outcome));
    if (_geocoder) return json(LookupAnswer::geocode(_geocoder->geocode(address)));
    std::string problem;
    auto local = borrow(problem);
    if (!local) {
      outcome.status = problem;
      return json(LookupAnswer::geocode(outcome));
    }
    try {
      outcome = local->search.find(address);
    } catch (const std::exception& e) {
      outcome.status = std::string("The place search failed: ") + e.what();
    }
    giveBack(std::move(local));
    return json(LookupAnswer::geocode(outcome));
  }
  RouteOutcome outcome;
  DirectionsQuery directions;
  outcome.status = LookupQuery::parseDirections(params, directions);
  if (!outcome.status.empty()) return json(LookupAnswer::directions(outcome));
  if (_router) return json(LookupAnswer::directions(_router->route(directions)));
  std::string problem;
  auto local = borrow(problem);
  if (!local) {
    outcome.status = problem;
    return json(LookupAnswer::directions(outcome));
  }
  try {
    outcome = local->routes.route(directions);
  } catch (const std::exception& e) {
    outcome = RouteOutcome{};
    outcome.status = std::string("The route search failed: ") + e.what();
  }
  giveBack(std::move(local));
  return json(LookupAnswer::directions(outcome));
}

std::string LookupService::upstreamUrl(std::string_view option, std::string_view kind,
                                       std::string& problem) {
  std::string prefix = std::string(kind) + "=";
  if (option.rfind(prefix, 0) != 0) {
    problem = "wants " + prefix + "URL";
    return "";
  }
  std::string url(option.substr(prefix.size()));
  while (!url.empty() && url.back() == '/') url.pop_back();
  bool scheme = url.rfind("http://", 0) == 0 || url.rfind("https://", 0) == 0;
  if (!scheme || url.find_first_of(" \t\r\n\"'<>?#") != std::string::npos ||
      url.size() <= std::string_view(url).find("//") + 2) {
    problem = "wants an http(s) address after " + prefix;
    return "";
  }
  problem.clear();
  return url;
}

}  // namespace tessaly::service
