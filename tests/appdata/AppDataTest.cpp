#include "appdata/AppData.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "platform/foundation/FileSystem.h"
#include "platform/foundation/Log.h"
#include "platform/foundation/PropertyList.h"
#include "platform/foundation/TempDir.h"

using tessaly::AppData;
using namespace tessaly::platform;

namespace {

class AppDataTest : public ::testing::Test {
 protected:
  void SetUp() override {
    setDocumentsDirectory(_dir.path());
    AppData::sharedInstance().reset();
  }
  void TearDown() override {
    AppData::sharedInstance().reset();
    setDocumentsDirectory("");
  }
  void writeSettings(const std::string& text) {
    std::ofstream(_dir.file("settings.plist")) << text;
  }
  static std::string plist(const std::string& body) {
    return "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<plist version=\"1.0\">\n<dict>\n" + body +
           "</dict>\n</plist>\n";
  }
  static void set(int maptype, int unit, int location) {
    AppData& data = AppData::sharedInstance();
    data.setMaptype(maptype);
    data.setUnit(unit);
    data.setCurrentlocation(location);
  }
  static std::tuple<int, int, int> values() {
    const AppData& data = AppData::sharedInstance();
    return {data.maptype(), data.unit(), data.currentlocation()};
  }
  tessaly::testing::TempDir _dir;
};

}  // namespace

TEST_F(AppDataTest, FirstRunKeepsTheDefaultsAndLogsTheMissingFile) {
  LogCapture capture;
  AppData::sharedInstance().loadSettings();
  EXPECT_EQ(values(), std::make_tuple(0, 0, 0));
  ASSERT_EQ(capture.lines().size(), 1u);
  EXPECT_EQ(capture.lines()[0], "FILE NOT FOUND " + _dir.path() + "/settings.plist");
  EXPECT_FALSE(std::filesystem::exists(_dir.file("settings.plist")));
}

TEST_F(AppDataTest, SharedInstanceIsOneObject) {
  EXPECT_EQ(&AppData::sharedInstance(), &AppData::sharedInstance());
}

TEST_F(AppDataTest, SaveWritesExactlyTheThreeKeysAndLoadGivesThemBack) {
  set(2, 4, 1);
  AppData::sharedInstance().saveSettings();
  EXPECT_EQ(*readFile(_dir.file("settings.plist")),
            "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
            "<!DOCTYPE plist PUBLIC \"-//Apple//DTD PLIST 1.0//EN\" "
            "\"http://www.apple.com/DTDs/PropertyList-1.0.dtd\">\n"
            "<plist version=\"1.0\">\n<dict>\n"
            "\t<key>MapType</key>\n\t<integer>2</integer>\n"
            "\t<key>Unit</key>\n\t<integer>4</integer>\n"
            "\t<key>CurrentLocation</key>\n\t<integer>1</integer>\n"
            "</dict>\n</plist>\n");
  set(0, 0, 0);
  AppData::sharedInstance().loadSettings();
  EXPECT_EQ(values(), std::make_tuple(2, 4, 1));
  // Saving again replaces the file and leaves nothing else behind.
  set(1, 3, 0);
  AppData::sharedInstance().saveSettings();
  set(0, 0, 0);
  AppData::sharedInstance().loadSettings();
  EXPECT_EQ(values(), std::make_tuple(1, 3, 0));
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(_dir.path()), {}), 1);
}

TEST_F(AppDataTest, KeysTheFileDoesNotMentionKeepTheirValues) {
  set(2, 0, 1);
  writeSettings(plist("<key>Unit</key><integer>3</integer><key>Foo</key><string>x</string>"));
  AppData::sharedInstance().loadSettings();
  EXPECT_EQ(values(), std::make_tuple(2, 3, 1));
}

TEST_F(AppDataTest, NumbersOfOtherKindsCountByTheirIntegerValue) {
  writeSettings(
      plist("<key>MapType</key><real>2.9</real><key>Unit</key><integer>-1</integer>"
            "<key>CurrentLocation</key><true/>"));
  AppData::sharedInstance().loadSettings();
  EXPECT_EQ(values(), std::make_tuple(2, -1, 1));
}

TEST_F(AppDataTest, UnreadableFilesAndEntriesChangeNothing) {
  const std::string bad[] = {
      "",
      "not a property list at all",
      "<?xml version=\"1.0\"?><plist version=\"1.0\"><dict><key>Unit</key><integer>3",
      "<?xml version=\"1.0\"?><plist version=\"1.0\"><array><integer>3</integer></array></plist>",
      plist("<key>Unit</key><string>3</string><key>MapType</key><array/>"
            "<key>CurrentLocation</key><dict/>"),
      plist("<key>Unit</key><integer>99999999999</integer>"
            "<key>MapType</key><real>1e300</real>"),
      std::string("\0\1\2bplist00", 11),
  };
  for (const auto& text : bad) {
    SCOPED_TRACE(text);
    set(1, 2, 1);
    writeSettings(text);
    AppData::sharedInstance().loadSettings();
    EXPECT_EQ(values(), std::make_tuple(1, 2, 1));
  }
}

TEST_F(AppDataTest, AFailedSaveIsLoggedAndKeepsTheValuesAndWhatWasThere) {
  // Something that is no file stands where the settings go: the rename cannot replace it.
  std::filesystem::create_directories(_dir.file("settings.plist/inner"));
  set(2, 2, 0);
  LogCapture capture;
  AppData::sharedInstance().saveSettings();
  EXPECT_EQ(values(), std::make_tuple(2, 2, 0));
  EXPECT_TRUE(capture.contains("saving " + _dir.path() + "/settings.plist failed"));
  EXPECT_TRUE(std::filesystem::is_directory(_dir.file("settings.plist/inner")));
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(_dir.path()), {}), 1);
}

TEST_F(AppDataTest, SavingKeepsAPrivateFilePrivate) {
  writeSettings(plist("<key>Unit</key><integer>1</integer>"));
  std::filesystem::permissions(_dir.file("settings.plist"), std::filesystem::perms(0600));
  set(1, 2, 1);
  AppData::sharedInstance().saveSettings();
  auto perms = std::filesystem::status(_dir.file("settings.plist")).permissions();
  EXPECT_EQ(perms, std::filesystem::perms(0600));
  set(0, 0, 0);
  AppData::sharedInstance().loadSettings();
  EXPECT_EQ(values(), std::make_tuple(1, 2, 1));
}

TEST_F(AppDataTest, DeepOrHugeFilesAreRefusedLoggedAndLeftAsTheyAre) {
  auto nested = [](int levels) {
    std::string text = "<?xml version=\"1.0\"?>\n<plist version=\"1.0\"><dict><key>Unit</key>";
    for (int i = 0; i < levels; ++i) text += "<array>";
    for (int i = 0; i < levels; ++i) text += "</array>";
    return text + "</dict></plist>\n";
  };
  // Hundreds of thousands of levels would exhaust the stack inside the library; such a file is
  // also far beyond any settings file's size. A deep file under the size limit is refused for
  // its depth.
  const std::pair<std::string, std::string> cases[] = {
      {nested(300000), "larger than 1048576 bytes"},
      {nested(60000), "nested deeper than 256 levels"},
  };
  for (const auto& [text, reason] : cases) {
    SCOPED_TRACE(reason);
    writeSettings(text);
    LogCapture capture;
    AppData::sharedInstance().loadSettings();
    EXPECT_EQ(values(), std::make_tuple(0, 0, 0));
    ASSERT_EQ(capture.lines().size(), 1u);
    EXPECT_EQ(capture.lines()[0], "loadSettings: " + _dir.path() + "/settings.plist refused (" +
                                      reason +
                                      "); the settings keep their values and the file is left "
                                      "as it is");
    EXPECT_EQ(readFile(_dir.file("settings.plist")), text);
  }
}
