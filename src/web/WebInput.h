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
#include "platform/foundation/Result.h"

namespace tessaly::web {

struct WebInput {
  enum class Kind {
    // Touches of the objects on screen, named by the ids of the screen's description.
    Tap,                  // id: a button, bar button item or other control
    Toggle,               // id, on: a switch
    SelectSegment,        // id, index: a segmented control
    SelectRow,            // id, section, row: a table view
    SetEditing,           // id, editing: a table view
    DeleteRow,            // id, section, row: a table view
    TypeText,             // id, text (the whole text as it now stands): a search bar, text field
    Submit,               // id: a search bar's Search key, a text field's Return
    Cancel,               // id: a search bar's Cancel button, an action sheet's outside tap
    TapLink,              // id, url: a web view
    GoBack,               // id (optional): a navigation bar's back button
    PressAlertButton,     // id, index, text (optional: the alert's text field)
    PressSheetButton,     // id, index
    SelectAnnotation,     // id
    DeselectAnnotation,   // id
    TapCalloutAccessory,  // id
    LongPress,            // point in the map view, id (optional) of the map view; coordinate
                          // the page shows there (informative)
    // What the device and the world do.
    ViewportChanged,  // size, orientation, locale
    RegionChanged,    // coordinate (centre), latitudeDelta, longitudeDelta
    LocationUpdate,   // coordinate, accuracy
    LocationFailed,   // message
    Banner,           // name: "loaded", "failed", "tapped" or "finished"
    Recorder,         // name: "start" or "stop" (the host's screen recorder)
  };

  Kind kind = Kind::Tap;
  std::string type;      // the wire name of the kind
  std::uint64_t id = 0;  // 0: none given
  std::string name;
  bool on = false;
  bool editing = false;
  int index = 0;
  int section = 0;
  int row = 0;
  std::optional<std::string> text;
  std::string url;
  platform::CGPoint point;
  platform::CGSize size;
  int orientation = 1;  // 1 portrait, 2 upside down, 3 landscape left, 4 landscape right
  std::string locale;
  bool finePointer = false;  // a viewport pointed at with a mouse: a desktop's window
  platform::CLLocationCoordinate2D coordinate;
  bool hasCoordinate = false;
  double latitudeDelta = 0;
  double longitudeDelta = 0;
  double accuracy = 0;
  std::string message;
};

// Most inputs one request may carry (a batch is applied in one main-loop turn).
inline constexpr std::size_t kMaxBatchInputs = 20000;

// Parses a request body: one input object, or an array of them applied in order; refused with
// a one-line reason.
platform::Result<std::vector<WebInput>> parseInputs(const std::string& body);
// Checks one already parsed JSON value.
platform::Result<WebInput> parseInput(const nlohmann::json& value);

// The orientation names of the API, indexed by orientation number - 1.
const char* orientationName(int orientation);

}  // namespace tessaly::web
