#pragma once
// The lookup service's one database file: places (world gazetteer and imported addresses) in
// a full-text index, and per travel mode a road network with its routing table.
#include <string>

#include "service/SqliteDatabase.h"

namespace tessaly::service {

enum class TravelMode { Driving, Walking };

class LookupStore {
 public:
  // $XDG_DATA_HOME/tessaly/lookup.sqlite (XDG_DATA_HOME defaults to ~/.local/share).
  static std::string defaultPath();
  // Table name prefix of a mode's network: "drive" or "walk".
  static const char* prefix(TravelMode mode);
  // Creates every table of an empty database.
  static void createSchema(SqliteDatabase& db);
  // Rebuilds both routing tables from the links now stored (after an import or a removal).
  static void rebuildRouting(SqliteDatabase& db);
};

}  // namespace tessaly::service
