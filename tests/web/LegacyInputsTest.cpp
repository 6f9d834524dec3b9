// The first page's input names become touches by id of what the screen shows.
#include "web/LegacyInputs.h"

#include <gtest/gtest.h>

#include <nlohmann/json.hpp>

using nlohmann::json;
using tessaly::web::LegacyInputs;
using tessaly::web::parseInputs;
using tessaly::web::WebInput;

namespace {

// A window with a navigation controller (bar with a back button and a disabled right item, a
// table screen with a search bar, a shown toolbar) and a hidden second toolbar.
const json kScreen = json::parse(R"({"id":1,"kind":"window","hidden":false,"children":[
  {"id":2,"kind":"navigationController","hidden":false,"children":[
    {"id":3,"kind":"navigationBar","hidden":false,"left":null,
     "right":{"id":4,"kind":"barButtonItem","tag":0,"enabled":false},"back":{"title":"Map"}},
    {"id":5,"kind":"viewController","hidden":false,"children":[
      {"id":6,"kind":"searchBar","hidden":false,"text":""},
      {"id":7,"kind":"tableView","hidden":false,"sections":[
        {"header":null,"footer":null,"cells":[{"id":8,"kind":"tableViewCell"},{"id":9,"kind":"tableViewCell"}]}]}]},
    {"id":10,"kind":"toolbar","hidden":false,"items":[
      {"id":11,"kind":"barButtonItem","tag":3,"enabled":true},
      {"id":12,"kind":"barButtonItem","tag":4,"enabled":false}]}]},
  {"id":13,"kind":"view","hidden":true,"children":[
    {"id":14,"kind":"toolbar","hidden":false,"items":[{"id":15,"kind":"barButtonItem","tag":5,"enabled":true}]}]}]})");

std::vector<WebInput> translate(const std::string& body, std::string& reason) {
  auto parsed = parseInputs(body);
  EXPECT_TRUE(parsed.ok()) << parsed.error;
  EXPECT_TRUE(LegacyInputs::isLegacy(parsed.inputs.at(0)));
  auto touches = LegacyInputs::translate(parsed.inputs.at(0), kScreen);
  reason = touches.reason();
  return touches ? touches.value() : std::vector<WebInput>{};
}

}  // namespace

TEST(LegacyInputs, NamesBecomeTouchesOfTheObjectsOnScreen) {
  using K = WebInput::Kind;
  std::string reason;
  auto tap = translate(R"({"type":"tapToolbarItem","tag":3})", reason);
  ASSERT_EQ(tap.size(), 1u) << reason;
  EXPECT_EQ(tap[0].kind, K::Tap);
  EXPECT_EQ(tap[0].id, 11u);

  auto back = translate(R"({"type":"tapNavigationButton","button":"back"})", reason);
  ASSERT_EQ(back.size(), 1u) << reason;
  EXPECT_EQ(back[0].kind, K::GoBack);
  EXPECT_EQ(back[0].id, 3u);

  auto search = translate(R"({"type":"searchBar","action":"search","text":"Monaco"})", reason);
  ASSERT_EQ(search.size(), 2u) << reason;
  EXPECT_EQ(search[0].kind, K::TypeText);
  EXPECT_EQ(search[0].text.value_or(""), "Monaco");
  EXPECT_EQ(search[1].kind, K::Submit);
  EXPECT_EQ(search[1].id, 6u);

  auto row = translate(R"({"type":"selectRow","index":1})", reason);
  ASSERT_EQ(row.size(), 1u) << reason;
  EXPECT_EQ(row[0].kind, K::SelectRow);
  EXPECT_EQ(row[0].id, 7u);
  EXPECT_EQ(row[0].row, 1);
}

TEST(LegacyInputs, WhatIsNotOnScreenIsRefusedWithTheReasonsTheFirstPageKnew) {
  struct Case {
    const char* input;
    const char* reason;
  };
  const Case cases[] = {
      {R"({"type":"tapToolbarItem","tag":4})", "toolbar item 4 is disabled"},
      {R"({"type":"tapToolbarItem","tag":5})", "no toolbar item has tag 5"},  // hidden toolbar
      {R"({"type":"tapNavigationButton","button":"left"})", "there is no left button"},
      {R"({"type":"tapNavigationButton","button":"right"})", "the right button is disabled"},
      {R"({"type":"selectRow","index":2})", "the table has 2 rows"},
  };
  for (const auto& c : cases) {
    std::string reason;
    EXPECT_TRUE(translate(c.input, reason).empty()) << c.input;
    EXPECT_EQ(reason, c.reason) << c.input;
  }
  auto parsed = parseInputs(R"({"type":"tapToolbarItem","tag":3})");
  EXPECT_EQ(LegacyInputs::translate(parsed.inputs.at(0), json::parse(R"({"id":1,"kind":"window"})"))
                .reason(),
            "the toolbar is hidden");
}
