#pragma once
// The state's fields that the first page draws from (navigation, modal, map, panels, banner,
// views, window), written by hand from the platform's objects. The screen's description
// replaces them: they go once that page is no longer served. Ids come from the registry the
// screen and the inputs use, so the first page's ids name the same objects.
#include <string>

#include <nlohmann/json_fwd.hpp>

#include "json/JsonText.h"
#include "platform/foundation/ObjectIds.h"

namespace tessaly::platform {
class MKMapView;
}

namespace tessaly::web {

class LegacyState {
 public:
  explicit LegacyState(platform::ObjectIds& ids);

  // Writes the fields into the open object of text, each with the comma before it.
  void write(JsonText& text);

 private:
  std::string mapState(platform::MKMapView& map);
  nlohmann::json panelsState();

  platform::ObjectIds& _ids;
};

}  // namespace tessaly::web
