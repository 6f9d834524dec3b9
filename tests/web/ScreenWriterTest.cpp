// The screen's JSON from hand-made sequences of sink calls, as objects on screen make them.
#include "web/ScreenWriter.h"

#include <gtest/gtest.h>

#include <memory>
#include <stdexcept>

#include <nlohmann/json.hpp>

namespace p = tessaly::platform;
using nlohmann::json;
using tessaly::web::ScreenWriter;

namespace {

// Stand-ins for the objects: anything with an owner can have an id.
struct Thing {
  int n = 0;
};

class ScreenWriterTest : public ::testing::Test {
 protected:
  std::shared_ptr<Thing> make() { return things.emplace_back(std::make_shared<Thing>()); }
  static p::ObjectRef ref(const std::shared_ptr<Thing>& thing) { return p::ObjectRef::to(thing); }

  // A window holding the status bar, a navigation controller with a bar and a table screen,
  // and an alert: the shape of docs/screens.md's example.
  json writeScreen(ScreenWriter& w) {
    w.beginNode("window", ref(window));
    w.rect("frame", p::CGRectMake(0, 0, 390, 700));
    w.boolean("hidden", false);
    w.number("alpha", 1);
    w.beginNode("statusBar", p::ObjectRef::none());
    w.boolean("networkActivityIndicatorVisible", true);
    w.endNode();
    w.beginNode("navigationController", ref(nav));
    w.string("title", "");
    w.beginList("stack");
    w.beginRecord();
    w.number("id", 3);
    w.string("name", "settingsScreen");
    w.endRecord();
    w.endList();
    w.beginNode("navigationBar", ref(bar));
    w.string("title", "Settings");
    w.null("left");
    w.beginNode("barButtonItem", ref(done), "right");
    w.string("systemItem", "done");
    w.number("tag", 4);
    w.endNode();
    w.beginRecord("back");
    w.string("title", "Back");
    w.endRecord();
    w.endNode();
    w.beginNode("tableView", ref(table));
    w.beginList("sections");
    w.beginRecord();
    w.string("header", "Map");
    w.null("footer");
    w.beginList("cells");
    w.beginNode("tableViewCell", ref(cell));
    w.string("text", "Show \"position\" <b>now</b>\n");
    w.color("backgroundColor", {1, 0, 0, 0.5f});
    w.beginNode("switch", ref(toggle));
    w.boolean("on", true);
    w.color("onTintColor", {0, 0.5f, 1, 1});
    w.endNode();
    w.endNode();
    w.endList();
    w.endRecord();
    w.endList();
    w.endNode();
    w.endNode();
    w.beginNode("alert", ref(alert));
    w.strings("buttons", {"Cancel", "OK"});
    w.beginNode("textField", ref(field), "textField");
    w.string("text", "walk");
    w.endNode();
    w.endNode();
    w.beginNode("mapView", ref(map));
    w.coordinate("center", {43.7384176543, 7.4246158123});
    w.coordinates("points", {{1.5, 2.25}, {-3.123456789, 179.99999999}});
    w.endNode();
    w.endNode();
    EXPECT_TRUE(w.complete());
    return json::parse(w.text());
  }

  std::vector<std::shared_ptr<Thing>> things;
  std::shared_ptr<Thing> window = make(), nav = make(), bar = make(), done = make(), table = make(),
                         cell = make(), toggle = make(), alert = make(), field = make(),
                         map = make();
  p::ObjectIds ids;
};

}  // namespace

TEST_F(ScreenWriterTest, WritesTheTreeWithPropertiesSlotsListsAndChildren) {
  ScreenWriter w(ids);
  json s = writeScreen(w);
  EXPECT_EQ(s["kind"], "window");
  EXPECT_EQ(s["frame"], json({{"x", 0}, {"y", 0}, {"width", 390}, {"height", 700}}));
  ASSERT_EQ(s["children"].size(), 4u);
  const json& status = s["children"][0];
  EXPECT_TRUE(status["id"].is_null());
  EXPECT_EQ(status["networkActivityIndicatorVisible"], true);
  EXPECT_FALSE(status.contains("children"));  // left out when empty

  const json& navigation = s["children"][1];
  EXPECT_EQ(navigation["stack"], json::parse(R"([{"id":3,"name":"settingsScreen"}])"));
  const json& navBar = navigation["children"][0];
  EXPECT_TRUE(navBar["left"].is_null());
  EXPECT_EQ(navBar["right"]["kind"], "barButtonItem");
  EXPECT_EQ(navBar["right"]["tag"], 4);
  EXPECT_EQ(navBar["back"], json({{"title", "Back"}}));
  const json& cellNode = navigation["children"][1]["sections"][0]["cells"][0];
  EXPECT_EQ(navigation["children"][1]["sections"][0]["header"], "Map");
  EXPECT_EQ(cellNode["text"], "Show \"position\" <b>now</b>\n");  // data, never markup
  EXPECT_EQ(cellNode["backgroundColor"], "#ff000080");
  EXPECT_EQ(cellNode["children"][0]["kind"], "switch");
  EXPECT_EQ(cellNode["children"][0]["onTintColor"], "#0080ff");

  const json& alertNode = s["children"][2];
  EXPECT_EQ(alertNode["buttons"], json::array({"Cancel", "OK"}));
  EXPECT_EQ(alertNode["textField"]["text"], "walk");
  const json& mapNode = s["children"][3];
  EXPECT_EQ(mapNode["center"], json({{"latitude", 43.7384177}, {"longitude", 7.4246158}}));
  EXPECT_EQ(mapNode["points"], json::parse("[[1.5,2.25],[-3.1234568,180]]"));
}

TEST_F(ScreenWriterTest, IdsNameTheLivingObjectsAndAreNeverGivenAgain) {
  ScreenWriter first(ids);
  json s = writeScreen(first);
  auto toggleId = s["children"][1]["children"][1]["sections"][0]["cells"][0]["children"][0]["id"];
  ASSERT_TRUE(toggleId.is_number_unsigned());
  EXPECT_EQ(ids.find<Thing>(toggleId.get<std::uint64_t>()), toggle);
  EXPECT_EQ(s["id"], ids.idFor(ref(window)));
  EXPECT_NE(s["id"], s["children"][1]["id"]);

  // The same objects keep their ids in the next snapshot; a new object gets a new one.
  auto oldToggle = toggleId.get<std::uint64_t>();
  toggle.reset();
  things.clear();
  toggle = make();
  ScreenWriter second(ids);
  json again = writeScreen(second);
  EXPECT_EQ(again["id"], s["id"]);
  auto newToggle =
      again["children"][1]["children"][1]["sections"][0]["cells"][0]["children"][0]["id"];
  EXPECT_NE(newToggle.get<std::uint64_t>(), oldToggle);
  EXPECT_EQ(ids.find<Thing>(oldToggle), nullptr);
}

TEST_F(ScreenWriterTest, NumbersKeepTheirShortestTextAndNonFiniteBecomesNull) {
  ScreenWriter w(ids);
  w.beginNode("view", ref(window));
  w.number("alpha", 0.6f);  // a float, as views keep it
  w.number("precise", 0.1);
  w.number("count", 3);
  w.number("broken", std::nan(""));
  w.rect("frame", p::CGRectMake(0.5f, 20, 320.25f, 1e-3f));
  w.endNode();
  EXPECT_EQ(w.text(), R"({"id":1,"kind":"view","alpha":0.6,"precise":0.1,"count":3,"broken":null,)"
                      R"("frame":{"x":0.5,"y":20,"width":320.25,"height":0.001}})");
  EXPECT_EQ(ScreenWriter::cssColor({0, 0, 0, 1}), "#000000");
  EXPECT_EQ(ScreenWriter::cssColor({1, 1, 1, 0}), "#ffffff00");
  EXPECT_EQ(ScreenWriter::cssColor({2, -1, 0.5f, 1}), "#ff0080");
}

TEST_F(ScreenWriterTest, ADescriptionOutOfOrderIsRefusedAsAFault) {
  auto faulty = [&](auto&& calls) {
    ScreenWriter w(ids);
    try {
      calls(w);
    } catch (const std::logic_error& e) {
      return std::string(e.what());
    }
    return std::string("(no fault)");
  };
  EXPECT_EQ(faulty([&](ScreenWriter& w) {
              w.beginNode("view", ref(window));
              w.beginNode("label", ref(cell));
              w.endNode();
              w.boolean("hidden", false);
            }),
            "property 'hidden' after the first child");
  EXPECT_EQ(faulty([&](ScreenWriter& w) {
              w.beginNode("view", ref(window));
              w.beginList("items");
              w.endNode();
            }),
            "endNode does not match the open node, record or list");
  EXPECT_EQ(faulty([&](ScreenWriter& w) {
              w.beginNode("view", ref(window));
              w.endNode();
              w.beginNode("view", ref(window));
            }),
            "a second root node");
  EXPECT_EQ(faulty([&](ScreenWriter& w) { w.string("title", "x"); }), "property outside any node");
  EXPECT_EQ(faulty([&](ScreenWriter& w) {
              w.beginNode("toolbar", ref(window));
              w.beginList("items");
              w.number("width", 3);
            }),
            "property 'width' inside a list");
  EXPECT_EQ(faulty([&](ScreenWriter& w) {
              w.beginNode("view", ref(window));
              w.beginRecord();
            }),
            "record without a name outside a list");
  ScreenWriter open(ids);
  open.beginNode("window", ref(window));
  EXPECT_FALSE(open.complete());
}
