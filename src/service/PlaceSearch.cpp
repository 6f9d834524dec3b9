#include "service/PlaceSearch.h"

#include "service/TextFolding.h"

namespace tessaly::service {

PlaceSearch::PlaceSearch(SqliteDatabase& db)
    : _query(db.prepare("SELECT p.formatted, p.lat, p.lng, p.kind FROM places_fts JOIN places p"
                        " ON p.id = places_fts.rowid WHERE places_fts MATCH ?1"
                        " ORDER BY CASE WHEN p.folded = ?2 OR instr(' ; ' || p.names || ' ; ', ' ; "
                        "' || ?2 || ' ; ')"
                        " THEN 0 WHEN substr(p.folded, 1, length(?2)) = ?2"
                        " THEN 1 ELSE 2 END, p.population DESC, length(p.folded), p.id LIMIT ?3")) {
}

GeocodeOutcome PlaceSearch::find(std::string_view address, int limit) {
  GeocodeOutcome outcome;
  std::vector<std::string> words = TextFolding::words(address);
  std::string match;
  for (const std::string& w : words) {
    if (!match.empty()) match += ' ';
    // Quoted, so no word is read as an operator; a starred word matches as a prefix.
    match += '"' + w + '"';
    if (w.size() > 1) match += '*';
  }
  if (match.empty()) {
    outcome.status = "Type a place or an address to search for.";
    return outcome;
  }
  _query.bind(1, match).bind(2, TextFolding::fold(address)).bind(3, limit);
  while (_query.step())
    outcome.places.push_back({_query.text(0), {_query.real(1), _query.real(2)}, _query.text(3)});
  _query.reset();
  if (outcome.places.empty())
    outcome.status = "No place or address matches \"" + std::string(address.substr(0, 80)) +
                     "\". For street addresses, import an OpenStreetMap extract of the area"
                     " with: tessaly import FILE.osm.pbf";
  return outcome;
}

}  // namespace tessaly::service
