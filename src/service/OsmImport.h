#pragma once
// Reads an OpenStreetMap extract (.osm.pbf or .osm) into the database as one region: a road
// network for driving and one for walking, and an address index (streets, house numbers,
// named places and points of interest) beside the gazetteer's places.
#include <string>

#include "service/ImportProgress.h"
#include "service/SqliteDatabase.h"

namespace tessaly::service {

struct ImportSummary {
  std::string region;
  long driveLinks = 0;
  long walkLinks = 0;
  long places = 0;
};

class OsmImport {
 public:
  // "monaco" for ".../monaco.osm.pbf".
  static std::string regionName(const std::string& file);
  // Replaces the region of that name if there is one. Throws std::runtime_error when the file
  // cannot be read; the caller's transaction keeps the database as it was.
  static ImportSummary run(SqliteDatabase& db, const std::string& file, const std::string& region,
                           const ImportProgress& progress = {});
  // Drops a region's roads and places. False when there is no such region.
  static bool remove(SqliteDatabase& db, const std::string& region);
};

}  // namespace tessaly::service
