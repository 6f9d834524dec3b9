#pragma once
// Finds places and addresses in the full-text index: every word of the query must begin a word
// of the place's names (accents and case aside); whole-name matches come first, then name
// prefixes, then the rest, each by population.
#include <string_view>

#include "service/LookupResults.h"
#include "service/SqliteDatabase.h"

namespace tessaly::service {

class PlaceSearch {
 public:
  explicit PlaceSearch(SqliteDatabase& db);
  GeocodeOutcome find(std::string_view address, int limit = 10);

 private:
  SqliteStatement _query;
};

}  // namespace tessaly::service
