#include "platform/foundation/PropertyList.h"

#include <gtest/gtest.h>

#include <cstdint>

using tessaly::platform::PlistValue;

TEST(PropertyList, WritesTheStandardXmlFormWithKeysInInsertionOrder) {
  PlistValue dict(PlistValue::Dictionary{{"Zeta", PlistValue(1)}, {"Alpha", PlistValue(-5)}});
  EXPECT_EQ(dict.toXML(),
            "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
            "<!DOCTYPE plist PUBLIC \"-//Apple//DTD PLIST 1.0//EN\" "
            "\"http://www.apple.com/DTDs/PropertyList-1.0.dtd\">\n"
            "<plist version=\"1.0\">\n"
            "<dict>\n"
            "\t<key>Zeta</key>\n"
            "\t<integer>1</integer>\n"
            "\t<key>Alpha</key>\n"
            "\t<integer>-5</integer>\n"
            "</dict>\n"
            "</plist>\n");
}

TEST(PropertyList, EveryKindRoundTrips) {
  PlistValue value(PlistValue::Dictionary{
      {"int", PlistValue(std::int64_t{-123456789012})},
      {"real", PlistValue(2.5)},
      {"yes", PlistValue(true)},
      {"text", PlistValue("a < b & \"c\" é")},
      {"list", PlistValue(PlistValue::Array{PlistValue(1), PlistValue("two")})},
      {"nested", PlistValue(PlistValue::Dictionary{{"k", PlistValue(false)}})},
  });
  auto back = PlistValue::fromXML(value.toXML());
  ASSERT_TRUE(back.has_value());
  EXPECT_EQ(*back, value);
  ASSERT_NE(back->find("int"), nullptr);
  EXPECT_EQ(back->find("int")->integer(), std::int64_t{-123456789012});
  EXPECT_EQ(back->find("missing"), nullptr);
}

TEST(PropertyList, TextThatIsNoPropertyListGivesNothing) {
  for (const char* text : {"", "hello", "<plist version=\"1.0\"><dict><key>a</key>",
                           "{\"json\": true}", "<?xml version=\"1.0\"?><html/>"}) {
    SCOPED_TRACE(text);
    auto value = PlistValue::fromXML(text);
    EXPECT_TRUE(!value.has_value() || !value->isDictionary());
  }
}

namespace {

std::string nestedArrays(int depth) {
  std::string text = "<?xml version=\"1.0\"?>\n<plist version=\"1.0\">";
  for (int i = 1; i < depth; ++i) text += "<array>";
  for (int i = 1; i < depth; ++i) text += "</array>";
  return text + "</plist>\n";
}

}  // namespace

TEST(PropertyListLimits, CountsOnlyElementsThatNest) {
  EXPECT_EQ(PlistValue::xmlNestingDepth(nestedArrays(5), 100), 5);
  // Empty elements, comments, CDATA, the declaration and the DOCTYPE do not nest, and a '>' in
  // a quoted attribute does not end its tag.
  EXPECT_EQ(PlistValue::xmlNestingDepth(
                "<?xml version=\"1.0\"?><!DOCTYPE plist [<!ELEMENT x ANY>]>"
                "<plist a=\"<b>\" c='>'><!-- <a><a><a> --><dict><true/><key><![CDATA[<a><a>]]>"
                "</key></dict></plist>",
                100),
            3);
  // Siblings do not add up; the scan stops soon after the limit.
  EXPECT_EQ(PlistValue::xmlNestingDepth("<a><b/><b></b><b><c/></b><b><c></c></b></a>", 100), 3);
  EXPECT_EQ(PlistValue::xmlNestingDepth(nestedArrays(1000), 10), 11);
}

TEST(PropertyListLimits, DeepOrLargeTextsAreRefusedBeforeParsing) {
  const int limit = PlistValue::kMaxXMLDepth;
  EXPECT_FALSE(PlistValue::xmlLimitRefusal(nestedArrays(limit)).has_value());
  ASSERT_TRUE(PlistValue::fromXML(nestedArrays(limit)).has_value());
  EXPECT_EQ(PlistValue::xmlLimitRefusal(nestedArrays(limit + 1)),
            "nested deeper than " + std::to_string(limit) + " levels");
  // Deep enough to exhaust the stack inside the library if it were parsed.
  EXPECT_FALSE(PlistValue::fromXML(nestedArrays(400000)).has_value());

  std::string large = "<?xml version=\"1.0\"?><plist version=\"1.0\"><string>" +
                      std::string(PlistValue::kMaxXMLBytes, 'x') + "</string></plist>";
  EXPECT_EQ(PlistValue::xmlLimitRefusal(large),
            "larger than " + std::to_string(PlistValue::kMaxXMLBytes) + " bytes");
  EXPECT_FALSE(PlistValue::fromXML(large).has_value());
}
