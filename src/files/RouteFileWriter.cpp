#include "files/RouteFileWriter.h"

#include <cstdarg>

namespace tessaly {
namespace {

constexpr const char* kDeclaration = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n";

// printf into the end of out; the program never calls setlocale, so %f keeps its point.
void appendf(std::string& out, const char* format, ...) __attribute__((format(printf, 2, 3)));
void appendf(std::string& out, const char* format, ...) {
  char buffer[160];
  va_list args;
  va_start(args, format);
  int n = std::vsnprintf(buffer, sizeof buffer, format, args);
  va_end(args);
  if (n < 0) return;
  if (static_cast<std::size_t>(n) < sizeof buffer) {
    out.append(buffer, static_cast<std::size_t>(n));
    return;
  }
  // Only a coordinate far outside the earth's range prints this long.
  std::string large(static_cast<std::size_t>(n) + 1, '\0');
  va_start(args, format);
  std::vsnprintf(large.data(), large.size(), format, args);
  va_end(args);
  large.pop_back();
  out += large;
}

}  // namespace

std::string RouteFileWriter::xmlDocument(const Path& path) {
  std::string out;
  out.reserve(64 + path.size() * 64);
  out += kDeclaration;
  out += "<route>\n";
  for (const auto& entry : path) {
    platform::CLLocationCoordinate2D c = entry->coordinate();
    appendf(out, "  <coordinates type=\"%s\">%f,%f</coordinates>\n",
            entry->type() == kCoordRoute ? "point" : "marker", c.latitude, c.longitude);
  }
  out += "</route>\n";
  return out;
}

std::string RouteFileWriter::kmlDocument(const Path& path) {
  std::string out;
  out.reserve(512 + path.size() * 48);
  out += kDeclaration;
  out +=
      "<kml xmlns=\"http://www.opengis.net/kml/2.2\">\n"
      " <Document>\n"
      "  <Style id=\"transPurpleLine\">\n"
      "   <LineStyle>\n"
      "    <color>7fff00ff</color>\n"
      "    <width>4</width>\n"
      "   </LineStyle>\n"
      "  </Style>\n";
  for (std::size_t i = 0; i < path.size(); ++i) {
    const CoordData& entry = *path[i];
    if (entry.type() == kCoordRoute) continue;
    out += "  <Placemark>\n";
    if (i == 0) {
      out += "   <name>Start</name>\n";
    } else {
      appendf(out, "   <name>%.2f m</name>\n", entry.distance());
    }
    platform::CLLocationCoordinate2D c = entry.coordinate();
    appendf(out, "   <Point>\n    <coordinates>%f,%f</coordinates>\n   </Point>\n", c.longitude,
            c.latitude);
    out += "  </Placemark>\n";
  }
  if (path.size() >= 2) {
    out +=
        "  <Placemark>\n"
        "   <styleUrl>#transPurpleLine</styleUrl>\n"
        "   <LineString>\n"
        "    <coordinates>";
    for (std::size_t i = 0; i < path.size(); ++i) {
      platform::CLLocationCoordinate2D c = path[i]->coordinate();
      appendf(out, i == 0 ? "%f,%f,0" : ",\n%f,%f,0", c.longitude, c.latitude);
    }
    out +=
        "</coordinates>\n"
        "   </LineString>\n"
        "  </Placemark>\n";
  }
  out += " </Document>\n</kml>\n";
  return out;
}

std::string RouteFileWriter::document(std::int32_t filemode, const Path& path) {
  return filemode == kModeXML ? xmlDocument(path) : kmlDocument(path);
}

const char* RouteFileWriter::extension(std::int32_t filemode) {
  return filemode == kModeXML ? ".xml" : ".kml";
}

bool RouteFileWriter::writeFile(std::FILE* stream, std::int32_t filemode, const Path& path) {
  std::string text = document(filemode, path);
  return std::fwrite(text.data(), 1, text.size(), stream) == text.size() && !std::ferror(stream);
}

}  // namespace tessaly
