#pragma once
// The lookup service: answers GET /maps/api/geocode/json and /maps/api/directions/json from
// the local database (world gazetteer, imported regions and their road networks) or, when
// configured, through a Nominatim or OSRM server. It keeps no state between requests beyond
// caches, so several processes can serve the same database or the same upstreams. Safe to call
// from many threads at once: each call borrows a database connection of its own.
#include <memory>
#include <mutex>
#include <string>
#include <string_view>
#include <vector>

#include "platform/foundation/Result.h"

namespace tessaly::service {

class NominatimGeocoder;
class OsrmRouter;

struct LookupOptions {
  std::string databasePath;      // "" for LookupStore::defaultPath()
  std::string geocoderUpstream;  // a Nominatim server's base address, or "" for the local index
  std::string routerUpstream;    // an OSRM server's base address, or "" for the local networks
};

struct LookupReply {
  int status = 200;
  std::string contentType = "application/json; charset=UTF-8";
  std::string body;
};

class LookupService {
 public:
  static constexpr const char* kPrefix = "/maps/api/";

  explicit LookupService(LookupOptions options);
  ~LookupService();
  LookupService(const LookupService&) = delete;
  LookupService& operator=(const LookupService&) = delete;

  // path without the query; query as sent after the "?".
  LookupReply answer(std::string_view path, std::string_view query);
  const std::string& databasePath() const { return _options.databasePath; }

  // "nominatim=URL" / "osrm=URL" as the options give them: the URL without trailing slashes.
  static platform::Result<std::string> upstreamUrl(std::string_view option, std::string_view kind);

 private:
  struct Local;
  // A connection to the database as it is now, or why there is none.
  platform::Result<std::unique_ptr<Local>> borrow();
  void giveBack(std::unique_ptr<Local> local);

  LookupOptions _options;
  std::unique_ptr<NominatimGeocoder> _geocoder;
  std::unique_ptr<OsrmRouter> _router;
  std::mutex _mutex;
  std::vector<std::unique_ptr<Local>> _idle;
};

}  // namespace tessaly::service
