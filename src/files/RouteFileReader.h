#pragma once
// Reads an XML route file back into path entries: every "coordinates" element with a "type"
// attribute whose text is one "latitude,longitude" pair gives one entry, the first of type 0,
// later ones 1 for "marker" and 2 for any other type. Numbers are read in double precision, so
// saving what was loaded gives the same bytes again.
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "measure/CoordData.h"
#include "platform/foundation/NSXMLParser.h"

namespace tessaly {

class RouteFileReader : public platform::NSXMLParserDelegate {
 public:
  using Entries = std::vector<std::shared_ptr<CoordData>>;

  enum class Outcome {
    Loaded,      // at least one entry
    Unreadable,  // the file could not be read at all
    Failed,      // not well-formed, too large, or refused by the parser: message says why
    NoData,      // well-formed, but no usable coordinates
  };
  struct Result {
    Outcome outcome = Outcome::NoData;
    Entries entries;
    std::string message;  // the text for the user when the outcome is Failed or NoData
  };

  static constexpr const char* kNoDataMessage = "No data in file.";
  // The element that carries one entry.
  static constexpr const char* kCoordinatesElement = "coordinates";

  static Result parseData(const std::string& data);
  // The file's size is checked before it is read, so a huge file is never loaded whole.
  static Result parseFile(const std::string& path);

  // One number of a pair: leading white space skipped, the longest decimal prefix read, 0 when
  // there is none.
  static double readNumber(const std::string& piece);

  void parserDidStartElement(platform::NSXMLParser* parser, const std::string& elementName,
                             const std::string& namespaceURI, const std::string& qualifiedName,
                             const std::map<std::string, std::string>& attributes) override;
  void parserFoundCharacters(platform::NSXMLParser* parser, const std::string& string) override;
  void parserDidEndElement(platform::NSXMLParser* parser, const std::string& elementName,
                           const std::string& namespaceURI,
                           const std::string& qualifiedName) override;

 private:
  RouteFileReader() = default;

  std::int32_t _coordtype = -1;  // -1 outside a typed element, 1 marker, 2 point
  Entries _results;
};

}  // namespace tessaly
