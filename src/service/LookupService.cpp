#include "service/LookupService.h"

#include <sys/stat.h>

#include "platform/foundation/HostPort.h"
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

platform::Result<std::unique_ptr<LookupService::Local>> LookupService::borrow() {
  FileIdentity now;
  if (!identify(_options.databasePath, now))
    return platform::Refusal{
        "The place index is not ready yet: it is built once on the first start, which"
        " takes a few seconds. Try again shortly."};
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
    return platform::Refusal{std::string("The lookup service cannot read its database: ") +
                             e.what()};
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
    auto address = LookupQuery::parseAddress(params);
    if (!address) {
      outcome.status = address.reason();
      return json(LookupAnswer::geocode(outcome));
    }
    if (_geocoder) return json(LookupAnswer::geocode(_geocoder->geocode(*address)));
    auto local = borrow();
    if (!local) {
      outcome.status = local.reason();
      return json(LookupAnswer::geocode(outcome));
    }
    try {
      outcome = local.value()->search.find(*address);
    } catch (const std::exception& e) {
      outcome.status = std::string("The place search failed: ") + e.what();
    }
    giveBack(std::move(local).value());
    return json(LookupAnswer::geocode(outcome));
  }
  RouteOutcome outcome;
  auto directions = LookupQuery::parseDirections(params);
  if (!directions) {
    outcome.status = directions.reason();
    return json(LookupAnswer::directions(outcome));
  }
  if (_router) return json(LookupAnswer::directions(_router->route(*directions)));
  auto local = borrow();
  if (!local) {
    outcome.status = local.reason();
    return json(LookupAnswer::directions(outcome));
  }
  try {
    outcome = local.value()->routes.route(*directions);
  } catch (const std::exception& e) {
    outcome = RouteOutcome{};
    outcome.status = std::string("The route search failed: ") + e.what();
  }
  giveBack(std::move(local).value());
  return json(LookupAnswer::directions(outcome));
}

platform::Result<std::string> LookupService::upstreamUrl(std::string_view option,
                                                         std::string_view kind) {
  std::string prefix = std::string(kind) + "=";
  if (option.rfind(prefix, 0) != 0) return platform::Refusal{"wants " + prefix + "URL"};
  auto url = platform::checkedBaseAddress(option.substr(prefix.size()));
  if (!url)
    return platform::Refusal{"wants an http(s) address after " + prefix + ": " + url.reason()};
  return url;
}

}  // namespace tessaly::service
