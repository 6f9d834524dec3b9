#include "web/DeviceBridge.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <stdexcept>

#include "json/JsonText.h"
#include "platform/ads/ADBannerView.h"
#include "platform/foundation/NumberFormatter.h"
#include "platform/map/MKAnnotationView.h"
#include "platform/map/MKMapView.h"
#include "platform/map/MKOverlayView.h"
#include "platform/map/MKPolyline.h"
#include "platform/map/MKUserLocation.h"
#include "platform/ui/UIActionSheet.h"
#include "platform/ui/UIAlertView.h"
#include "platform/ui/UIApplication.h"
#include "platform/ui/UIButton.h"
#include "platform/ui/UIGestureRecognizer.h"
#include "platform/ui/UILabel.h"
#include "platform/ui/UINavigationController.h"
#include "platform/ui/UISearchBar.h"
#include "platform/ui/UITableView.h"
#include "platform/ui/UIWindow.h"

namespace tessaly::web {
namespace {

using nlohmann::json;
namespace p = platform;

// Coordinates to about a centimetre: enough for any screen, and a shorter state.
double round7(double v) {
  return std::round(v * 1e7) / 1e7;
}

json rect(const p::CGRect& r) {
  return {{"x", r.origin.x}, {"y", r.origin.y}, {"width", r.size.width}, {"height", r.size.height}};
}

std::string hexColor(const p::UIColor& c) {
  auto channel = [](float v) {
    return static_cast<int>(std::lround(std::clamp(v, 0.0f, 1.0f) * 255));
  };
  char text[8];
  std::snprintf(text, sizeof text, "#%02x%02x%02x", channel(c.red), channel(c.green),
                channel(c.blue));
  return text;
}

// A view's frame in the coordinates of the window it is in.
p::CGRect frameInWindow(const p::UIView& view) {
  p::CGPoint origin = view.convertPoint(view.bounds().origin, nullptr);
  return {origin, view.frame().size};
}

bool onScreen(const p::UIView& view) {
  for (const p::UIView* v = &view; v; v = v->superview())
    if (v->isHidden()) return false;
  return true;
}

template <class T>
T* findView(const p::UIView& root) {
  if (auto* hit = dynamic_cast<T*>(const_cast<p::UIView*>(&root))) return hit;
  for (const auto& child : root.subviews())
    if (auto* hit = findView<T>(*child)) return hit;
  return nullptr;
}

const char* systemItemName(p::UIBarButtonSystemItem item) {
  static const char* const names[] = {"done",          "cancel",     "edit",    "save",    "add",
                                      "flexibleSpace", "fixedSpace", "compose", "reply",   "action",
                                      "organize",      "bookmarks",  "search",  "refresh", "stop",
                                      "camera",        "trash",      "play",    "pause",   "rewind",
                                      "fastForward",   "undo",       "redo",    "pageCurl"};
  if (item < 0 || item >= static_cast<int>(sizeof names / sizeof *names)) return nullptr;
  return names[item];
}

json barItem(const std::shared_ptr<p::UIBarButtonItem>& item) {
  if (!item) return nullptr;
  if (item->isSpace()) {
    json space = {{"kind", "space"},
                  {"flexible", item->systemItem() == p::UIBarButtonSystemItemFlexibleSpace}};
    if (item->width() > 0) space["width"] = item->width();
    return space;
  }
  json j;
  if (auto* label = dynamic_cast<p::UILabel*>(item->customView().get())) {
    j = {{"kind", "label"},
         {"text", label->text()},
         {"frame", rect(label->frame())},
         {"font", {{"size", label->font().pointSize}, {"bold", label->font().bold}}},
         {"color", hexColor(label->textColor())},
         {"alignment", static_cast<int>(label->textAlignment())}};
  } else {
    j = {{"kind", "button"}, {"title", item->title()}, {"enabled", item->isEnabled()}};
    if (const char* name = systemItemName(item->systemItem())) j["systemItem"] = name;
    if (item->image()) j["image"] = item->image()->name();
    if (auto* button = dynamic_cast<p::UIButton*>(item->customView().get())) {
      j["buttonType"] = static_cast<int>(button->buttonType());
      j["enabled"] = item->isEnabled() && button->isEnabled();
      if (auto image = button->backgroundImageForState(p::UIControlStateNormal))
        j["image"] = image->name();
      std::string title = button->titleForState(p::UIControlStateNormal);
      if (!title.empty()) j["title"] = title;
    }
  }
  j["tag"] = item->tag();
  return j;
}

void addViews(const p::UIView& view, int depth, json& out) {
  if (dynamic_cast<const p::MKAnnotationView*>(&view) != nullptr) return;
  out.push_back({{"kind", view.kind()},
                 {"frame", rect(frameInWindow(view))},
                 {"hidden", view.isHidden()},
                 {"alpha", view.alpha()},
                 {"depth", depth}});
  // What the search bar and a table show: texts from the network among them, sent as data.
  if (const auto* bar = dynamic_cast<const p::UISearchBar*>(&view)) {
    out.back()["text"] = bar->text();
    out.back()["placeholder"] = bar->placeholder();
    out.back()["focused"] = bar->isFirstResponder();
  } else if (const auto* table = dynamic_cast<const p::UITableView*>(&view)) {
    json rows = json::array();
    for (int row = 0; row < table->numberOfRowsInSection(0); ++row) {
      auto cell = table->cellForRowAtIndexPath({0, row});
      rows.push_back(cell ? cell->textLabel()->text() : std::string());
    }
    out.back()["rows"] = std::move(rows);
  }
  for (const auto& child : view.subviews()) addViews(*child, depth + 1, out);
}

json controllerState(p::UIViewController& controller) {
  json j = {{"kind", controller.kind()}, {"title", controller.title()}};
  if (controller.isViewLoaded()) j["frame"] = rect(frameInWindow(*controller.view()));
  return j;
}

}  // namespace

template <class T>
std::uint64_t DeviceBridge::Ids<T>::idFor(const std::shared_ptr<T>& object) {
  auto it = byPointer.find(object.get());
  if (it != byPointer.end()) {
    if (!it->second.object.expired()) return it->second.id;
    byId.erase(it->second.id);  // the address was used again by a new object
    byPointer.erase(it);
  }
  std::uint64_t id = next++;
  byPointer.emplace(object.get(), Entry{object, id});
  byId.emplace(id, object);
  return id;
}

template <class T>
std::shared_ptr<T> DeviceBridge::Ids<T>::find(std::uint64_t id) const {
  auto it = byId.find(id);
  return it == byId.end() ? nullptr : it->second.lock();
}

template <class T>
void DeviceBridge::Ids<T>::forgetGone() {
  for (auto it = byPointer.begin(); it != byPointer.end();) {
    if (it->second.object.expired()) {
      byId.erase(it->second.id);
      it = byPointer.erase(it);
    } else {
      ++it;
    }
  }
}

DeviceBridge::DeviceBridge(DeviceMode mode, Relaunch relaunch, MayRelaunch mayRelaunch)
    : _mode(mode), _relaunch(std::move(relaunch)), _mayRelaunch(std::move(mayRelaunch)) {}

p::UINavigationController* DeviceBridge::navigationController() const {
  auto window = p::UIApplication::sharedApplication().keyWindow();
  if (!window) return nullptr;
  return dynamic_cast<p::UINavigationController*>(window->rootViewController().get());
}

p::MKMapView* DeviceBridge::mapView() const {
  auto window = p::UIApplication::sharedApplication().keyWindow();
  if (!window) return nullptr;
  p::MKMapView* map = findView<p::MKMapView>(*window);
  return map && onScreen(*map) ? map : nullptr;
}

p::ADBannerView* DeviceBridge::banner() const {
  auto window = p::UIApplication::sharedApplication().keyWindow();
  return window ? findView<p::ADBannerView>(*window) : nullptr;
}

std::string DeviceBridge::snapshot() {
  auto& app = p::UIApplication::sharedApplication();
  auto& device = p::UIDevice::currentDevice();
  auto window = app.keyWindow();

  int orientation = app.statusBarOrientation();
  bool landscape = p::UIInterfaceOrientationIsLandscape(orientation);
  p::CGRect screen = p::UIScreen::mainScreen().bounds();
  json state;
  state["device"] = {
      {"idiom", device.isPad() ? "tablet" : "phone"},
      {"interfaceOrientation", orientation},
      {"orientation", orientationName(device.orientation())},
      {"landscape", landscape},
      {"screen",
       {{"width", landscape ? screen.size.height : screen.size.width},
        {"height", landscape ? screen.size.width : screen.size.height}}},
      {"locale", _locale},
      {"model", device.model()},
      {"systemVersion", device.systemVersion()},
  };
  state["launched"] = app.isLaunched();
  state["networkActivityIndicatorVisible"] = app.isNetworkActivityIndicatorVisible();
  state["idleTimerDisabled"] = app.isIdleTimerDisabled();
  state["openedURLs"] = app.openedURLs();
  state["animation"] = {{"duration", p::UIView::lastAnimationDuration()},
                        {"count", p::UIView::animationCount()}};

  state["window"] = window ? json{{"frame", rect(window->frame())}} : json(nullptr);
  json navigation = nullptr;
  json modal = json::array();
  if (auto* nav = navigationController()) {
    json stack = json::array();
    for (const auto& c : nav->viewControllers()) stack.push_back(controllerState(*c));
    auto bar = nav->navigationBar();
    json navBar = {{"hidden", nav->isNavigationBarHidden()}, {"frame", rect(frameInWindow(*bar))}};
    if (auto* top = bar->topItem()) {
      navBar["title"] = top->title();
      navBar["left"] = barItem(top->leftBarButtonItem());
      navBar["right"] = barItem(top->rightBarButtonItem());
    }
    std::string back = bar->backButtonTitle();
    navBar["back"] = back.empty() ? json(nullptr) : json(back);
    auto toolbar = nav->toolbar();
    json items = json::array();
    for (const auto& item : toolbar->items()) items.push_back(barItem(item));
    navigation = {
        {"frame", nav->isViewLoaded() ? rect(frameInWindow(*nav->view())) : json(nullptr)},
        {"stack", stack},
        {"navigationBar", navBar},
        {"toolbar",
         {{"hidden", nav->isToolbarHidden()},
          {"frame", rect(frameInWindow(*toolbar))},
          {"items", items}}}};
    for (auto* c = static_cast<p::UIViewController*>(nav); c && c->presentedViewController();
         c = c->presentedViewController().get()) {
      auto& shown = *c->presentedViewController();
      json m = controllerState(shown);
      m["style"] = static_cast<int>(shown.modalPresentationStyle());
      if (auto* inner = dynamic_cast<p::UINavigationController*>(&shown))
        if (auto* top = inner->topViewController()) m["top"] = controllerState(*top);
      modal.push_back(m);
    }
  }
  state["navigation"] = navigation;
  state["modal"] = modal;

  p::MKMapView* map = mapView();
  state["panels"] = panelsState();
  if (auto* b = banner()) {
    state["banner"] = {{"frame", rect(frameInWindow(*b))},
                       {"loaded", b->isBannerLoaded()},
                       {"actionInProgress", b->isBannerViewActionInProgress()},
                       {"contentSize", b->currentContentSizeIdentifier()},
                       {"onScreen", onScreen(*b)}};
  } else {
    state["banner"] = nullptr;
  }
  json views = json::array();
  if (window) addViews(*window, 0, views);
  state["views"] = std::move(views);
  // The map goes in as text of its own; the rest is small.
  std::string text = state.dump(-1, ' ', false, json::error_handler_t::replace);
  text.pop_back();
  text += ",\"map\":";
  text += map ? mapState(*map) : std::string("null");
  text += "}";
  return text;
}

// The map part is written as text directly: it holds every marker and every point of the line.
std::string DeviceBridge::mapState(p::MKMapView& map) {
  _annotationIds.forgetGone();
  _overlayIds.forgetGone();
  p::MKCoordinateRegion region = map.region();
  p::MKMapRect visible = map.visibleMapRect();
  JsonText out;
  out.text().reserve(256 + map.annotations().size() * 260);
  // Screen rectangles (points) and map rectangles (map points) are written alike.
  auto writeRect = [&](const auto& r) {
    out.raw("{\"x\":");
    out.number(r.origin.x);
    out.raw(",\"y\":");
    out.number(r.origin.y);
    out.raw(",\"width\":");
    out.number(r.size.width);
    out.raw(",\"height\":");
    out.number(r.size.height);
    out.raw("}");
  };
  auto writeCoordinate = [&](const p::CLLocationCoordinate2D& c) {
    out.raw("{\"latitude\":");
    out.number(round7(c.latitude));
    out.raw(",\"longitude\":");
    out.number(round7(c.longitude));
    out.raw("}");
  };
  out.raw("{");
  out.key("frame", true);
  writeRect(frameInWindow(map));
  out.key("bounds");
  writeRect(map.bounds());
  out.key("type");
  out.number(static_cast<int>(map.mapType()));
  out.key("region");
  out.raw("{\"center\":");
  writeCoordinate(region.center);
  out.raw(",\"span\":{\"latitudeDelta\":");
  out.number(region.span.latitudeDelta);
  out.raw(",\"longitudeDelta\":");
  out.number(region.span.longitudeDelta);
  out.raw("}}");
  out.key("mapRect");
  writeRect(visible);

  out.key("annotations");
  out.raw("[");
  const auto& selected = map.selectedAnnotations();
  bool first = true;
  for (const auto& a : map.annotations()) {
    if (!first) out.raw(",");
    first = false;
    bool isUser = dynamic_cast<const p::MKUserLocation*>(a.get()) != nullptr;
    out.raw("{\"id\":");
    out.number(static_cast<double>(_annotationIds.idFor(a)));
    out.raw(isUser ? ",\"kind\":\"userLocation\",\"coordinate\":"
                   : ",\"kind\":\"annotation\",\"coordinate\":");
    writeCoordinate(a->coordinate());
    out.key("title");
    out.string(a->title());
    out.key("subtitle");
    out.string(a->subtitle());
    out.key("selected");
    out.boolean(std::find(selected.begin(), selected.end(), a) != selected.end());
    auto view = map.viewForAnnotation(a.get());
    if (!view) {
      out.raw(
          ",\"view\":null,\"canShowCallout\":false,\"calloutOpen\":false,"
          "\"pinColor\":null,\"accessory\":null}");
      continue;
    }
    out.key("view");
    out.string(view->kind());
    out.key("canShowCallout");
    out.boolean(view->canShowCallout());
    out.key("calloutOpen");
    out.boolean(view->isCalloutOpen());
    out.key("pinColor");
    if (auto* pin = dynamic_cast<p::MKPinAnnotationView*>(view.get())) {
      out.string(pinColorName(pin->pinColor()));
      out.key("animatesDrop");
      out.boolean(pin->animatesDrop());
    } else {
      out.raw("null");
    }
    out.key("accessory");
    if (const auto& control = view->rightCalloutAccessoryView()) {
      json accessory = {
          {"kind", control->kind()}, {"tag", control->tag()}, {"enabled", control->isEnabled()}};
      if (auto* button = dynamic_cast<p::UIButton*>(control.get()))
        accessory["buttonType"] = static_cast<int>(button->buttonType());
      out.raw(accessory.dump());
    } else {
      out.raw("null");
    }
    out.raw("}");
  }
  out.raw("]");

  out.key("overlays");
  out.raw("[");
  first = true;
  for (const auto& o : map.overlays()) {
    auto view = map.viewForOverlay(o.get());
    if (!view) continue;  // an overlay without a view is not drawn
    if (!first) out.raw(",");
    first = false;
    out.raw("{\"id\":");
    out.number(static_cast<double>(_overlayIds.idFor(o)));
    out.key("alpha");
    out.number(view->alpha());
    auto* line = dynamic_cast<p::MKPolylineView*>(view.get());
    if (!line) {
      out.key("kind");
      out.string(view->kind());
      out.raw("}");
      continue;
    }
    out.raw(",\"kind\":\"polyline\",\"strokeColor\":");
    out.string(hexColor(line->strokeColor()));
    out.key("strokeAlpha");
    out.number(line->strokeColor().alpha);
    out.key("fillColor");
    out.string(hexColor(line->fillColor()));
    out.key("lineWidth");
    if (line->lineWidth() > 0)
      out.number(line->lineWidth());
    else
      out.raw("null");
    out.raw(",\"points\":[");
    bool firstPoint = true;
    for (const auto& mp : line->polyline()->pointVector()) {
      auto c = p::MKCoordinateForMapPoint(mp);
      out.raw(firstPoint ? "[" : ",[");
      firstPoint = false;
      out.number(round7(c.latitude));
      out.raw(",");
      out.number(round7(c.longitude));
      out.raw("]");
    }
    out.raw("]}");
  }
  out.raw("]");

  const auto& user = map.userLocation();
  out.raw(",\"userLocation\":{\"shown\":");
  out.boolean(map.showsUserLocation());
  out.raw(",\"location\":");
  if (user && user->location()) {
    out.raw("{\"coordinate\":");
    writeCoordinate(user->location()->coordinate);
    out.raw(",\"accuracy\":");
    out.number(user->location()->horizontalAccuracy);
    out.raw("}");
  } else {
    out.raw("null");
  }
  out.raw(",\"visible\":");
  out.boolean(map.isUserLocationVisible());
  out.raw("}}");
  return std::move(out.text());
}

json DeviceBridge::panelsState() {
  _panelIds.forgetGone();
  json panels = json::array();
  for (const auto& panel : p::UIApplication::sharedApplication().panelsOnScreen()) {
    json j = {{"id", _panelIds.idFor(panel)},
              {"kind", panel->kind()},
              {"title", panel->title()},
              {"buttons", panel->buttonTitles()},
              {"cancelButtonIndex", panel->cancelButtonIndex()},
              {"firstOtherButtonIndex", panel->firstOtherButtonIndex()}};
    if (auto* alert = dynamic_cast<p::UIAlertView*>(panel.get())) {
      j["kind"] = "alert";
      j["message"] = alert->message();
      j["textField"] = nullptr;
      if (alert->numberOfTextFields() > 0) {
        auto* field = alert->textFieldAtIndex(0);
        j["textField"] = {
            {"text", field->text()},
            {"placeholder", field->placeholder()},
            {"secure", alert->alertViewStyle() == p::UIAlertViewStyleSecureTextInput}};
      }
    } else if (auto* sheet = dynamic_cast<p::UIActionSheet*>(panel.get())) {
      j["kind"] = "actionSheet";
      j["destructiveButtonIndex"] = sheet->destructiveButtonIndex();
      j["anchor"] = sheet->anchorItem() ? json{{"tag", sheet->anchorItem()->tag()}} : json(nullptr);
    }
    panels.push_back(std::move(j));
  }
  return panels;
}

std::string DeviceBridge::refuseWhilePanelOnScreen() const {
  auto top = p::UIApplication::sharedApplication().topPanel();
  if (!top) return "";
  return std::string(dynamic_cast<p::UIAlertView*>(top.get()) ? "an alert" : "a sheet") +
         " is on screen; press one of its buttons first";
}

// The browser window changed size: the window covers the screen as it is now turned and the
// screens lay themselves out again.
void DeviceBridge::relayoutForScreen() {
  if (auto window = p::UIApplication::sharedApplication().keyWindow()) window->screenDidChange();
}

std::string DeviceBridge::applyViewport(const WebInput& input) {
  auto& device = p::UIDevice::currentDevice();
  float shortSide = std::min(input.size.width, input.size.height);
  float longSide = std::max(input.size.width, input.size.height);
  p::UIUserInterfaceIdiom idiom = _mode == DeviceMode::Tablet     ? p::UIUserInterfaceIdiomPad
                                  : _mode == DeviceMode::Phone    ? p::UIUserInterfaceIdiomPhone
                                  : shortSide >= kTabletShortSide ? p::UIUserInterfaceIdiomPad
                                                                  : p::UIUserInterfaceIdiomPhone;
  if (!input.locale.empty() && input.locale != _locale) {
    // The browser's language is the locale of every number the application formats.
    _locale = input.locale;
    std::string name = input.locale;
    std::replace(name.begin(), name.end(), '-', '_');
    p::setCurrentLocaleName(name);
  }
  p::CGRect screen = p::CGRectMake(0, 0, shortSide, longSide);
  bool sizeChanged = !(p::UIScreen::mainScreen().bounds() == screen);
  bool otherKind = idiom != device.userInterfaceIdiom();
  // A window resized across the tablet size, or a second browser of another kind, must not
  // throw away what the user measured: the running application then keeps its kind.
  if (otherKind && _mayRelaunch && !_mayRelaunch()) otherKind = false;
  if (otherKind) {
    // Another kind of device: start the application again on it.
    device.reset(idiom);
    p::UIScreen::mainScreen().setBounds(screen);
    if (_relaunch) _relaunch();
  } else if (sizeChanged) {
    p::UIScreen::mainScreen().setBounds(screen);
    relayoutForScreen();
  }
  // The browser reports the way the screen is turned; the device follows it.
  static const p::UIDeviceOrientation deviceOrientations[] = {
      p::UIDeviceOrientationPortrait, p::UIDeviceOrientationPortraitUpsideDown,
      p::UIDeviceOrientationLandscapeLeft, p::UIDeviceOrientationLandscapeRight};
  p::UIDeviceOrientation wanted = deviceOrientations[input.orientation - 1];
  if (device.orientation() != wanted) device.setOrientation(wanted);
  return "";
}

std::string DeviceBridge::apply(const WebInput& input) {
  using K = WebInput::Kind;
  auto& app = p::UIApplication::sharedApplication();
  switch (input.kind) {
    case K::ViewportChanged:
      return applyViewport(input);

    case K::PressAlertButton:
    case K::PressSheetButton: {
      auto panel = _panelIds.find(input.id);
      const auto& shown = app.panelsOnScreen();
      if (!panel || std::find(shown.begin(), shown.end(), panel) == shown.end())
        return "no alert or sheet " + std::to_string(input.id) + " is on screen";
      bool isAlert = dynamic_cast<p::UIAlertView*>(panel.get()) != nullptr;
      if (isAlert != (input.kind == K::PressAlertButton))
        return "panel " + std::to_string(input.id) + " is " + (isAlert ? "an alert" : "a sheet");
      if (input.index >= panel->numberOfButtons())
        return "panel " + std::to_string(input.id) + " has " +
               std::to_string(panel->numberOfButtons()) + " buttons";
      if (isAlert) {
        auto* alert = static_cast<p::UIAlertView*>(panel.get());
        if (input.text) {
          if (alert->numberOfTextFields() == 0) return "this alert has no text field";
          alert->pressButtonAtIndex(input.index, *input.text);
          return "";
        }
      }
      panel->pressButtonAtIndex(input.index);
      return "";
    }

    case K::Banner: {
      p::ADBannerView* b = banner();
      if (!b) return "there is no banner";
      if (input.name == "loaded") {
        b->loadAd();
      } else if (input.name == "failed") {
        b->failToReceiveAd({"ADErrorDomain", 3, "The operation couldn't be completed."});
      } else if (input.name == "tapped") {
        if (!b->isBannerLoaded()) return "the banner has nothing to show";
        if (b->isBannerViewActionInProgress()) return "the banner's action is already running";
        b->tap(false);
      } else {
        if (!b->isBannerViewActionInProgress()) return "the banner has no action running";
        b->finishAction();
      }
      return "";
    }

    case K::LocationUpdate:
    case K::LocationFailed: {
      p::MKMapView* map = mapView();
      if (!map) return "the map is not on screen";
      if (!map->showsUserLocation()) return "the map does not show the user's position";
      if (input.kind == K::LocationUpdate)
        map->didUpdateUserLocation(p::CLLocation{input.coordinate, input.accuracy});
      else
        map->didFailToLocateUserWithError(
            {"kCLErrorDomain", 1,
             input.message.empty() ? "The location could not be determined." : input.message});
      return "";
    }

    case K::RegionChanged: {
      p::MKMapView* map = mapView();
      if (!map) return "the map is not on screen";
      try {
        map->setRegion({input.coordinate, {input.latitudeDelta, input.longitudeDelta}}, false);
      } catch (const std::invalid_argument& e) {
        return e.what();
      }
      return "";
    }

    default:
      break;
  }

  // Touches on the screen: an alert or sheet on top takes them all.
  if (std::string refused = refuseWhilePanelOnScreen(); !refused.empty()) return refused;
  auto* nav = navigationController();
  switch (input.kind) {
    case K::TapToolbarItem: {
      if (!nav || nav->isToolbarHidden()) return "the toolbar is hidden";
      auto item = nav->toolbar()->itemWithTag(input.tag);
      if (!item) return "no toolbar item has tag " + std::to_string(input.tag);
      if (!item->isEnabled()) return "toolbar item " + std::to_string(input.tag) + " is disabled";
      item->tap();
      return "";
    }
    case K::TapNavigationButton: {
      if (!nav || nav->isNavigationBarHidden()) return "the navigation bar is hidden";
      auto bar = nav->navigationBar();
      if (input.name == "back") {
        if (!bar->tapBackButton()) return "there is no screen to go back to";
        return "";
      }
      auto* top = bar->topItem();
      if (!top) return "the navigation bar has no items";
      auto item = input.name == "left" ? top->leftBarButtonItem() : top->rightBarButtonItem();
      if (!item) return "there is no " + input.name + " button";
      auto* control = dynamic_cast<p::UIControl*>(item->customView().get());
      if (!item->isEnabled() || (control && !control->isEnabled()))
        return "the " + input.name + " button is disabled";
      item->tap();
      return "";
    }
    case K::SearchBar: {
      auto window = p::UIApplication::sharedApplication().keyWindow();
      p::UISearchBar* bar = window ? findView<p::UISearchBar>(*window) : nullptr;
      if (!bar || !onScreen(*bar)) return "the search bar is not on screen";
      if (input.name == "cancel") {
        bar->tapCancelButton();
        return "";
      }
      if (input.text) bar->typeText(*input.text);
      if (input.name == "search") bar->tapSearchButton();
      return "";
    }
    case K::SelectRowAtIndex: {
      auto window = p::UIApplication::sharedApplication().keyWindow();
      p::UITableView* table = window ? findView<p::UITableView>(*window) : nullptr;
      if (!table || !onScreen(*table)) return "no table is on screen";
      if (input.index >= table->numberOfRowsInSection(0))
        return "the table has " + std::to_string(table->numberOfRowsInSection(0)) + " rows";
      table->selectRowAtIndexPath({0, input.index});
      return "";
    }
    case K::LongPress: {
      p::MKMapView* map = mapView();
      if (!map) return "the map is not on screen";
      p::CGRect bounds = map->bounds();
      p::CGPoint at{input.point.x + bounds.origin.x, input.point.y + bounds.origin.y};
      if (!p::CGRectContainsPoint(bounds, at)) {
        char text[120];
        std::snprintf(text, sizeof text, "the point (%g, %g) is outside the map view (%g x %g)",
                      input.point.x, input.point.y, bounds.size.width, bounds.size.height);
        return text;
      }
      for (const auto& recognizer : map->gestureRecognizers()) {
        auto* press = dynamic_cast<p::UILongPressGestureRecognizer*>(recognizer.get());
        if (press && press->isEnabled()) {
          press->press(at);
          return "";
        }
      }
      return "the map does not take long presses";
    }
    case K::SelectAnnotation:
    case K::DeselectAnnotation:
    case K::TapCalloutAccessory: {
      p::MKMapView* map = mapView();
      if (!map) return "the map is not on screen";
      auto annotation = _annotationIds.find(input.id);
      if (!annotation || !map->containsAnnotation(annotation.get()))
        return "no annotation " + std::to_string(input.id) + " is on the map";
      const auto& selected = map->selectedAnnotations();
      bool isSelected = std::find(selected.begin(), selected.end(), annotation) != selected.end();
      if (input.kind == K::SelectAnnotation) {
        if (!isSelected) map->selectAnnotation(annotation, true);
      } else if (input.kind == K::DeselectAnnotation) {
        if (isSelected) map->deselectAnnotation(annotation.get(), true);
      } else if (!map->tapCalloutAccessory(annotation.get())) {
        return "annotation " + std::to_string(input.id) + " has no open callout with a button";
      }
      return "";
    }
    default:
      return "input '" + input.type + "' is not handled";
  }
}

}  // namespace tessaly::web
