// The changes between two texts, applied to the first, give the second; small changes to big
// texts give small changes; what cannot be said as changes is refused.
#include <gtest/gtest.h>

#include <nlohmann/json.hpp>
#include <random>

#include "json/JsonDiff.h"

namespace tessaly {
namespace {

// Members in the order written, as screen nodes have their id first.
using json = nlohmann::ordered_json;
// Equal whatever the order of members.
bool same(const json& a, const json& b) {
  return nlohmann::json::parse(a.dump()) == nlohmann::json::parse(b.dump());
}

// Applies operations as the page does, on a document tree.
json applied(json doc, const json& ops) {
  for (const json& op : ops) {
    const json& path = op.at("path");
    json* place = &doc;
    std::size_t last = path.size() - (op.at("op") == "splice" ? 0 : 1);
    for (std::size_t i = 0; i < last; ++i)
      place = path[i].is_string() ? &place->at(path[i].get<std::string>())
                                  : &place->at(path[i].get<std::size_t>());
    if (op.at("op") == "splice") {
      auto at = place->begin() + op.at("at").get<std::ptrdiff_t>();
      EXPECT_LE(op.at("at").get<std::size_t>() + op.at("remove").get<std::size_t>(), place->size());
      at = place->erase(at, at + op.at("remove").get<std::ptrdiff_t>());
      for (const json& v : op.at("insert")) at = place->insert(at, v) + 1;
    } else if (op.at("op") == "delete") {
      EXPECT_EQ(place->erase(path.back().get<std::string>()), 1u) << op;
    } else if (path.back().is_string()) {
      (*place)[path.back().get<std::string>()] = op.at("value");
    } else {
      place->at(path.back().get<std::size_t>()) = op.at("value");
    }
  }
  return doc;
}

std::optional<std::string> diff(const std::string& a, const std::string& b,
                                std::size_t limit = 1 << 30) {
  JsonIndex before(a), after(b);
  return JsonDiff::between(before, after, limit);
}

// The changes from a to b, checked to turn a into b.
json roundTrip(const json& a, const json& b) {
  std::string ta = a.dump(), tb = b.dump();
  auto ops = diff(ta, tb);
  EXPECT_TRUE(ops) << ta << " -> " << tb;
  if (!ops) return json::array();
  json parsed = json::parse(*ops);
  EXPECT_TRUE(same(applied(a, parsed), b)) << ta << " -> " << tb << " by " << *ops;
  return parsed;
}

json node(int id, json more = json::object()) {
  json n = {{"id", id}, {"kind", "view"}};
  n.update(more);
  return n;
}

TEST(JsonDiffTest, ChangedMembersAddedAndRemovedOnesAndTypeChanges) {
  json a = {{"version", 1}, {"device", {{"idiom", "phone"}, {"w", 390}}}, {"gone", true}};
  json b = {{"version", 1}, {"device", {{"idiom", "tablet"}, {"w", 390}}}, {"new", {1, 2}}};
  json ops = roundTrip(a, b);
  EXPECT_EQ(ops.size(), 3u) << ops;
  // Values of another type, null, and containers turned scalars and back.
  roundTrip({{"a", 1}, {"b", {1}}, {"c", {{"x", 1}}}, {"d", nullptr}},
            {{"a", "1"}, {"b", {{"x", 1}}}, {"c", 2}, {"d", {nullptr}}});
  roundTrip({{"s", "a \"quoted\" \\ text ]}"}}, {{"s", "a \"quoted\" \\ text ]}!"}, {"t", "{"}});
  EXPECT_EQ(roundTrip({{"a", {1, 2}}}, {{"a", {1, 2}}}), json::array());
  roundTrip(json::object(), {{"a", 1}});
  roundTrip({{"a", 1}}, json::object());
  // Many members go through a table.
  json many = json::object(), more;
  for (int i = 0; i < 40; ++i) many["k" + std::to_string(i)] = i;
  more = many;
  more.erase("k7");
  more["k30"] = "changed";
  more["k99"] = 1;
  EXPECT_EQ(roundTrip(many, more).size(), 3u);
}

TEST(JsonDiffTest, ArraysGrownAndShrunkAtEitherEndAndInTheMiddle) {
  json base = json::array();
  for (int i = 0; i < 20; ++i) base.push_back({{"lat", i}, {"lon", -i}});
  auto with = [&](auto change) {
    json b = base;
    change(b);
    return b;
  };
  json appended = with([](json& b) { b.push_back({{"lat", 99}, {"lon", 0}}); });
  json ops = roundTrip({{"points", base}}, {{"points", appended}});
  ASSERT_EQ(ops.size(), 1u);
  EXPECT_EQ(ops[0]["op"], "splice");
  EXPECT_EQ(ops[0]["at"], 20);
  EXPECT_EQ(ops[0]["remove"], 0);
  roundTrip({{"points", base}}, {{"points", with([](json& b) { b.erase(b.begin()); })}});
  roundTrip({{"points", base}}, {{"points", with([](json& b) {
                                    b.insert(b.begin() + 7, {{"lat", 7.5}});
                                  })}});
  roundTrip({{"points", base}},
            {{"points", with([](json& b) { b.erase(b.begin() + 3, b.begin() + 9); })}});
  // Removed in one place and added in another: one splice across the two.
  roundTrip({{"points", base}}, {{"points", with([](json& b) {
                                    b.erase(b.begin() + 2);
                                    b.insert(b.begin() + 15, {{"lat", 0.5}});
                                  })}});
  // The same length, elements changed inside: compared one by one.
  json nudged = with([](json& b) { b[4]["lat"] = 4.25; });
  ops = roundTrip({{"points", base}}, {{"points", nudged}});
  ASSERT_EQ(ops.size(), 1u);
  EXPECT_EQ(ops[0]["path"], json({"points", 4, "lat"}));
  roundTrip({{"p", json::array()}}, {{"p", base}});
  roundTrip({{"p", base}}, {{"p", json::array()}});
  roundTrip({{"p", {1, 1, 1}}}, {{"p", {1, 1, 1, 1}}});
  roundTrip({{"p", {1, 2, 1}}}, {{"p", {1}}});
}

TEST(JsonDiffTest, NodesWithIdsAreMatchedByIdAndComparedOn) {
  json a = {{"children", {node(1), node(2, {{"title", "two"}}), node(3), node(4)}}};
  // One node gone, one changed, one new: the changed one is compared inside, not replaced.
  json b = {{"children", {node(1), node(2, {{"title", "deux"}}), node(5), node(4)}}};
  json ops = roundTrip(a, b);
  bool changedInside = false;
  for (const json& op : ops)
    if (op["op"] == "set" && op["path"] == json({"children", 1, "title"})) changedInside = true;
  EXPECT_TRUE(changedInside) << ops;
  // Moved, added in front and removed at the end, with a change inside the moved one.
  roundTrip(a, {{"children", {node(9), node(4), node(1), node(3, {{"x", 1}}), node(2)}}});
  roundTrip(a, {{"children", {node(4), node(3), node(2), node(1)}}});
  // A repeated id, or a node without one, falls back to comparing by place.
  roundTrip(a, {{"children", {node(1), node(3), node(3), node(4)}}});
  roundTrip(a, {{"children", {node(1), {{"id", nullptr}, {"kind", "x"}}, node(4)}}});
  // Replaced by a new node (another id) whose points are one more: compared in place.
  json line = {{"overlays", {node(7, {{"points", json::array()}})}}};
  for (int i = 0; i < 200; ++i) line["overlays"][0]["points"].push_back({i, -i});
  json longer = line;
  longer["overlays"][0]["id"] = 8;
  longer["overlays"][0]["points"].push_back({200, -200});
  EXPECT_LT(roundTrip(line, longer).dump().size(), 150u);
  // Nested: a node's children inside a node's children.
  json deep = {{"screen", node(1, {{"children", {node(2, {{"children", {node(3), node(4)}}})}}})}};
  json deeper = deep;
  deeper["screen"]["children"][0]["children"].push_back(node(5, {{"frame", {{"x", 1}}}}));
  deeper["screen"]["children"][0]["children"][0]["hidden"] = true;
  ops = roundTrip(deep, deeper);
  EXPECT_EQ(ops.size(), 2u) << ops;
}

TEST(JsonDiffTest, RandomEditsOfNestedDocumentsRoundTrip) {
  std::mt19937 random(7);
  auto pick = [&](int n) { return static_cast<int>(random() % static_cast<unsigned>(n)); };
  std::function<json(int)> make = [&](int depth) -> json {
    int kind = depth > 3 ? pick(3) : pick(6);
    if (kind == 0) return pick(100);
    if (kind == 1) return std::string(static_cast<std::size_t>(pick(4)), "a\"\\b"[pick(4)]);
    if (kind == 2) return pick(2) ? json(nullptr) : json(pick(2) == 1);
    if (kind == 3) {
      json o = json::object();
      for (int i = pick(5); i > 0; --i) o["k" + std::to_string(pick(8))] = make(depth + 1);
      return o;
    }
    json a = json::array();
    for (int i = pick(6); i > 0; --i)
      a.push_back(kind == 5 ? node(pick(10), {{"v", make(depth + 1)}}) : make(depth + 1));
    return a;
  };
  std::function<void(json&, int)> edit = [&](json& v, int depth) {
    if (depth > 4 || pick(4) == 0 || !(v.is_object() || v.is_array()) || v.empty()) {
      v = make(depth);
      return;
    }
    if (v.is_array() && pick(3) == 0) {
      if (pick(2))
        v.insert(v.begin() + pick(static_cast<int>(v.size()) + 1), make(depth + 1));
      else
        v.erase(v.begin() + pick(static_cast<int>(v.size())));
      return;
    }
    auto it = v.begin();
    std::advance(it, pick(static_cast<int>(v.size())));
    edit(*it, depth + 1);
  };
  for (int round = 0; round < 400; ++round) {
    json a = {{"root", make(0)}, {"list", make(1)}};
    json b = a;
    for (int k = pick(4) + 1; k > 0; --k) edit(b, 0);
    if (!b.is_object()) b = {{"replaced", b}};
    roundTrip(a, b);
  }
}

TEST(JsonDiffTest, OneMarkerMoreOnAThousandMakesASmallChange) {
  json markers = json::array();
  for (int i = 0; i < 1000; ++i)
    markers.push_back(node(100 + i, {{"coordinate", {{"latitude", i * 0.001}, {"longitude", 7}}}}));
  json a = {{"screen", node(1, {{"annotations", markers}})}};
  json b = a;
  b["screen"]["annotations"].insert(b["screen"]["annotations"].begin() + 500, node(99));
  std::string ta = a.dump(), tb = b.dump();
  auto ops = diff(ta, tb);
  ASSERT_TRUE(ops);
  EXPECT_LT(ops->size(), 120u) << *ops;
  // Past the limit: refused, rather than a change as big as the text.
  json c = a;
  for (auto& m : c["screen"]["annotations"]) m["title"] = "renamed";
  EXPECT_FALSE(diff(ta, c.dump(), ta.size() / 4));
  EXPECT_TRUE(diff(ta, c.dump()));
}

TEST(JsonDiffTest, TextsThatCannotBeComparedAreRefused) {
  EXPECT_FALSE(diff(R"({"a":[1,2})", R"({"a":[1]})"));
  EXPECT_FALSE(diff(R"({"a":"unclosed})", R"({"a":1})"));
  EXPECT_FALSE(diff(R"({"a":1})", R"([1])"));
  EXPECT_FALSE(diff("1", "2"));
  EXPECT_FALSE(diff("1 [2]", "1 [3]"));
  EXPECT_TRUE(diff(R"({"a":,})", R"({"a":1})"));  // malformed inside, but no crash
  EXPECT_EQ(*diff(R"({ "a" : [ 1 , 2 ] })", R"({"a":[1,2]})"), "[]");
  EXPECT_EQ(*diff(R"({"a": [1, 2]})", R"({"a": [1, 3]})"),
            R"([{"op":"set","path":["a",1],"value":3}])");
}

}  // namespace
}  // namespace tessaly
