#include "files/RouteFileStore.h"

#include <gtest/gtest.h>
#include <sys/mount.h>
#include <sys/resource.h>

#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <fstream>

#include "files/RouteFileTestSupport.h"
#include "platform/foundation/TempDir.h"

using namespace tessaly;
using tessaly::testing::golden;
using tessaly::testing::makePath;
using tessaly::testing::mixedPath;

namespace {

RouteFileWriter::Path longPath(int n) {
  std::vector<tessaly::testing::PathPoint> points;
  for (int i = 0; i < n; ++i) points.push_back({i == 0 ? 0 : 1, 43.7 + i * 1e-5, 7.4, i * 1.0});
  return makePath(points);
}

std::vector<std::string> namesIn(const std::string& directory) {
  std::vector<std::string> names;
  for (const auto& e : std::filesystem::directory_iterator(directory)) {
    names.push_back(e.path().filename().string());
  }
  std::sort(names.begin(), names.end());
  return names;
}

class RouteFileStoreTest : public ::testing::Test {
 protected:
  void SetUp() override { platform::setDocumentsDirectory(_dir.path()); }
  void TearDown() override { platform::setDocumentsDirectory(""); }
  void put(const std::string& name, const std::string& content) {
    std::ofstream(_dir.file(name), std::ios::binary) << content;
  }
  tessaly::testing::TempDir _dir;
};

}  // namespace

TEST_F(RouteFileStoreTest, SavesUnderTheTypedNameWithTheModesExtension) {
  auto xml = RouteFileStore::save(std::string("trip"), 1, mixedPath());
  EXPECT_TRUE(xml.saved);
  EXPECT_EQ(xml.message,
            "File saved.\n\nYou can transfer the file to your computer using iTunes file sharing.");
  EXPECT_EQ(*platform::readFile(_dir.file("trip.xml")), golden("markers_and_route_points.xml"));

  auto kml = RouteFileStore::save(std::string("trip.kml"), 2, mixedPath());
  EXPECT_TRUE(kml.saved);
  EXPECT_EQ(*platform::readFile(_dir.file("trip.kml.kml")), golden("markers_and_route_points.kml"));
  // Names are used as typed: blanks and non-ASCII letters stay.
  EXPECT_TRUE(RouteFileStore::save(std::string(" Côte d'Azur "), 1, mixedPath()).saved);
  EXPECT_EQ(namesIn(_dir.path()),
            (std::vector<std::string>{" Côte d'Azur .xml", "trip.kml.kml", "trip.xml"}));
}

TEST_F(RouteFileStoreTest, SavingAgainUnderTheSameNameReplacesTheFile) {
  put("trip.xml",
      "old content that is longer than the new one ........................."
      "........................................................................");
  ASSERT_TRUE(RouteFileStore::save(std::string("trip"), 1, makePath({{0, 1, 2}})).saved);
  EXPECT_EQ(*platform::readFile(_dir.file("trip.xml")),
            "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<route>\n"
            "  <coordinates type=\"marker\">1.000000,2.000000</coordinates>\n</route>\n");
  EXPECT_EQ(namesIn(_dir.path()), std::vector<std::string>{"trip.xml"});
}

TEST_F(RouteFileStoreTest, NamesThatLeaveTheDocumentsDirectoryWriteNothing) {
  std::filesystem::create_directory(_dir.file("sub"));
  std::filesystem::create_directory(_dir.file("folder.xml"));
  EXPECT_EQ(RouteFileStore::save(std::nullopt, 1, mixedPath()).message, "Missing filename!");
  EXPECT_EQ(RouteFileStore::save(std::string(""), 1, mixedPath()).message, "Missing filename!");
  for (const std::string& name :
       {std::string("../escape"), std::string("sub/inside"), std::string("/tmp/abs"),
        std::string("."), std::string(".."), std::string("nul\0byte", 8), std::string("folder"),
        std::string(300, 'n')}) {
    auto outcome = RouteFileStore::save(name, 1, mixedPath());
    EXPECT_FALSE(outcome.saved) << name;
    EXPECT_EQ(outcome.message, "Creating file!") << name;
  }
  EXPECT_EQ(namesIn(_dir.path()), (std::vector<std::string>{"folder.xml", "sub"}));
  EXPECT_TRUE(std::filesystem::is_empty(_dir.file("sub")));
  EXPECT_FALSE(
      std::filesystem::exists(std::filesystem::path(_dir.path()).parent_path() / "escape.xml"));
}

TEST_F(RouteFileStoreTest, AWriteErrorKeepsTheOldFileAndSaysSo) {
  const std::string old = golden("one_marker.xml");
  put("trip.xml", old);
  // Files may grow to 4 KiB only: the write of a long path fails part-way, like a full disk.
  struct sigaction ignore {
  }, previous{};
  ignore.sa_handler = SIG_IGN;
  ::sigaction(SIGXFSZ, &ignore, &previous);
  rlimit limit{}, saved{};
  ::getrlimit(RLIMIT_FSIZE, &saved);
  limit = saved;
  limit.rlim_cur = 4096;
  ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &limit), 0);
  auto outcome = RouteFileStore::save(std::string("trip"), 1, longPath(2000));
  ::setrlimit(RLIMIT_FSIZE, &saved);
  ::sigaction(SIGXFSZ, &previous, nullptr);

  EXPECT_FALSE(outcome.saved);
  EXPECT_EQ(outcome.message.find("File saved."), std::string::npos);
  EXPECT_NE(outcome.message.find("could not be saved (writing: File too large)"), std::string::npos)
      << outcome.message;
  EXPECT_EQ(*platform::readFile(_dir.file("trip.xml")), old);
  EXPECT_EQ(namesIn(_dir.path()), std::vector<std::string>{"trip.xml"});
}

TEST_F(RouteFileStoreTest, AFullDiskKeepsTheOldFileByteIdentical) {
  std::string mountPoint = _dir.file("disk");
  std::filesystem::create_directory(mountPoint);
  if (::mount("tmpfs", mountPoint.c_str(), "tmpfs", 0, "size=64k") != 0) {
    GTEST_SKIP() << "cannot mount a small tmpfs here";
  }
  platform::setDocumentsDirectory(mountPoint);
  const std::string old = golden("markers_and_route_points.kml");
  std::ofstream(mountPoint + "/trip.kml", std::ios::binary) << old;
  auto outcome = RouteFileStore::save(std::string("trip"), 2, longPath(4000));
  auto after = platform::readFile(mountPoint + "/trip.kml");
  auto names = namesIn(mountPoint);
  ::umount(mountPoint.c_str());

  EXPECT_FALSE(outcome.saved);
  EXPECT_NE(outcome.message.find("No space left on device"), std::string::npos) << outcome.message;
  ASSERT_TRUE(after.has_value());
  EXPECT_EQ(*after, old);
  EXPECT_EQ(names, std::vector<std::string>{"trip.kml"});
}

TEST_F(RouteFileStoreTest, ListsXmlAndKmlFilesOnlyWhateverTheirCase) {
  put("ROUTE.XML", "x");
  put("walk.kml", "y");
  put("Mixed.Kml", "z");
  put("route.txt", "-");
  put("settings.plist", "-");
  put("screen.mov", "-");
  put("xml", "-");
  put(".xml", "-");
  put("trip.xml.Ab12Cd", "-");  // a save's temporary file
  std::filesystem::create_directory(_dir.file("x.xml"));
  std::vector<std::string> names;
  for (const auto& f : RouteFileStore::list(_dir.path())) {
    names.push_back(f.name + (f.isXML ? " xml" : " kml"));
  }
  std::sort(names.begin(), names.end());
  EXPECT_EQ(names, (std::vector<std::string>{"Mixed.Kml kml", "ROUTE.XML xml", "walk.kml kml"}));
  EXPECT_TRUE(RouteFileStore::list(_dir.file("missing")).empty());
}

TEST_F(RouteFileStoreTest, ListedFilesCarryTheirSizeAndTime) {
  put("a.xml", std::string(1023, 'a'));
  std::filesystem::last_write_time(_dir.file("a.xml"),
                                   std::filesystem::file_time_type::clock::now());
  auto files = RouteFileStore::list(_dir.path());
  ASSERT_EQ(files.size(), 1u);
  EXPECT_EQ(files[0].size, 1023);
  EXPECT_NEAR(static_cast<double>(files[0].modified), static_cast<double>(std::time(nullptr)), 5);
  EXPECT_TRUE(RouteFileStore::remove(_dir.path(), "a.xml"));
  EXPECT_FALSE(RouteFileStore::remove(_dir.path(), "a.xml"));
  EXPECT_FALSE(RouteFileStore::remove(_dir.path(), ".."));
  EXPECT_TRUE(RouteFileStore::list(_dir.path()).empty());
}

TEST(RouteFileDetails, LocalTimeAndSizesInPowersOf1024) {
  const char* previous = std::getenv("TZ");
  std::string saved = previous ? previous : "";
  ::setenv("TZ", "UTC", 1);
  ::tzset();
  const std::time_t march5 = 1362474423;  // 2013-03-05 09:07:03 UTC
  EXPECT_EQ(RouteFileStore::createDetails(march5, 2048), "2013-03-05 09:07:03 (2.00 KB)");
  EXPECT_EQ(RouteFileStore::createDetails(march5, -1), "2013-03-05 09:07:03");
  EXPECT_EQ(RouteFileStore::createDetails(march5, 0), "2013-03-05 09:07:03 (0 bytes)");
  EXPECT_EQ(RouteFileStore::createDetails(march5, 1023), "2013-03-05 09:07:03 (1023 bytes)");
  EXPECT_EQ(RouteFileStore::createDetails(march5, 1024), "2013-03-05 09:07:03 (1.00 KB)");
  EXPECT_EQ(RouteFileStore::createDetails(march5, 1048575), "2013-03-05 09:07:03 (1024.00 KB)");
  EXPECT_EQ(RouteFileStore::createDetails(march5, 1048576), "2013-03-05 09:07:03 (1.00 MB)");
  EXPECT_EQ(RouteFileStore::createDetails(march5, 1073741824), "2013-03-05 09:07:03 (1.00 GB)");
  EXPECT_EQ(RouteFileStore::createDetails(march5, -5), "2013-03-05 09:07:03 (-5 bytes)");
  ::setenv("TZ", "Europe/Berlin", 1);
  ::tzset();
  EXPECT_EQ(RouteFileStore::createDetails(march5, 1), "2013-03-05 10:07:03 (1 bytes)");
  if (previous) {
    ::setenv("TZ", saved.c_str(), 1);
  } else {
    ::unsetenv("TZ");
  }
  ::tzset();
}
