#include "web/LegacyState.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

#include <nlohmann/json.hpp>

#include "platform/ads/ADBannerView.h"
#include "platform/map/MKAnnotationView.h"
#include "platform/map/MKMapView.h"
#include "platform/map/MKOverlayView.h"
#include "platform/map/MKPolyline.h"
#include "platform/map/MKUserLocation.h"
#include "platform/ui/UIActionSheet.h"
#include "platform/ui/UIAlertView.h"
#include "platform/ui/UIApplication.h"
#include "platform/ui/UIButton.h"
#include "platform/ui/UILabel.h"
#include "platform/ui/UINavigationController.h"
#include "platform/ui/UISearchBar.h"
#include "platform/ui/UITableView.h"
#include "platform/ui/UIWindow.h"
#include "web/KeyWindow.h"

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
                 {"frame", rect(keyWindow::frameInWindow(view))},
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
  if (controller.isViewLoaded()) j["frame"] = rect(keyWindow::frameInWindow(*controller.view()));
  return j;
}

}  // namespace

LegacyState::LegacyState(p::ObjectIds& ids) : _ids(ids) {}

void LegacyState::write(JsonText& text) {
  auto& app = p::UIApplication::sharedApplication();
  auto window = app.keyWindow();
  json state;
  state["networkActivityIndicatorVisible"] = app.isNetworkActivityIndicatorVisible();
  state["window"] = window ? json{{"frame", rect(window->frame())}} : json(nullptr);
  json navigation = nullptr;
  json modal = json::array();
  if (auto* nav = keyWindow::navigationController()) {
    json stack = json::array();
    for (const auto& c : nav->viewControllers()) stack.push_back(controllerState(*c));
    auto bar = nav->navigationBar();
    json navBar = {{"hidden", nav->isNavigationBarHidden()},
                   {"frame", rect(keyWindow::frameInWindow(*bar))}};
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
    navigation = {{"frame", nav->isViewLoaded() ? rect(keyWindow::frameInWindow(*nav->view()))
                                                : json(nullptr)},
                  {"stack", stack},
                  {"navigationBar", navBar},
                  {"toolbar",
                   {{"hidden", nav->isToolbarHidden()},
                    {"frame", rect(keyWindow::frameInWindow(*toolbar))},
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

  state["panels"] = panelsState();
  if (auto* b = keyWindow::banner()) {
    state["banner"] = {{"frame", rect(keyWindow::frameInWindow(*b))},
                       {"loaded", b->isBannerLoaded()},
                       {"actionInProgress", b->isBannerViewActionInProgress()},
                       {"contentSize", b->currentContentSizeIdentifier()},
                       {"onScreen", keyWindow::onScreen(*b)}};
  } else {
    state["banner"] = nullptr;
  }
  json views = json::array();
  if (window) addViews(*window, 0, views);
  state["views"] = std::move(views);
  for (auto it = state.begin(); it != state.end(); ++it) {
    text.key(it.key());
    text.raw(it.value().dump(-1, ' ', false, json::error_handler_t::replace));
  }
  // The map goes in as text of its own: it holds every marker and every point of the line.
  text.key("map");
  p::MKMapView* map = keyWindow::mapOnScreen();
  text.raw(map ? mapState(*map) : std::string("null"));
}

std::string LegacyState::mapState(p::MKMapView& map) {
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
  writeRect(keyWindow::frameInWindow(map));
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
    out.number(static_cast<double>(_ids.idFor(p::ObjectRef::to(a))));
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
    out.number(static_cast<double>(_ids.idFor(p::ObjectRef::to(o))));
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

json LegacyState::panelsState() {
  json panels = json::array();
  for (const auto& panel : p::UIApplication::sharedApplication().panelsOnScreen()) {
    json j = {{"id", _ids.idFor(p::ObjectRef::to(panel))},
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

}  // namespace tessaly::web
