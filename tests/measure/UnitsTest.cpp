#include "measure/Units.h"

#include <gtest/gtest.h>

#include "appdata/AppData.h"
#include "measure/CoordData.h"
#include "measure/PontoAnnotation.h"
#include "platform/foundation/NumberFormatter.h"

using namespace tessaly;

namespace {

class UnitsTest : public ::testing::Test {
 protected:
  void SetUp() override { platform::setCurrentLocaleName("en_US"); }
  void TearDown() override {
    AppData::sharedInstance().reset();
    platform::resetCurrentLocale();
  }
  static void useUnit(int code) { AppData::sharedInstance().setUnit(code); }
};

}  // namespace

TEST_F(UnitsTest, TheUnitTableIncludingSquareMilesForNauticalMiles) {
  struct Row {
    int code;
    const char* length;
    double meters;
    const char* area;
    double squareMeters;
  };
  const Row rows[] = {
      {0, "km", 1000.0, "km²", 1000000.0},
      {1, "mi", 1609.344, "mi²", 2589988.1103},
      {2, "m", 1.0, "m²", 1.0},
      {3, "yd", 0.9144, "yd²", 0.83612736},
      {4, "nm", 1852.0, "mi²", 2589988.1103},
      {7, "km", 1000.0, "km²", 1000000.0},
      {-1, "km", 1000.0, "km²", 1000000.0},
  };
  for (const auto& r : rows) {
    SCOPED_TRACE(r.code);
    useUnit(r.code);
    EXPECT_EQ(lengthUnitLabel(), r.length);
    EXPECT_EQ(areaUnitLabel(), r.area);
    EXPECT_EQ(metersPerLengthUnit(), r.meters);
    EXPECT_EQ(squareMetersPerAreaUnit(), r.squareMeters);
  }
}

TEST_F(UnitsTest, FormattingInTwoLocales) {
  struct Case {
    const char* locale;
    int unit;
    bool area;
    double value;
    int grouping;
    int label;
    const char* text;
  };
  const Case cases[] = {
      {"en_US", 0, false, 1234567, 1, 1, "1,234.57 km"},
      {"en_US", 0, false, 1234567, 0, 0, "1234.57"},
      {"en_US", 0, false, 1234567, 2, 2, "1234.57"},  // only exactly 1 counts as yes
      {"en_US", 0, false, 0, 1, 1, "0 km"},
      {"en_US", 4, false, 1852, 1, 1, "1 nm"},
      {"en_US", 4, true, 2589988.1103, 1, 1, "1 mi²"},
      {"en_US", 3, false, 1, 1, 1, "1.09 yd"},
      {"en_US", 3, true, 1, 1, 1, "1.2 yd²"},
      {"en_US", 7, false, 1500, 1, 1, "1.5 km"},
      {"en_US", 2, false, 1500, 1, 1, "1,500 m"},
      {"en_US", 2, false, 0.125, 1, 0, "0.12"},               // half to even
      {"en_US", 2, false, 12345678.9, 1, 1, "12,345,679 m"},  // through a float
      {"en_US", 0, true, 500000, 1, 1, "0.5 km²"},
      {"de_DE", 0, false, 1234567, 1, 1, "1.234,57 km"},
      {"de_DE", 0, false, 1234567, 0, 1, "1234,57 km"},
      {"de_DE", 1, true, 2589988.1103 * 1234.5, 1, 1, "1.234,5 mi²"},
      {"de_DE", 3, false, 1, 0, 0, "1,09"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string(c.locale) + " " + c.text);
    platform::setCurrentLocaleName(c.locale);
    useUnit(c.unit);
    std::string text = c.area ? formatArea(c.value, c.grouping, c.label)
                              : formatLength(c.value, c.grouping, c.label);
    EXPECT_EQ(text, c.text);
  }
}

TEST_F(UnitsTest, MarkerTextsFollowTheirKindAndTheCurrentUnit) {
  useUnit(2);
  PontoAnnotation start({48.858222, 2.2945}, 0);
  start.setTotdistance(99);
  start.setArea(5);
  EXPECT_EQ(start.title(), "Starting point");
  EXPECT_EQ(start.subtitle(), "Lat: 48.8582, Lon: 2.2945");
  EXPECT_EQ(PontoAnnotation({-33.8688, 151.2093}, 0).subtitle(), "Lat: -33.8688, Lon: 151.2093");

  PontoAnnotation later({1, 1}, 1);
  later.setTotdistance(1500);
  later.setDeltadistance(250.5);
  later.setHeading(7);
  EXPECT_EQ(later.title(), "Distance: 1,500 m");
  EXPECT_EQ(later.subtitle(), "Delta: 250.5 m  Heading: 7");
  useUnit(0);  // the same marker in another unit, with no change to its fields
  EXPECT_EQ(later.title(), "Distance: 1.5 km");
  EXPECT_EQ(later.subtitle(), "Delta: 0.25 km  Heading: 7");
  later.setArea(500000);
  EXPECT_EQ(later.title(), "Area: 0.5 km²");
}

TEST_F(UnitsTest, PathEntriesStartEmptyAndPrintThemselves) {
  CoordData searched("Rue de Rivoli, Paris", 48.86, 2.34);
  EXPECT_EQ(searched.type(), 0);
  EXPECT_EQ(searched.distance(), 0);
  EXPECT_EQ(searched.index(), 0u);
  EXPECT_EQ(searched.description(), "0 addr: Rue de Rivoli, Paris lat:48.860000 lng:2.340000");
  CoordData entry(1, 48.5, 2.25);
  EXPECT_EQ(entry.description(), "1 addr: (null) lat:48.500000 lng:2.250000");
  entry.setCoordinate({0, 0});
  EXPECT_EQ(entry.mkMapPoint(), platform::MKMapPointForCoordinate({0, 0}));
}

TEST_F(UnitsTest, ManyLocalesKeepTheFormatterCacheBoundedAndFormattingRight) {
  for (int i = 0; i < 300; ++i) {
    platform::setCurrentLocaleName("de-DE-x-v" + std::to_string(i));
    EXPECT_EQ(formatUnitValue(1234.5, 1), "1.234,5");
    EXPECT_LE(cachedFormatterCount(), 32u);
  }
  platform::setCurrentLocaleName("en_US");
  EXPECT_EQ(formatUnitValue(1234.5, 1), "1,234.5");
}

TEST_F(UnitsTest, KeptTextsFollowTheLocaleAndTheGroupingAndStayBounded) {
  platform::setCurrentLocaleName("en_US");
  EXPECT_EQ(formatUnitValue(1234.5, 1), "1,234.5");
  EXPECT_EQ(formatUnitValue(1234.5, 0), "1234.5");
  platform::setCurrentLocaleName("de_DE");
  EXPECT_EQ(formatUnitValue(1234.5, 1), "1.234,5");
  // Far more values than are kept: each still what a formatter of its own gives.
  platform::NumberFormatter fresh("de_DE");
  fresh.setPositiveFormat("###0.##");
  for (int i = 0; i < 70000; ++i) {
    double value = 1000000 + i * 0.25;
    ASSERT_EQ(formatUnitValue(value, 0), fresh.stringFromNumber(value)) << value;
  }
  EXPECT_EQ(formatUnitValue(1234.5, 1), "1.234,5");
  platform::setCurrentLocaleName("en_US");
  EXPECT_EQ(formatUnitValue(1234.5, 1), "1,234.5");
}
