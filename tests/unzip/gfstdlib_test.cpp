// The exported path helpers: pathOf, filenameOf and mv.
#include "unzip/gfstdlib.h"

#include <dirent.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <memory>
#include <string>

#include "support/run_dir.h"
#include "unzip_test_support.h"

namespace {

std::string take(char *s) {
  std::unique_ptr<char, decltype(&free)> owned(s, free);
  return s ? std::string(s) : std::string("(null)");
}

TEST(UnzipPathHelpers, PathOfIsEverythingBeforeTheLastSeparator) {
  EXPECT_EQ(take(pathOf("a/b/c.txt")), "a/b");
  EXPECT_EQ(take(pathOf("c.txt")), "");
  EXPECT_EQ(take(pathOf("/c")), "");
  EXPECT_EQ(take(pathOf("a/b/")), "a/b");
  EXPECT_EQ(take(pathOf("/a/b")), "/a");
  EXPECT_EQ(take(pathOf("")), "");
  EXPECT_EQ(take(pathOf("a\\b\\c.txt")), "a\\b");
  EXPECT_EQ(take(pathOf("a\\b/c.txt")), "a\\b");
  EXPECT_EQ(take(pathOf("a/b\\c.txt")), "a/b");
  EXPECT_EQ(take(pathOf("\\c")), "");
}

TEST(UnzipPathHelpers, FilenameOfIsEverythingAfterTheLastSeparator) {
  EXPECT_EQ(take(filenameOf("a/b/c.txt")), "c.txt");
  EXPECT_EQ(take(filenameOf("a/b/")), "");
  EXPECT_EQ(take(filenameOf("c.txt")), "c.txt");
  EXPECT_EQ(take(filenameOf("/c")), "c");
  EXPECT_EQ(take(filenameOf("")), "");
  EXPECT_EQ(take(filenameOf("a\\b\\c.txt")), "c.txt");
  EXPECT_EQ(take(filenameOf("a/b\\c.txt")), "c.txt");
  EXPECT_EQ(take(filenameOf("a\\b/c.txt")), "c.txt");
}

int openDescriptors() {
  int count = 0;
  if (DIR *d = opendir("/proc/self/fd")) {
    while (readdir(d)) ++count;
    closedir(d);
  }
  return count;
}

class UnzipMove : public ::testing::Test {
 protected:
  void SetUp() override {
    dir_ = hf::makeTempDir("honeyfold-mv");
    cd_ = std::make_unique<hf::ScopedChdir>(dir_);
    descriptors_ = openDescriptors();
  }
  void TearDown() override {
    EXPECT_EQ(openDescriptors(), descriptors_) << "mv left a file open";
    cd_.reset();
    hf::removeTree(dir_);
  }
  std::string dir_;
  std::unique_ptr<hf::ScopedChdir> cd_;
  int descriptors_ = 0;
};

TEST_F(UnzipMove, CopiesEveryByteThenRemovesTheSource) {
  for (size_t size : {size_t{0}, size_t{8192}, size_t{50001}}) {
    SCOPED_TRACE(size);
    const std::string data = hf::memberData("mv", size);
    hf::writeFile("src", data);
    hf::writeFile("dst", "old contents, longer than some of the new ones");
    EXPECT_EQ(mv("src", "dst"), MV_OK);
    EXPECT_FALSE(hf::exists("src"));
    EXPECT_EQ(hf::readFile("dst"), data);
  }
}

TEST_F(UnzipMove, MissingSourceChangesNothing) {
  EXPECT_EQ(mv("missing", "dst"), MV_NO_SOURCE);
  EXPECT_FALSE(hf::exists("dst"));
}

TEST_F(UnzipMove, UnwritableDestinationKeepsTheSource) {
  hf::writeFile("src", "keep me");
  EXPECT_EQ(mv("src", "no-such-dir/dst"), MV_NO_DESTINATION);
  ASSERT_EQ(mkdir("a-directory", 0775), 0);
  EXPECT_EQ(mv("src", "a-directory"), MV_NO_DESTINATION);
  EXPECT_EQ(hf::readFile("src"), "keep me");
}

// /dev/full takes the open and refuses every write: for a small source the
// refusal comes only at the close, for a larger one at a write.
TEST_F(UnzipMove, FullDiskKeepsTheSource) {
  if (!hf::exists("/dev/full")) GTEST_SKIP() << "no /dev/full";
  for (size_t size : {size_t{10}, size_t{100000}}) {
    SCOPED_TRACE(size);
    const std::string data = hf::memberData("full", size);
    hf::writeFile("src", data);
    EXPECT_EQ(mv("src", "/dev/full"), MV_WRITE_FAILED);
    EXPECT_EQ(hf::readFile("src"), data);
  }
}

// A directory opens for reading on Linux but every read fails.
TEST_F(UnzipMove, UnreadableSourceIsKept) {
  ASSERT_EQ(mkdir("a-directory", 0775), 0);
  EXPECT_EQ(mv("a-directory", "dst"), MV_READ_FAILED);
  struct stat st;
  EXPECT_EQ(stat("a-directory", &st), 0);
}

TEST_F(UnzipMove, OntoItselfLosesNothing) {
  hf::writeFile("src", "still here");
  EXPECT_EQ(mv("src", "src"), MV_SAME_FILE);
  EXPECT_EQ(mv("src", "./src"), MV_SAME_FILE);
  ASSERT_EQ(link("src", "hard-link"), 0);
  EXPECT_EQ(mv("src", "hard-link"), MV_SAME_FILE);
  EXPECT_EQ(hf::readFile("src"), "still here");
}

// procfs files can be read but never removed, not even by root.
TEST_F(UnzipMove, SourceThatCannotBeRemovedIsReported) {
  const std::string expected = hf::readFile("/proc/self/comm");
  ASSERT_FALSE(expected.empty());
  EXPECT_EQ(mv("/proc/self/comm", "dst"), MV_NOT_REMOVED);
  EXPECT_EQ(hf::readFile("dst"), expected);
}

TEST_F(UnzipMove, NullPathsAreRefused) {
  hf::writeFile("src", "x");
  EXPECT_EQ(mv(nullptr, "dst"), MV_NO_SOURCE);
  EXPECT_EQ(mv("src", nullptr), MV_NO_DESTINATION);
  EXPECT_EQ(hf::readFile("src"), "x");
  EXPECT_EQ(take(pathOf(nullptr)), "");
  EXPECT_EQ(take(filenameOf(nullptr)), "");
}

}  // namespace
