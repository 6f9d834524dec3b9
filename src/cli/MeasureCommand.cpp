// Reads points ("lat,lng" for a marker, "lat,lng,route" for a route point, or a saved XML route
// file), adds them in order with the same path editing the map screen uses, and prints each
// marker's callout.
#include "cli/MeasureCommand.h"

#include <charconv>
#include <cmath>
#include <fstream>
#include <iostream>
#include <memory>
#include <sstream>
#include <string>
#include <string_view>
#include <vector>

#include "appdata/AppData.h"
#include "files/RouteFileReader.h"
#include "files/RouteFileStore.h"
#include "measure/PathEditor.h"
#include "measure/Units.h"
#include "platform/foundation/NumberFormatter.h"
#include "platform/map/MKMapView.h"

namespace tessaly::cli {
namespace {

constexpr const char* kUsage =
    "usage: tessaly measure [--unit km|mi|m|yd|nm] [--locale NAME] [--close] [FILE|-]\n"
    "FILE holds one \"lat,lng\" (or \"lat,lng,route\") per line, or is a saved XML route file\n";

std::string_view trim(std::string_view s) {
  while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) s.remove_prefix(1);
  while (!s.empty() && (s.back() == ' ' || s.back() == '\t' || s.back() == '\r'))
    s.remove_suffix(1);
  return s;
}

bool parseNumber(std::string_view text, double& value) {
  text = trim(text);
  if (text.empty()) return false;
  if (text.front() == '+') text.remove_prefix(1);
  auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
  return ec == std::errc() && end == text.data() + text.size() && std::isfinite(value);
}

struct Point {
  double latitude;
  double longitude;
  bool route;
};

// Parses one non-blank, non-comment line; on failure fills why.
bool parseLine(std::string_view line, Point& point, std::string& why) {
  std::vector<std::string_view> fields;
  for (std::size_t start = 0;;) {
    std::size_t comma = line.find(',', start);
    fields.push_back(line.substr(start, comma == std::string_view::npos ? comma : comma - start));
    if (comma == std::string_view::npos) break;
    start = comma + 1;
  }
  if (fields.size() != 2 && fields.size() != 3) {
    why = "expected \"lat,lng\" or \"lat,lng,route\", found " + std::to_string(fields.size()) +
          " fields";
    return false;
  }
  if (!parseNumber(fields[0], point.latitude)) {
    why = "latitude \"" + std::string(trim(fields[0])) + "\" is not a number";
    return false;
  }
  if (!parseNumber(fields[1], point.longitude)) {
    why = "longitude \"" + std::string(trim(fields[1])) + "\" is not a number";
    return false;
  }
  if (std::fabs(point.latitude) > 90) {
    why = "latitude " + std::string(trim(fields[0])) + " is outside -90..90";
    return false;
  }
  if (std::fabs(point.longitude) > 180) {
    why = "longitude " + std::string(trim(fields[1])) + " is outside -180..180";
    return false;
  }
  point.route = fields.size() == 3;
  if (point.route && trim(fields[2]) != "route") {
    why = "third field must be \"route\", found \"" + std::string(trim(fields[2])) + "\"";
    return false;
  }
  return true;
}

// A saved route file: named .xml, or text whose first non-blank character opens markup.
bool looksLikeRouteFile(const std::string& name, const std::string& content) {
  if (name != "-" && RouteFileStore::extensionIs(name, "xml")) return true;
  std::size_t first = content.find_first_not_of(" \t\r\n");
  return first != std::string::npos && content[first] == '<';
}

}  // namespace

int runMeasure(int argc, char** argv, std::istream& in, std::ostream& out, std::ostream& err) {
  std::int32_t unit = kUnitKm;
  std::string locale;
  bool close = false;
  std::string file = "-";
  bool haveFile = false;
  for (int i = 0; i < argc; ++i) {
    std::string_view arg = argv[i];
    if (arg == "--unit" || arg == "--locale") {
      if (i + 1 >= argc) {
        err << "tessaly measure: " << arg << " needs a value\n" << kUsage;
        return 2;
      }
      std::string value = argv[++i];
      if (arg == "--locale") {
        locale = value;
        continue;
      }
      unit = unitCodeForLabel(value);
      if (unit < 0) {
        err << "tessaly measure: unknown unit \"" << value << "\" (km, mi, m, yd or nm)\n";
        return 2;
      }
    } else if (arg == "--close") {
      close = true;
    } else if (arg == "-h" || arg == "--help") {
      out << kUsage;
      return 0;
    } else if ((arg.size() > 1 && arg.front() == '-') || haveFile) {
      err << "tessaly measure: unexpected argument \"" << arg << "\"\n" << kUsage;
      return 2;
    } else {
      file = std::string(arg);
      haveFile = true;
    }
  }

  std::ifstream fileStream;
  std::istream* input = &in;
  if (file != "-") {
    fileStream.open(file);
    if (!fileStream) {
      err << "tessaly measure: cannot read " << file << "\n";
      return 1;
    }
    input = &fileStream;
  }

  std::ostringstream whole;
  whole << input->rdbuf();
  if (input->bad()) {
    err << "tessaly measure: cannot read " << (file == "-" ? "standard input" : file) << "\n";
    return 1;
  }
  std::string content = whole.str();

  std::vector<Point> points;
  if (looksLikeRouteFile(file, content)) {
    auto route = RouteFileReader::parseData(content);
    if (route.outcome != RouteFileReader::Outcome::Loaded) {
      err << "tessaly measure: " << (file == "-" ? "standard input" : file) << ": " << route.message
          << "\n";
      return 2;
    }
    for (const auto& entry : route.entries) {
      points.push_back({entry->coordinate().latitude, entry->coordinate().longitude,
                        entry->type() == kCoordRoute});
    }
  }
  // Otherwise read and check every line before anything is measured or printed.
  std::istringstream lines(points.empty() ? content : std::string());
  std::string line;
  for (long number = 1; std::getline(lines, line); ++number) {
    std::string_view text = trim(line);
    if (text.empty() || text.front() == '#') continue;
    Point point{};
    std::string why;
    if (!parseLine(text, point, why)) {
      err << "tessaly measure: line " << number << ": " << why << "\n";
      return 2;
    }
    points.push_back(point);
  }

  AppData::sharedInstance().setUnit(unit);
  if (!locale.empty()) platform::setCurrentLocaleName(locale);

  platform::MKMapView map;
  PathEditor editor(&map);
  editor.setIsTablet([] { return true; });
  std::vector<PathEditor::Marker> markers;
  for (const Point& p : points) {
    auto entry = std::make_shared<CoordData>(p.route                      ? kCoordRoute
                                             : editor.pathArray().empty() ? kCoordStart
                                                                          : kCoordMarker,
                                             p.latitude, p.longitude);
    if (auto marker = editor.addMapPoint(entry)) markers.push_back(marker);
  }
  if (close) {
    std::string refusal = editor.closeRefusal();
    if (!refusal.empty()) {
      err << "tessaly measure: cannot close: " << refusal << "\n";
      return 2;
    }
    if (auto marker = editor.closeAction()) markers.push_back(marker);
  }

  std::ostringstream text;
  for (const auto& marker : markers)
    text << marker->index() << '\t' << marker->title() << '\t' << marker->subtitle() << '\n';
  std::string total = editor.pathArray().empty() ? formatLength(0, 1, 1) : editor.statusText();
  text << "total\t" << total << '\n';
  out << text.str();
  return 0;
}

}  // namespace tessaly::cli
