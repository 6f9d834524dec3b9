#include "files/RouteFileReader.h"

#include <cctype>
#include <charconv>
#include <cmath>

#include "platform/foundation/FileSystem.h"
#include "platform/foundation/Log.h"

namespace tessaly {
namespace {

bool isCSpace(char c) {
  return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

}  // namespace

double RouteFileReader::readNumber(const std::string& piece) {
  const char* p = piece.data();
  const char* end = p + piece.size();
  while (p != end && isCSpace(*p)) ++p;
  if (p != end && *p == '+' && end - p > 1 &&
      (std::isdigit(static_cast<unsigned char>(p[1])) || p[1] == '.')) {
    ++p;
  }
  double value = 0;
  auto [next, error] = std::from_chars(p, end, value, std::chars_format::general);
  if (error == std::errc::result_out_of_range) return HUGE_VAL;  // refused as off the earth
  if (error != std::errc()) return 0;
  return value;
}

void RouteFileReader::parserDidStartElement(platform::NSXMLParser*, const std::string& elementName,
                                            const std::string&, const std::string&,
                                            const std::map<std::string, std::string>& attributes) {
  if (elementName != kCoordinatesElement) return;
  auto type = attributes.find("type");
  if (type != attributes.end()) _coordtype = type->second == "marker" ? kCoordMarker : kCoordRoute;
}

void RouteFileReader::parserFoundCharacters(platform::NSXMLParser*, const std::string& string) {
  if (_coordtype == -1) return;
  std::size_t comma = string.find(',');
  if (comma == std::string::npos || string.find(',', comma + 1) != std::string::npos) return;
  double latitude = readNumber(string.substr(0, comma));
  double longitude = readNumber(string.substr(comma + 1));
  // A point off the earth (or not a number at all) would break every figure drawn from it.
  if (!std::isfinite(latitude) || !std::isfinite(longitude) || std::fabs(latitude) > 90 ||
      std::fabs(longitude) > 180) {
    platform::logf("%s skipped %s", __func__, string.c_str());
    return;
  }
  std::int32_t type = _results.empty() ? kCoordStart : _coordtype;
  _results.push_back(std::make_shared<CoordData>(type, latitude, longitude));
}

void RouteFileReader::parserDidEndElement(platform::NSXMLParser*, const std::string&,
                                          const std::string&, const std::string&) {
  _coordtype = -1;
}

RouteFileReader::Result RouteFileReader::parseData(const std::string& data) {
  RouteFileReader reader;
  platform::NSXMLParser parser(data);
  parser.setDelegate(&reader);
  parser.setShouldProcessNamespaces(false);
  parser.setShouldReportNamespacePrefixes(false);
  parser.setShouldResolveExternalEntities(false);
  Result result;
  if (!parser.parse()) {
    platform::logf("%s %s", __func__, parser.parserError().localizedDescription.c_str());
    result.outcome = Outcome::Failed;
    result.message = parser.parserError().localizedDescription;
    return result;
  }
  if (reader._results.empty()) {
    result.outcome = Outcome::NoData;
    result.message = kNoDataMessage;
    return result;
  }
  platform::logf("%s FINALE %d", __func__, static_cast<int>(reader._results.size()));
  result.outcome = Outcome::Loaded;
  result.entries = std::move(reader._results);
  return result;
}

RouteFileReader::Result RouteFileReader::parseFile(const std::string& path) {
  Result result;
  std::optional<std::uintmax_t> size = platform::fileSize(path);
  if (size && *size > platform::NSXMLParser::kMaximumDocumentBytes) {
    result.outcome = Outcome::Failed;
    result.message = platform::NSXMLParser::documentTooLargeError(static_cast<std::size_t>(*size))
                         .localizedDescription;
    return result;
  }
  std::optional<std::string> data =
      platform::isReadableFile(path) ? platform::readFile(path) : std::nullopt;
  if (!data) {
    result.outcome = Outcome::Unreadable;
    return result;
  }
  return parseData(*data);
}

}  // namespace tessaly
