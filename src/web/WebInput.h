#pragma once
// One input from a browser or a script, checked for shape and range before it reaches the main
// loop. What can only be judged against the screen (is that button there, is it enabled) is
// checked by the application side when the input is applied.
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include <nlohmann/json_fwd.hpp>

#include "platform/foundation/Geometry.h"

namespace tessaly::web {

struct WebInput {
  enum class Kind {
    TapToolbarItem,       // tag
    TapNavigationButton,  // name: "left", "right" or "back"
    LongPress,            // point in the map view, coordinate the page shows there
    SelectAnnotation,     // id
    DeselectAnnotation,   // id
    TapCalloutAccessory,  // id
    PressAlertButton,     // id, index, text
    PressSheetButton,     // id, index
    ViewportChanged,      // size, orientation, locale
    RegionChanged,        // coordinate (centre), latitudeDelta, longitudeDelta
    LocationUpdate,       // coordinate, accuracy
    LocationFailed,       // message
    Banner,               // name: "loaded", "failed", "tapped" or "finished"
    SearchBar,            // name: "type", "search" or "cancel"; text typed first
    SelectRow,            // index of the row picked in the table on screen
    Recorder,             // name: "start" or "stop" (the host's screen recorder)
  };

  Kind kind = Kind::TapToolbarItem;
  std::string type;  // the wire name of the kind
  int tag = 0;
  std::string name;
  std::uint64_t id = 0;
  int index = 0;
  std::optional<std::string> text;
  platform::CGPoint point;
  platform::CGSize size;
  int orientation = 1;  // 1 portrait, 2 upside down, 3 landscape left, 4 landscape right
  std::string locale;
  platform::CLLocationCoordinate2D coordinate;
  bool hasCoordinate = false;
  double latitudeDelta = 0;
  double longitudeDelta = 0;
  double accuracy = 0;
  std::string message;
};

// Either the checked inputs or the one-line reason they were refused.
struct ParsedInputs {
  std::vector<WebInput> inputs;
  std::string error;
  bool ok() const { return error.empty(); }
};

// Most inputs one request may carry (a batch is applied in one main-loop turn).
inline constexpr std::size_t kMaxBatchInputs = 20000;

// Parses a request body: one input object, or an array of them applied in order.
ParsedInputs parseInputs(const std::string& body);
// Checks one already parsed JSON value.
std::optional<WebInput> parseInput(const nlohmann::json& value, std::string& error);

// The orientation names of the API, indexed by orientation number - 1.
const char* orientationName(int orientation);

}  // namespace tessaly::web
