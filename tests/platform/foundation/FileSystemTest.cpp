#include "platform/foundation/FileSystem.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cstdlib>
#include <filesystem>

#include "platform/foundation/TempDir.h"

namespace fs = std::filesystem;
using namespace tessaly::platform;
using tessaly::testing::TempDir;

namespace {

class ScopedEnv {
 public:
  ScopedEnv(const char* name, const std::string& value) : _name(name) {
    if (const char* old = std::getenv(name)) _old = old, _had = true;
    ::setenv(name, value.c_str(), 1);
  }
  ~ScopedEnv() {
    if (_had)
      ::setenv(_name, _old.c_str(), 1);
    else
      ::unsetenv(_name);
  }

 private:
  const char* _name;
  std::string _old;
  bool _had = false;
};

}  // namespace

TEST(Documents, DefaultFollowsXdgDataHomeAndIsCreatedOnFirstNeed) {
  TempDir dir;
  ScopedEnv data("XDG_DATA_HOME", dir.path());
  setDocumentsDirectory("");
  std::string docs = documentsDirectory();
  EXPECT_EQ(docs, dir.path() + "/tessaly/Documents");
  EXPECT_TRUE(fs::is_directory(docs));
}

TEST(Documents, WithoutXdgDataHomeLiesUnderHome) {
  TempDir dir;
  ScopedEnv data("XDG_DATA_HOME", "");
  ScopedEnv home("HOME", dir.path());
  setDocumentsDirectory("");
  EXPECT_EQ(documentsDirectory(), dir.path() + "/.local/share/tessaly/Documents");
}

TEST(Documents, ASetRootWinsAndLosesItsTrailingSlash) {
  TempDir dir;
  setDocumentsDirectory(dir.path() + "/docs/");
  EXPECT_EQ(documentsDirectory(), dir.path() + "/docs");
  EXPECT_TRUE(fs::is_directory(dir.path() + "/docs"));
  setDocumentsDirectory("");
}

TEST(Files, AtomicWriteReplacesTheOldFileAndLeavesNoTemporaryBehind) {
  TempDir dir;
  std::string path = dir.file("a.txt");
  ASSERT_TRUE(writeFileAtomically(path, "first"));
  ASSERT_TRUE(writeFileAtomically(path, std::string("sec\0ond", 7)));
  EXPECT_EQ(readFile(path), std::string("sec\0ond", 7));
  EXPECT_TRUE(isReadableFile(path));
  int files = 0;
  for (const auto& entry : fs::directory_iterator(dir.path())) {
    (void)entry;
    ++files;
  }
  EXPECT_EQ(files, 1);
}

TEST(Files, AReplacedFileKeepsItsPermissionBitsAndANewOneIsReadable) {
  TempDir dir;
  std::string path = dir.file("private.plist");
  ASSERT_TRUE(writeFileAtomically(path, "one"));
  auto mode = [&] {
    struct stat st {};
    ::stat(path.c_str(), &st);
    return st.st_mode & 07777;
  };
  EXPECT_EQ(mode(), 0644u);
  ASSERT_EQ(::chmod(path.c_str(), 0600), 0);
  ASSERT_TRUE(writeFileAtomically(path, "two"));
  EXPECT_EQ(mode(), 0600u);
  ASSERT_EQ(::chmod(path.c_str(), 0640), 0);
  ASSERT_TRUE(writeFileAtomically(path, "three"));
  EXPECT_EQ(mode(), 0640u);
  EXPECT_EQ(readFile(path), "three");
  EXPECT_EQ(fileSize(path), 5u);
  EXPECT_FALSE(fileSize(dir.file("none")).has_value());
}

TEST(Files, FailedWriteKeepsTheOldFile) {
  TempDir dir;
  std::string path = dir.file("kept.txt");
  ASSERT_TRUE(writeFileAtomically(path, "old"));
  EXPECT_FALSE(writeFileAtomically(dir.file("missing/dir/x.txt"), "new"));
  // A directory in the way cannot be replaced by a file.
  fs::create_directory(dir.file("adir"));
  EXPECT_FALSE(writeFileAtomically(dir.file("adir"), "new"));
  EXPECT_TRUE(fs::is_directory(dir.file("adir")));
  EXPECT_EQ(readFile(path), "old");
}

TEST(Files, DirectoriesAndMissingFilesAreNotReadableFiles) {
  TempDir dir;
  EXPECT_FALSE(isReadableFile(dir.path()));
  EXPECT_FALSE(isReadableFile(dir.file("none")));
  EXPECT_FALSE(readFile(dir.file("none")).has_value());
}
