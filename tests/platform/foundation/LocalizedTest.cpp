#include "platform/foundation/Localized.h"

#include <gtest/gtest.h>

#include <fstream>

#include "platform/foundation/Log.h"
#include "platform/foundation/NumberFormatter.h"
#include "platform/foundation/TempDir.h"

using namespace tessaly::platform;
using tessaly::testing::TempDir;

namespace {

void writeTable(const TempDir& dir, const std::string& language, const std::string& text) {
  std::filesystem::create_directories(dir.file("strings"));
  std::ofstream(dir.file("strings/" + language + ".strings")) << text;
}

class LocalizedTest : public ::testing::Test {
 protected:
  void SetUp() override { setResourcesDirectory(_dir.path()); }
  void TearDown() override {
    setResourcesDirectory("");
    resetCurrentLocale();
  }
  TempDir _dir;
};

}  // namespace

TEST_F(LocalizedTest, LooksUpTheLanguageThenEnglishThenTheDefault) {
  writeTable(_dir, "en", "// comment\n\"kOK\" = \"Okay\";\n\"kQuote\" = \"say \\\"hi\\\"\";\n");
  writeTable(_dir, "de", "\"kOK\" = \"Gut\";\n");
  setCurrentLocaleName("de_DE");
  EXPECT_EQ(NSLocalizedString("kOK", "OK"), "Gut");
  EXPECT_EQ(NSLocalizedString("kQuote", "x"), "say \"hi\"");
  EXPECT_EQ(NSLocalizedString("kMissing", "Fallback"), "Fallback");
  setCurrentLocaleName("it_IT");
  EXPECT_EQ(NSLocalizedString("kOK", "OK"), "Okay");
}

TEST_F(LocalizedTest, BadLinesAreLoggedAndSkipped) {
  writeTable(_dir, "en", "\"kA\" = \"A\";\nnonsense here\n\"kB\" = \"B\"\n\"kC\" = \"C\";\n");
  setCurrentLocaleName("en_US");
  LogCapture capture;
  EXPECT_EQ(NSLocalizedString("kA", "-"), "A");
  EXPECT_EQ(NSLocalizedString("kB", "-"), "-");
  EXPECT_EQ(NSLocalizedString("kC", "-"), "C");
  EXPECT_TRUE(capture.contains("en.strings:2"));
  EXPECT_TRUE(capture.contains("en.strings:3"));
}

TEST_F(LocalizedTest, NoTablesGiveTheDefault) {
  EXPECT_EQ(NSLocalizedString("kCancel", "Cancel"), "Cancel");
}

TEST(LocalizedResources, TheShippedTableIsFoundAndHasTheCommonKeys) {
  setResourcesDirectory("");
  setCurrentLocaleName("en_US");
  reloadLocalizedStrings();
  EXPECT_EQ(NSLocalizedString("kCancel", "x"), "Cancel");
  setCurrentLocaleName("de_DE");
  EXPECT_EQ(NSLocalizedString("kCancel", "x"), "Abbrechen");
  resetCurrentLocale();
}
