#pragma once
// The input names of the first page, turned into the touches by id they stand for: the object
// they mean is looked up in the screen's description (the shown toolbar's item with a tag, the
// frontmost navigation bar's buttons, the search bar or table on screen). They go with that page.
#include <vector>

#include <nlohmann/json_fwd.hpp>

#include "platform/foundation/Result.h"
#include "web/WebInput.h"

namespace tessaly::web {

class LegacyInputs {
 public:
  // Whether the input is one of the first page's names.
  static bool isLegacy(const WebInput& input);
  // The touches by id, in order, that input stands for on screen (the JSON of the `screen`
  // field); refused when what it names is not on screen.
  static platform::Result<std::vector<WebInput>> translate(const WebInput& input,
                                                           const nlohmann::json& screen);
};

}  // namespace tessaly::web
