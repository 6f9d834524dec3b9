#include "json/JsonText.h"

#include <gtest/gtest.h>

#include <nlohmann/json.hpp>

using tessaly::JsonText;

TEST(JsonText, StringsAreEscapedAndBrokenUtf8IsReplaced) {
  struct Case {
    std::string in;
    std::string out;
  };
  const Case cases[] = {
      {"plain", "\"plain\""},
      {"", "\"\""},
      // Escapes at either end and back to back, between runs copied whole.
      {"\"\\\n", R"("\"\\\n")"},
      {"\x7f~ \x1f", "\"\x7f~ \\u001f\""},
      {"\xc3\xa9t\xc3\xa9", "\"\xc3\xa9t\xc3\xa9\""},
      {"a \"q\" \\ b", R"("a \"q\" \\ b")"},
      {"line\nnext\ttab\x01", R"("line\nnext\ttab\u0001")"},
      {"Stra\xc3\x9f"
       "e \xe2\x82\xac \xf0\x9f\x97\xba",
       "\"Stra\xc3\x9f"
       "e \xe2\x82\xac \xf0\x9f\x97\xba\""},
      {"bad \xff end", "\"bad \xef\xbf\xbd end\""},
      {"cut \xe2\x82", "\"cut \xef\xbf\xbd\xef\xbf\xbd\""},
      {"overlong \xc0\xaf", "\"overlong \xef\xbf\xbd\xef\xbf\xbd\""},
      {"surrogate \xed\xa0\x80", "\"surrogate \xef\xbf\xbd\xef\xbf\xbd\xef\xbf\xbd\""},
  };
  for (const auto& c : cases) {
    JsonText t;
    t.string(c.in);
    EXPECT_EQ(t.text(), c.out);
    EXPECT_TRUE(nlohmann::json::accept(t.text())) << t.text();
  }
}

TEST(JsonText, EveryByteThatNeedsCareIsFoundWhereverItStandsInALongRun) {
  const std::pair<std::string, std::string> specials[] = {
      {"\"", "\\\""},           {"\\", "\\\\"},          {"\n", "\\n"},
      {"\x1f", "\\u001f"},      {"\x7f", "\x7f"},        {" ", " "},
      {"\xc3\xa9", "\xc3\xa9"}, {"\xff", "\xef\xbf\xbd"}};
  for (const auto& [in, out] : specials)
    for (std::size_t at = 0; at <= 20; ++at) {
      std::string text = std::string(at, 'a') + in + std::string(20 - at, 'z');
      JsonText t;
      t.string(text);
      EXPECT_EQ(t.text(), "\"" + std::string(at, 'a') + out + std::string(20 - at, 'z') + "\"")
          << at;
    }
}

TEST(JsonText, NumbersReadBackExactlyAndNonFiniteIsNull) {
  const double values[] = {0, -0.5, 372, 48.1234567, -122.4194155, 268435456.0, 1e-7, 6.02e23};
  for (double v : values) {
    JsonText t;
    t.number(v);
    EXPECT_EQ(nlohmann::json::parse(t.text()).get<double>(), v) << t.text();
  }
  JsonText t;
  t.number(std::numeric_limits<double>::quiet_NaN());
  t.raw(",");
  t.number(std::numeric_limits<double>::infinity());
  EXPECT_EQ(t.text(), "null,null");
}
