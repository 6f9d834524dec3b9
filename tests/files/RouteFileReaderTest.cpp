#include "files/RouteFileReader.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "files/RouteFileTestSupport.h"
#include "files/RouteFileWriter.h"
#include "platform/foundation/TempDir.h"

using namespace tessaly;
using Outcome = RouteFileReader::Outcome;
using tessaly::testing::golden;
using tessaly::testing::makePath;

namespace {

std::string route(const std::string& body) {
  return "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<route>\n" + body + "</route>\n";
}

// type:latitude:longitude for each entry, to compare whole results at once.
std::vector<std::string> summary(const RouteFileReader::Result& r) {
  std::vector<std::string> out;
  char line[96];
  for (const auto& e : r.entries) {
    std::snprintf(line, sizeof line, "%d:%f:%f", e->type(), e->coordinate().latitude,
                  e->coordinate().longitude);
    out.push_back(line);
  }
  return out;
}

}  // namespace

TEST(RouteFileReaderRules, TypesComeFromTheAttributeAndTheFirstEntryIsTheStart) {
  auto r =
      RouteFileReader::parseData(route("  <coordinates type=\"point\">1,2</coordinates>\n"
                                       "  <coordinates type=\"marker\">3,4</coordinates>\n"
                                       "  <coordinates type=\"Marker\">5,6</coordinates>\n"
                                       "  <coordinates type=\"\">7,8</coordinates>\n"));
  ASSERT_EQ(r.outcome, Outcome::Loaded);
  EXPECT_EQ(summary(r), (std::vector<std::string>{"0:1.000000:2.000000", "1:3.000000:4.000000",
                                                  "2:5.000000:6.000000", "2:7.000000:8.000000"}));
}

TEST(RouteFileReaderRules, UnusableElementsAndTextAreSkipped) {
  auto r = RouteFileReader::parseData(
      route("  <coordinates>9,9</coordinates>\n"                     // no type attribute
            "  <coordinates type=\"marker\">1,2,0</coordinates>\n"   // two commas
            "  <coordinates type=\"marker\">12</coordinates>\n"      // no comma
            "  <Coordinates type=\"marker\">8,8</Coordinates>\n"     // name is case-sensitive
            "  <coordinates type=\"marker\">abc, 5</coordinates>\n"  // not a number reads as 0
            "  <coordinates type=\"marker\"> \n 1.5x,\t-2e1</coordinates>\n"
            "  <coordinates type=\"marker\">95,0</coordinates>\n"  // off the earth
            "  <coordinates type=\"marker\">nan,1</coordinates>\n"
            "  <coordinates type=\"marker\">1e999,1</coordinates>\n"
            "  <coordinates type=\"marker\">0,-180.5</coordinates>\n"
            "  <other type=\"marker\">7,7</other>\n"));
  ASSERT_EQ(r.outcome, Outcome::Loaded);
  EXPECT_EQ(summary(r), (std::vector<std::string>{"0:0.000000:5.000000", "1:1.500000:-20.000000"}));
}

TEST(RouteFileReaderRules, WellFormedFilesWithoutUsableEntriesHaveNoData) {
  for (const std::string& text :
       {route(""), route("  <coordinates>1,2</coordinates>\n"), std::string("<kml/>"),
        route("  <coordinates type=\"marker\">1;2</coordinates>\n")}) {
    auto r = RouteFileReader::parseData(text);
    EXPECT_EQ(r.outcome, Outcome::NoData) << text;
    EXPECT_EQ(r.message, "No data in file.");
    EXPECT_TRUE(r.entries.empty());
  }
}

TEST(RouteFileReaderRules, SavingWhatWasLoadedGivesTheSameBytes) {
  // Six decimals survive in double precision; single precision would move 48.137154 by metres
  // at longitudes like 151.209296.
  for (const char* name :
       {"one_marker.xml", "markers_and_route_points.xml", "negative_coordinates.xml"}) {
    auto r = RouteFileReader::parseData(golden(name));
    ASSERT_EQ(r.outcome, Outcome::Loaded) << name;
    EXPECT_EQ(RouteFileWriter::xmlDocument(r.entries), golden(name)) << name;
  }
  auto precise = RouteFileReader::parseData(
      route("  <coordinates type=\"marker\">48.137154,151.2092961234567</coordinates>\n"));
  ASSERT_EQ(precise.outcome, Outcome::Loaded);
  EXPECT_EQ(precise.entries[0]->coordinate().latitude, 48.137154);
  EXPECT_EQ(precise.entries[0]->coordinate().longitude, 151.2092961234567);
}

TEST(RouteFileReaderRules, AFileThatStartsWithARoutePointComesBackStartingWithAMarker) {
  auto r = RouteFileReader::parseData(golden("starts_with_route_point.xml"));
  ASSERT_EQ(r.outcome, Outcome::Loaded);
  EXPECT_EQ(summary(r), (std::vector<std::string>{"0:43.720000:7.410000", "1:43.730000:7.420000"}));
}

TEST(RouteFileReaderHostile, MalformedAndHostileFilesFailWithAClearMessage) {
  struct Case {
    std::string text;
    std::string fragment;
  };
  const std::vector<Case> cases = {
      {route("  <coordinates type=\"marker\">1,2</coordinates\n"), "not well-formed"},
      {"<route><coordinates type=\"marker\">1,2</route>", "mismatched tag"},
      {"<!DOCTYPE r [<!ENTITY a \"1,2\">]><route><coordinates type=\"marker\">&a;</coordinates>"
       "</route>",
       "declares an entity"},
      {"<!DOCTYPE r [<!ENTITY x SYSTEM \"file:///etc/hostname\">]><route>&x;</route>",
       "declares an entity"},
      {route("  <coordinates type=\"m\xe9rker\">1,2</coordinates>\n"), "not valid UTF-8"},
      {"", "no XML document"},
      {"\x89PNG\r\n\x1a\n", "not valid UTF-8"},
  };
  for (const Case& c : cases) {
    auto r = RouteFileReader::parseData(c.text);
    EXPECT_EQ(r.outcome, Outcome::Failed) << c.text;
    EXPECT_NE(r.message.find(c.fragment), std::string::npos) << r.message;
    EXPECT_TRUE(r.entries.empty());
  }
}

TEST(RouteFileReaderHostile, FilesAreCheckedBeforeTheyAreRead) {
  tessaly::testing::TempDir dir;
  EXPECT_EQ(RouteFileReader::parseFile(dir.file("missing.xml")).outcome, Outcome::Unreadable);
  EXPECT_EQ(RouteFileReader::parseFile(dir.path()).outcome, Outcome::Unreadable);

  // A sparse file above the cap: refused from its size, never read into memory.
  std::string huge = dir.file("huge.xml");
  { std::ofstream(huge) << "<route>"; }
  std::filesystem::resize_file(huge, (std::uintmax_t{64} << 20) + 1);
  auto r = RouteFileReader::parseFile(huge);
  EXPECT_EQ(r.outcome, Outcome::Failed);
  EXPECT_NE(r.message.find("too large"), std::string::npos) << r.message;

  std::string good = dir.file("good.xml");
  { std::ofstream(good) << golden("markers_and_route_points.xml"); }
  EXPECT_EQ(RouteFileReader::parseFile(good).entries.size(), 3u);
}
