#include "service/LookupStore.h"

#include <cstdlib>
#include <stdexcept>

namespace tessaly::service {

std::string LookupStore::defaultPath() {
  std::string base;
  if (const char* xdg = std::getenv("XDG_DATA_HOME"); xdg && *xdg)
    base = xdg;
  else if (const char* home = std::getenv("HOME"); home && *home)
    base = std::string(home) + "/.local/share";
  else
    base = ".";
  return base + "/tessaly/lookup.sqlite";
}

const char* LookupStore::prefix(TravelMode mode) {
  return mode == TravelMode::Driving ? "drive" : "walk";
}

void LookupStore::createSchema(SqliteDatabase& db) {
  db.exec("SELECT InitSpatialMetadata(1, 'WGS84_ONLY')");
  db.exec(
      "CREATE TABLE meta(key TEXT PRIMARY KEY, value TEXT);"
      "CREATE TABLE regions(name TEXT PRIMARY KEY, source TEXT, imported TEXT,"
      " drive_links INTEGER, walk_links INTEGER, places INTEGER);"
      // names: the name and its other spellings, all folded, for the full-text index.
      "CREATE TABLE places(id INTEGER PRIMARY KEY, name TEXT, folded TEXT, names TEXT,"
      " formatted TEXT, lat REAL, lng REAL, population INTEGER, kind TEXT, region TEXT);"
      "CREATE INDEX places_region ON places(region);"
      "CREATE VIRTUAL TABLE places_fts USING fts5(names, content='places', content_rowid='id',"
      " tokenize='unicode61 remove_diacritics 2');");
  for (TravelMode mode : {TravelMode::Driving, TravelMode::Walking}) {
    std::string p = prefix(mode);
    // Node ids are small dense numbers: the routing table keeps them in 32 bits.
    db.exec("CREATE TABLE " + p +
            "_nodes(id INTEGER PRIMARY KEY, osm_id INTEGER UNIQUE, lat REAL, lng REAL);"
            "CREATE VIRTUAL TABLE " +
            p +
            "_snap USING rtree(id, min_lat, max_lat, min_lng, max_lng);"
            "CREATE TABLE " +
            p +
            "_links(id INTEGER PRIMARY KEY, node_from INTEGER, node_to INTEGER, cost REAL,"
            " length REAL, name TEXT, oneway_fromto INTEGER, oneway_tofrom INTEGER, region TEXT);"
            "CREATE INDEX " +
            p + "_links_region ON " + p + "_links(region);");
    db.exec("SELECT AddGeometryColumn('" + p + "_links', 'geometry', 4326, 'LINESTRING', 'XY')");
  }
}

void LookupStore::rebuildRouting(SqliteDatabase& db) {
  for (TravelMode mode : {TravelMode::Driving, TravelMode::Walking}) {
    std::string p = prefix(mode);
    db.exec("DROP TABLE IF EXISTS " + p + "_net; DROP TABLE IF EXISTS " + p + "_net_data;");
    if (db.scalar("SELECT count(*) FROM " + p + "_links", "0") == "0") continue;
    std::string made =
        db.scalar("SELECT CreateRouting('" + p + "_net_data', '" + p + "_net', '" + p +
                  "_links', 'node_from', 'node_to', 'geometry', 'cost', 'name', 1,"
                  " 1, 'oneway_fromto', 'oneway_tofrom', 1)");
    if (made != "1")
      throw std::runtime_error("cannot build the " + p + " routing table: " +
                               db.scalar("SELECT CreateRouting_GetLastError()", "unknown reason"));
  }
}

}  // namespace tessaly::service
