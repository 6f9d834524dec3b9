#include "web/DeviceBridge.h"

#include <nlohmann/json.hpp>

#include "json/JsonText.h"
#include "platform/foundation/LocaleSnapshot.h"
#include "platform/ui/UIApplication.h"
#include "platform/ui/UIView.h"
#include "web/ScreenSnapshot.h"

namespace tessaly::web {

namespace p = platform;
using nlohmann::json;

DeviceBridge::DeviceBridge(DeviceMode mode, Relaunch relaunch, MayRelaunch mayRelaunch)
    : _device(mode, std::move(relaunch), std::move(mayRelaunch)), _inputs(_device, _ids) {}

std::string DeviceBridge::snapshot() {
  p::LocaleSnapshot locale;
  auto& app = p::UIApplication::sharedApplication();
  _ids.forgetGone();
  json facts = {
      {"device", _device.state()},
      {"launched", app.isLaunched()},
      {"idleTimerDisabled", app.isIdleTimerDisabled()},
      {"openedURLs", app.openedURLs()},
      {"animation",
       {{"duration", p::UIView::lastAnimationDuration()}, {"count", p::UIView::animationCount()}}},
  };
  JsonText text;
  // Room for a state as big as the last, and for what is added around it: growing a text of
  // megabytes step by step copies it again and again onto fresh pages.
  text.text().reserve(_lastSnapshotBytes + 1024);
  text.raw("{");
  bool first = true;
  for (auto it = facts.begin(); it != facts.end(); ++it, first = false) {
    text.key(it.key(), first);
    text.raw(it.value().dump(-1, ' ', false, json::error_handler_t::replace));
  }
  text.key("screen");
  ScreenSnapshot::write(_ids, text.text());
  text.raw("}");
  _lastSnapshotBytes = text.text().size();
  return std::move(text.text());
}

platform::Result<> DeviceBridge::apply(const WebInput& input) {
  return _inputs.apply(input);
}

}  // namespace tessaly::web
