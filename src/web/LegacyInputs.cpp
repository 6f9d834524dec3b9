#include "web/LegacyInputs.h"

#include <functional>
#include <string>

#include <nlohmann/json.hpp>

namespace tessaly::web {
namespace {

using nlohmann::json;
namespace p = platform;

// Every node of the tree that is shown (no node it is in is hidden), in tree order: children,
// slots and list items alike.
void shownNodes(const json& value, std::vector<const json*>& out) {
  if (value.is_array()) {
    for (const auto& item : value) shownNodes(item, out);
    return;
  }
  if (!value.is_object()) return;
  if (value.contains("kind")) {
    if (value.value("hidden", false)) return;
    out.push_back(&value);
  }
  for (auto it = value.begin(); it != value.end(); ++it)
    if (it->is_structured()) shownNodes(*it, out);
}

// The frontmost shown node of a kind: the last in tree order.
const json* frontmost(const json& screen, const char* kind) {
  std::vector<const json*> nodes;
  shownNodes(screen, nodes);
  for (auto it = nodes.rbegin(); it != nodes.rend(); ++it)
    if ((**it).value("kind", "") == kind) return *it;
  return nullptr;
}

std::uint64_t idOf(const json& node) {
  return node.value("id", json()).is_number_unsigned() ? node["id"].get<std::uint64_t>() : 0;
}

WebInput touch(WebInput::Kind kind, const char* type, const json& node) {
  WebInput in;
  in.kind = kind;
  in.type = type;
  in.id = idOf(node);
  return in;
}

}  // namespace

bool LegacyInputs::isLegacy(const WebInput& input) {
  using K = WebInput::Kind;
  return input.kind == K::TapToolbarItem || input.kind == K::TapNavigationButton ||
         input.kind == K::SearchBar || input.kind == K::SelectRowAtIndex;
}

p::Result<std::vector<WebInput>> LegacyInputs::translate(const WebInput& input,
                                                         const json& screen) {
  using K = WebInput::Kind;
  switch (input.kind) {
    case K::TapToolbarItem: {
      const json* bar = frontmost(screen, "toolbar");
      if (!bar) return p::Refusal{"the toolbar is hidden"};
      std::string tag = std::to_string(input.tag);
      for (const auto& item : bar->value("items", json::array())) {
        if (item.value("tag", 0) != input.tag) continue;
        if (!item.value("enabled", true)) return p::Refusal{"toolbar item " + tag + " is disabled"};
        return std::vector{touch(K::Tap, "tap", item)};
      }
      return p::Refusal{"no toolbar item has tag " + tag};
    }
    case K::TapNavigationButton: {
      const json* bar = frontmost(screen, "navigationBar");
      if (!bar) return p::Refusal{"the navigation bar is hidden"};
      if (input.name == "back") {
        if (!bar->value("back", json()).is_object())
          return p::Refusal{"there is no screen to go back to"};
        return std::vector{touch(K::GoBack, "goBack", *bar)};
      }
      const json& item = bar->value(input.name, json());
      if (!item.is_object()) return p::Refusal{"there is no " + input.name + " button"};
      if (!item.value("enabled", true))
        return p::Refusal{"the " + input.name + " button is disabled"};
      return std::vector{touch(K::Tap, "tap", item)};
    }
    case K::SearchBar: {
      const json* bar = frontmost(screen, "searchBar");
      if (!bar) return p::Refusal{"the search bar is not on screen"};
      if (input.name == "cancel") return std::vector{touch(K::Cancel, "cancel", *bar)};
      std::vector<WebInput> touches;
      if (input.text) {
        touches.push_back(touch(K::TypeText, "typeText", *bar));
        touches.back().text = input.text;
      }
      if (input.name == "search") touches.push_back(touch(K::Submit, "submit", *bar));
      return touches;
    }
    case K::SelectRowAtIndex: {
      const json* table = frontmost(screen, "tableView");
      if (!table) return p::Refusal{"no table is on screen"};
      const json& sections = table->value("sections", json::array());
      std::size_t rows = sections.empty() ? 0 : sections[0].value("cells", json::array()).size();
      if (static_cast<std::size_t>(input.index) >= rows)
        return p::Refusal{"the table has " + std::to_string(rows) + " rows"};
      WebInput row = touch(K::SelectRow, "selectRow", *table);
      row.section = 0;
      row.row = input.index;
      return std::vector{row};
    }
    default:
      return std::vector{input};
  }
}

}  // namespace tessaly::web
