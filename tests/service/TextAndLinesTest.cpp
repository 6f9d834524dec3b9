#include <gtest/gtest.h>

#include "service/CountryNames.h"
#include "service/PolylineEncoder.h"
#include "service/TextFolding.h"

using namespace tessaly::service;

TEST(PolylineEncoder, WritesThePublishedExample) {
  EXPECT_EQ(PolylineEncoder::encode({{38.5, -120.2}, {40.7, -120.95}, {43.252, -126.453}}),
            "_p~iF~ps|U_ulLnnqC_mqNvxq`@");
  EXPECT_EQ(PolylineEncoder::encode({}), "");
  // Rounding the absolute values keeps a long line from drifting.
  std::vector<LatLng> many(1000, LatLng{43.123456, 7.654321});
  std::string text = PolylineEncoder::encode(many);
  EXPECT_EQ(text.substr(text.size() - 2), "??");
}

TEST(TextFolding, CaseAndAccentsFoldAway) {
  EXPECT_EQ(TextFolding::fold("MÜNCHEN"), "munchen");
  EXPECT_EQ(TextFolding::fold("São Paulo"), "sao paulo");
  EXPECT_EQ(TextFolding::fold("Straße Łódź"), "strasse lodz");
  std::vector<std::string> words = TextFolding::words("  12, Rue Grimaldi-Èze ");
  EXPECT_EQ(words, (std::vector<std::string>{"12", "rue", "grimaldi", "eze"}));
  EXPECT_TRUE(TextFolding::words("\"*-()").empty());
}

TEST(CountryNames, FromIcu) {
  EXPECT_EQ(CountryNames::name("MC"), "Monaco");
  EXPECT_EQ(CountryNames::name("DE"), "Germany");
  EXPECT_EQ(CountryNames::name("ZZ"), "Unknown Region");
}
