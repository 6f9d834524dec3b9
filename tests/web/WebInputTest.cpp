#include "web/WebInput.h"

#include <gtest/gtest.h>

using tessaly::web::parseInputs;
using tessaly::web::WebInput;

TEST(WebInput, ReadsEveryKindWithItsFields) {
  auto p = parseInputs(
      R"([{"type":"tap","id":4},
          {"type":"goBack","id":5},
          {"type":"longPress","point":{"x":10.5,"y":20},"coordinate":{"latitude":1,"longitude":-2}},
          {"type":"selectAnnotation","id":7},
          {"type":"pressAlertButton","id":3,"index":1,"text":"route"},
          {"type":"viewportChanged","width":393,"height":727,"orientation":"landscapeRight","locale":"de-DE"},
          {"type":"regionChanged","center":{"latitude":10,"longitude":20},"span":{"latitudeDelta":1,"longitudeDelta":2}},
          {"type":"locationUpdate","coordinate":{"latitude":48.1,"longitude":11.5},"accuracy":20},
          {"type":"locationFailed","message":"denied"},
          {"type":"banner","event":"loaded"}])");
  ASSERT_TRUE(p.ok()) << p.reason();
  ASSERT_EQ(p.value().size(), 10u);
  EXPECT_EQ(p.value()[0].id, 4u);
  EXPECT_EQ(p.value()[1].kind, WebInput::Kind::GoBack);
  EXPECT_FLOAT_EQ(p.value()[2].point.x, 10.5f);
  EXPECT_TRUE(p.value()[2].hasCoordinate);
  EXPECT_DOUBLE_EQ(p.value()[2].coordinate.longitude, -2);
  EXPECT_EQ(p.value()[3].id, 7u);
  EXPECT_EQ(p.value()[4].index, 1);
  EXPECT_EQ(p.value()[4].text.value_or(""), "route");
  EXPECT_EQ(p.value()[5].orientation, 4);
  EXPECT_EQ(p.value()[5].locale, "de-DE");
  EXPECT_FLOAT_EQ(p.value()[5].size.height, 727);
  EXPECT_DOUBLE_EQ(p.value()[6].longitudeDelta, 2);
  EXPECT_DOUBLE_EQ(p.value()[7].accuracy, 20);
  EXPECT_EQ(p.value()[8].message, "denied");
  EXPECT_EQ(p.value()[9].kind, WebInput::Kind::Banner);
}

TEST(WebInput, RefusesMalformedUnknownAndOutOfRangeWithOneLineReasons) {
  struct Case {
    const char* body;
    const char* reason;
  };
  const Case cases[] = {
      {"", "the body is not valid JSON"},
      {"{\"type\":", "the body is not valid JSON"},
      {"42", "an input must be a JSON object"},
      {"[]", "an empty batch has nothing to apply"},
      {"{}", "missing field 'type'"},
      {R"({"type":7})", "field 'type' must be a string"},
      {R"({"type":"shake"})", "unknown input type 'shake'"},
      {R"({"type":"tap","id":2.5})", "field 'id' must be an integer"},
      {R"({"type":"tap","id":2,"force":true})", "unknown field 'force'"},
      {R"({"type":"longPress","point":{"x":1}})", "point: missing field 'y'"},
      {R"({"type":"longPress","point":{"x":1,"y":1e300}})",
       "point: field 'y' is out of range [-100000, 100000]"},
      {R"({"type":"longPress","point":{"x":1,"y":2},"coordinate":{"latitude":91,"longitude":0}})",
       "coordinate: field 'latitude' is out of range [-90, 90]"},
      {R"({"type":"selectAnnotation","id":0})", "field 'id' is out of range [1, 9007199254740992]"},
      {R"({"type":"pressAlertButton","id":1,"index":-1})", "field 'index' is out of range [0, 63]"},
      {R"({"type":"viewportChanged","width":0,"height":10,"orientation":"portrait"})",
       "field 'width' is out of range [1, 10000]"},
      {R"({"type":"viewportChanged","width":10,"height":10,"orientation":"sideways"})",
       "field 'orientation' must be one of portrait, portraitUpsideDown, landscapeLeft, "
       "landscapeRight"},
      {R"({"type":"viewportChanged","width":10,"height":10,"orientation":"portrait","locale":"<b>"})",
       "field 'locale' must be a language tag such as en-US"},
      {R"({"type":"regionChanged","center":{"latitude":0,"longitude":0},"span":{"latitudeDelta":0,"longitudeDelta":1}})",
       "span: the deltas must be greater than 0"},
      {R"({"type":"banner","event":"exploded"})",
       "field 'event' must be one of loaded, failed, tapped, finished"},
      {R"([{"type":"banner","event":"loaded"},{"type":"nope"}])",
       "input 1: unknown input type 'nope'"},
  };
  for (const auto& c : cases) {
    auto p = parseInputs(c.body);
    EXPECT_FALSE(p.ok()) << c.body;
    EXPECT_EQ(p.reason(), c.reason) << c.body;
    EXPECT_EQ(p.reason().find('\n'), std::string::npos);
  }
}

TEST(WebInput, RefusesAnOverlongText) {
  std::string text(1001, 'a');
  auto p = parseInputs(R"({"type":"pressAlertButton","id":1,"index":0,"text":")" + text + "\"}");
  EXPECT_EQ(p.reason(), "field 'text' is longer than 1000 bytes");
}

// The first page's names (a toolbar item by tag, a navigation button by side, the search bar
// and a row by index alone) are gone: every touch names its object by id.
TEST(WebInput, TheFirstPagesNamesAreRefused) {
  struct Case {
    const char* body;
    const char* reason;
  };
  const Case cases[] = {
      {R"({"type":"tapToolbarItem","tag":3})", "unknown input type 'tapToolbarItem'"},
      {R"({"type":"tapNavigationButton","button":"back"})",
       "unknown input type 'tapNavigationButton'"},
      {R"({"type":"searchBar","action":"search","text":"Main St"})",
       "unknown input type 'searchBar'"},
      {R"({"type":"selectRow","index":2})", "missing field 'id'"},
  };
  for (const auto& c : cases) EXPECT_EQ(parseInputs(c.body).reason(), c.reason) << c.body;
}

TEST(WebInput, ReadsEveryInputByObjectId) {
  auto p = parseInputs(
      R"([{"type":"tap","id":12},
          {"type":"toggle","id":12,"on":false},
          {"type":"selectSegment","id":14,"index":1},
          {"type":"selectRow","id":10,"section":1,"row":2},
          {"type":"setEditing","id":10,"editing":true},
          {"type":"deleteRow","id":10,"section":0,"row":1},
          {"type":"typeText","id":7,"text":"Monaco"},
          {"type":"submit","id":7},
          {"type":"cancel","id":7},
          {"type":"tapLink","id":20,"url":"mailto:help@example.org"},
          {"type":"goBack"},
          {"type":"goBack","id":4},
          {"type":"pressSheetButton","id":31,"index":0},
          {"type":"tapCalloutAccessory","id":40},
          {"type":"longPress","point":{"x":120,"y":220},"id":9}])");
  ASSERT_TRUE(p.ok()) << p.reason();
  using K = WebInput::Kind;
  const K kinds[] = {K::Tap,
                     K::Toggle,
                     K::SelectSegment,
                     K::SelectRow,
                     K::SetEditing,
                     K::DeleteRow,
                     K::TypeText,
                     K::Submit,
                     K::Cancel,
                     K::TapLink,
                     K::GoBack,
                     K::GoBack,
                     K::PressSheetButton,
                     K::TapCalloutAccessory,
                     K::LongPress};
  ASSERT_EQ(p.value().size(), std::size(kinds));
  for (std::size_t i = 0; i < std::size(kinds); ++i) EXPECT_EQ(p.value()[i].kind, kinds[i]) << i;
  EXPECT_EQ(p.value()[0].id, 12u);
  EXPECT_FALSE(p.value()[1].on);
  EXPECT_EQ(p.value()[2].index, 1);
  EXPECT_EQ(p.value()[3].section, 1);
  EXPECT_EQ(p.value()[3].row, 2);
  EXPECT_TRUE(p.value()[4].editing);
  EXPECT_EQ(p.value()[6].text.value_or(""), "Monaco");
  EXPECT_EQ(p.value()[9].url, "mailto:help@example.org");
  EXPECT_EQ(p.value()[10].id, 0u);  // the frontmost bar
  EXPECT_EQ(p.value()[11].id, 4u);
  EXPECT_EQ(p.value()[14].id, 9u);
}

TEST(WebInput, RefusesInputsByIdWithOneLineReasons) {
  struct Case {
    const char* body;
    const char* reason;
  };
  const Case cases[] = {
      {R"({"type":"tap"})", "missing field 'id'"},
      {R"({"type":"tap","id":-3})", "field 'id' is out of range [1, 9007199254740992]"},
      {R"({"type":"tap","id":"12"})", "field 'id' must be an integer"},
      {R"({"type":"tap","id":12,"tag":3})", "unknown field 'tag'"},
      {R"({"type":"toggle","id":12})", "missing field 'on'"},
      {R"({"type":"toggle","id":12,"on":1})", "field 'on' must be true or false"},
      {R"({"type":"selectSegment","id":14,"index":-1})",
       "field 'index' is out of range [0, 100000]"},
      {R"({"type":"selectRow","id":10,"row":2})", "missing field 'section'"},
      {R"({"type":"deleteRow","id":10,"section":0,"row":1.5})", "field 'row' must be an integer"},
      {R"({"type":"setEditing","id":10,"editing":"yes"})", "field 'editing' must be true or false"},
      {R"({"type":"typeText","id":7})", "missing field 'text'"},
      {R"({"type":"tapLink","id":20,"url":""})",
       "field 'url' must be an address without spaces or control characters"},
      {R"({"type":"tapLink","id":20,"url":"http://a b"})",
       "field 'url' must be an address without spaces or control characters"},
      {R"({"type":"goBack","id":0})", "field 'id' is out of range [1, 9007199254740992]"},
      {R"({"type":"longPress","id":9})", "missing field 'point'"},
      {R"({"type":"selectRow"})", "missing field 'id'"},
  };
  for (const auto& c : cases) {
    auto p = parseInputs(c.body);
    EXPECT_FALSE(p.ok()) << c.body;
    EXPECT_EQ(p.reason(), c.reason) << c.body;
  }
  EXPECT_EQ(parseInputs(R"({"type":"typeText","id":7,"text":")" + std::string(1001, 'x') + "\"}")
                .reason(),
            "field 'text' is longer than 1000 bytes");
}
