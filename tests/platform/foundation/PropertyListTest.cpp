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
