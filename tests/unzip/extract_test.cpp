// Extraction of the two archives against archives written here, in a scratch
// working directory. mkdir and fopen are wrapped at link time to count the
// directory creations and output opens that the extraction makes.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>
#include <utime.h>

#include <algorithm>
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "support/run_dir.h"
#include "unzip/miniunz.h"
#include "unzip_test_support.h"

namespace {

struct Calls {
  std::vector<std::string> mkdirs, fopens;
};
Calls &calls() {
  static Calls c;
  return c;
}

}  // namespace

extern "C" int __real_mkdir(const char *path, mode_t mode);
extern "C" int __wrap_mkdir(const char *path, mode_t mode) {
  calls().mkdirs.push_back(path);
  return __real_mkdir(path, mode);
}
// minizip's headers ask for 64-bit offsets, which turns fopen into fopen64;
// both are counted.
extern "C" FILE *__real_fopen(const char *path, const char *mode);
extern "C" FILE *__wrap_fopen(const char *path, const char *mode) {
  calls().fopens.push_back(path);
  return __real_fopen(path, mode);
}
extern "C" FILE *__real_fopen64(const char *path, const char *mode);
extern "C" FILE *__wrap_fopen64(const char *path, const char *mode) {
  calls().fopens.push_back(path);
  return __real_fopen64(path, mode);
}

namespace {

using hf::member;
using hf::splitLines;

constexpr hf::ZipDate kMarch1st{2025, 3, 1, 12, 0, 0};

class UnzipExtraction : public ::testing::Test {
 protected:
  void SetUp() override {
    dir_ = hf::makeTempDir("honeyfold-unzip");
    cd_ = std::make_unique<hf::ScopedChdir>(dir_);
    savedMask_ = umask(022);
    calls() = {};
  }
  void TearDown() override {
    umask(savedMask_);
    cd_.reset();
    hf::removeTree(dir_);
  }

  static int countOf(const std::vector<std::string> &list, const std::string &item) {
    return static_cast<int>(std::count(list.begin(), list.end(), item));
  }
  static std::vector<std::string> extractingLines() {
    std::vector<std::string> lines;
    for (const std::string &name : hf::shaderMemberNames()) lines.push_back(" extracting: " + name);
    return lines;
  }
  // Runs muExtrFile2 and returns its result with the lines it printed.
  static int extractShaders(std::vector<std::string> *lines) {
    hf::StdoutCapture out;
    const int result = muExtrFile2();
    *lines = splitLines(out.finish());
    return result;
  }
  // Runs do_extract_currentfile on member `index` of `archive`.
  static int extractAt(const std::string &archive, int index, std::string *printed) {
    unzFile uf = unzOpen(archive.c_str());
    EXPECT_NE(uf, nullptr);
    EXPECT_EQ(unzGoToFirstFile(uf), UNZ_OK);
    for (int i = 0; i < index; ++i) EXPECT_EQ(unzGoToNextFile(uf), UNZ_OK);
    hf::StdoutCapture out;
    const int result = do_extract_currentfile(uf);
    *printed = out.finish();
    unzClose(uf);
    return result;
  }

  std::string dir_;
  std::unique_ptr<hf::ScopedChdir> cd_;
  mode_t savedMask_ = 0;
};

TEST_F(UnzipExtraction, WithNeitherArchiveEveryMemberIsReportedMissingInTableOrder) {
  hf::StdoutCapture out;
  const int music = muExtrFile1();
  const int shaders = muExtrFile2();
  const std::vector<std::string> lines = splitLines(out.finish());

  EXPECT_EQ(music, 2);
  EXPECT_EQ(shaders, 2);
  std::vector<std::string> expected = {"file audio/velvora.mod not found in the zipfile"};
  for (const std::string &name : hf::shaderMemberNames())
    expected.push_back("file " + name + " not found in the zipfile");
  EXPECT_EQ(lines, expected);
  EXPECT_TRUE(hf::filesUnder(".").empty());
  EXPECT_TRUE(calls().mkdirs.empty());
}

TEST_F(UnzipExtraction, MissingShadersDirectoryIsMadeOnceUnderTheUmask) {
  const std::vector<hf::ZipMember> members = hf::shaderArchiveMembers();
  hf::writeArchive("shaders.zip", members);
  ASSERT_FALSE(HasFatalFailure());
  const std::string archive = hf::readFile("shaders.zip");

  for (mode_t mask : {mode_t{0}, mode_t{022}, mode_t{077}}) {
    SCOPED_TRACE("umask " + std::to_string(mask));
    hf::removeTree("shaders");
    calls() = {};
    umask(mask);
    std::vector<std::string> lines;
    EXPECT_EQ(extractShaders(&lines), 0);
    umask(022);

    EXPECT_EQ(lines, extractingLines());
    struct stat st;
    ASSERT_EQ(stat("shaders", &st), 0);
    EXPECT_TRUE(S_ISDIR(st.st_mode));
    EXPECT_EQ(st.st_mode & 07777, 0775 & ~mask);
    // One creation, and only the first member needed a second open.
    EXPECT_EQ(calls().mkdirs, std::vector<std::string>{"shaders"});
    for (const hf::ZipMember &m : members) {
      const int opens = m.name == "shaders/basic3d.vs" ? 2 : 1;
      EXPECT_EQ(countOf(calls().fopens, m.name), opens) << m.name;
      EXPECT_EQ(hf::readFile(m.name), m.data) << m.name;
    }
  }
  EXPECT_EQ(hf::readFile("shaders.zip"), archive);
}

TEST_F(UnzipExtraction, SecondStartRewritesEveryMemberWithItsStoredDate) {
  const std::vector<hf::ZipMember> members = hf::shaderArchiveMembers(kMarch1st);
  hf::writeArchive("shaders.zip", members);
  hf::writeArchive("music.zip", {member("audio/velvora.mod", hf::memberData("mod", 5000), kMarch1st)});
  ASSERT_FALSE(HasFatalFailure());
  std::vector<std::string> lines;
  ASSERT_EQ(extractShaders(&lines), 0);
  {
    hf::StdoutCapture out;
    ASSERT_EQ(muExtrFile1(), 0);
  }
  struct stat first;
  ASSERT_EQ(stat("shaders/perlin.fs", &first), 0);

  // What an earlier run left, edited since: other bytes, other dates.
  const struct utimbuf later = {first.st_atime + 86400, first.st_mtime + 86400};
  for (const hf::ZipMember &m : members) {
    hf::writeFile(m.name, "edited, and longer than nothing at all " + m.name);
    utime(m.name.c_str(), &later);
  }
  hf::writeFile("audio/velvora.mod", "x");
  calls() = {};

  ASSERT_EQ(extractShaders(&lines), 0);
  EXPECT_EQ(lines, extractingLines());
  {
    hf::StdoutCapture out;
    EXPECT_EQ(muExtrFile1(), 0);
    EXPECT_EQ(out.finish(), " extracting: audio/velvora.mod\n");
  }
  EXPECT_TRUE(calls().mkdirs.empty());
  for (const hf::ZipMember &m : members) {
    struct stat st;
    ASSERT_EQ(stat(m.name.c_str(), &st), 0);
    EXPECT_EQ(hf::readFile(m.name), m.data) << m.name;
    EXPECT_EQ(st.st_mtime, first.st_mtime) << m.name;
    EXPECT_EQ(st.st_atime, first.st_mtime) << m.name;
  }
  EXPECT_EQ(hf::readFile("audio/velvora.mod"), hf::memberData("mod", 5000));
}

// The stored date is local time; mktime settles daylight saving itself.
TEST_F(UnzipExtraction, StoredDateBecomesLocalAccessAndModificationTime) {
  struct Case {
    const char *tz;
    hf::ZipDate date;
    time_t expected;  // seconds since the epoch, worked out by hand
  };
  const Case cases[] = {
      {"UTC0", kMarch1st, 1740830400},
      {"CET-1CEST,M3.5.0,M10.5.0/3", kMarch1st, 1740830400 - 3600},
      {"CET-1CEST,M3.5.0,M10.5.0/3", {2025, 7, 1, 12, 0, 0}, 1751371200 - 7200},
      {"EST5EDT,M3.2.0,M11.1.0", {1999, 12, 31, 23, 59, 58}, 946684798 + 5 * 3600},
  };
  for (const Case &c : cases) {
    SCOPED_TRACE(c.tz);
    hf::ScopedTimeZone zone(c.tz);
    hf::writeArchive("music.zip", {member("audio/velvora.mod", "M.K.", c.date)});
    ASSERT_FALSE(HasFatalFailure());
    hf::StdoutCapture out;
    EXPECT_EQ(muExtrFile1(), 0);
    out.finish();
    struct stat st;
    ASSERT_EQ(stat("audio/velvora.mod", &st), 0);
    EXPECT_EQ(st.st_mtime, c.expected);
    EXPECT_EQ(st.st_atime, c.expected);
  }
}

TEST_F(UnzipExtraction, CrcMismatchIsReportedAtCloseAfterTheWholeFileIsWritten) {
  const std::string data = hf::memberData("crc", 30000);
  hf::ZipMember bad = member("audio/velvora.mod", data);
  bad.deflate = false;
  bad.raw = hf::RawMember{0x12345678u, static_cast<uint32_t>(data.size())};
  hf::writeArchive("music.zip", {bad});
  ASSERT_FALSE(HasFatalFailure());

  hf::StdoutCapture out;
  EXPECT_EQ(muExtrFile1(), 1);
  EXPECT_EQ(out.finish(),
            " extracting: audio/velvora.mod\n"
            "error -105 with zipfile in unzCloseCurrentFile\n");
  EXPECT_EQ(hf::readFile("audio/velvora.mod"), data);
}

TEST_F(UnzipExtraction, CorruptCompressedDataIsAReadError) {
  hf::ZipMember bad = member("audio/velvora.mod", std::string(64, '\xff'));  // reserved block type
  bad.raw = hf::RawMember{0, 1000};
  hf::writeArchive("music.zip", {bad});
  ASSERT_FALSE(HasFatalFailure());

  hf::StdoutCapture out;
  EXPECT_EQ(muExtrFile1(), 1);
  EXPECT_EQ(out.finish(),
            " extracting: audio/velvora.mod\n"
            "error -3 with zipfile in unzReadCurrentFile\n");
}

TEST_F(UnzipExtraction, TruncatedOrGarbageArchiveHasNoMembers) {
  hf::writeArchive("whole.zip", hf::shaderArchiveMembers());
  ASSERT_FALSE(HasFatalFailure());
  const std::string whole = hf::readFile("whole.zip");
  std::string garbage = hf::memberData("garbage", 5000);
  std::string fakeEnd = "PK\x05\x06" + std::string(18, '\xee');  // end record pointing nowhere
  const std::vector<std::string> broken = {"",
                                           "P",
                                           whole.substr(0, 22),
                                           whole.substr(0, whole.size() / 2),
                                           whole.substr(0, whole.size() - 30),
                                           garbage,
                                           garbage + fakeEnd};
  for (size_t i = 0; i < broken.size(); ++i) {
    SCOPED_TRACE("broken archive " + std::to_string(i));
    hf::writeFile("shaders.zip", broken[i]);
    std::vector<std::string> lines;
    EXPECT_EQ(extractShaders(&lines), 2);
    ASSERT_EQ(lines.size(), 11u);
    for (size_t m = 0; m < lines.size(); ++m)
      EXPECT_EQ(lines[m], "file " + hf::shaderMemberNames()[m] + " not found in the zipfile");
    EXPECT_FALSE(hf::exists("shaders"));
  }
}

TEST_F(UnzipExtraction, MembersAreMatchedByExactNameAndOthersAreLeftAlone) {
  hf::writeArchive("shaders.zip",
                   {member("shaders/Basic3d.vs", "a"), member("shaders\\perlin.fs", "b"), member("shaders/br.fs", "c"),
                    member("../outside.fs", "d"), member("shaders/extra.fs", "e")});
  ASSERT_FALSE(HasFatalFailure());
  std::vector<std::string> lines;
  EXPECT_EQ(extractShaders(&lines), 2);
  ASSERT_EQ(lines.size(), 11u);
  EXPECT_EQ(lines[0], "file shaders/basic3d.vs not found in the zipfile");
  EXPECT_EQ(lines[1], "file shaders/perlin.fs not found in the zipfile");
  EXPECT_EQ(lines[2], " extracting: shaders/br.fs");
  EXPECT_EQ(hf::filesUnder("."), (std::vector<std::string>{"shaders.zip", "shaders/br.fs"}));
  EXPECT_FALSE(hf::exists("../outside.fs"));
}

// "a" is a link to nothing: making "a/b" finds no parent.
TEST_F(UnzipExtraction, DirectoryThatCannotBeMadeIsReportedAndNothingIsWritten) {
  hf::writeArchive("deep.zip", {member("a/b/c.txt", "content")});
  ASSERT_FALSE(HasFatalFailure());
  ASSERT_EQ(symlink("missing-target", "a"), 0);

  std::string printed;
  EXPECT_EQ(extractAt("deep.zip", 0, &printed), -1);
  EXPECT_EQ(printed,
            "couldn't create directory a/b\n"
            "error opening a/b/c.txt\n");
  // The whole path first, then parent by parent until one has no parent.
  EXPECT_EQ(calls().mkdirs, (std::vector<std::string>{"a/b", "a", "a/b"}));
  EXPECT_FALSE(hf::exists("missing-target"));
  EXPECT_EQ(hf::filesUnder("."), std::vector<std::string>{"deep.zip"});
}

// The working directory itself is gone: "shaders" has no parent to go in.
TEST_F(UnzipExtraction, ShadersDirectoryWithoutAParentIsReported) {
  hf::writeArchive("shaders.zip", hf::shaderArchiveMembers());
  ASSERT_FALSE(HasFatalFailure());
  unzFile uf = unzOpen("shaders.zip");
  ASSERT_NE(uf, nullptr);
  ASSERT_EQ(unzLocateFile(uf, "shaders/basic3d.vs", 0), UNZ_OK);
  ASSERT_EQ(unlink("shaders.zip"), 0);
  ASSERT_EQ(rmdir(dir_.c_str()), 0);

  hf::StdoutCapture out;
  EXPECT_EQ(do_extract_currentfile(uf), -1);
  EXPECT_EQ(out.finish(),
            "couldn't create directory shaders\n"
            "error opening shaders/basic3d.vs\n");
  unzClose(uf);
}

// A plain file named "shaders" is in the way: no member can be written.
TEST_F(UnzipExtraction, OutputThatCannotBeOpenedIsAFailedMember) {
  hf::writeArchive("shaders.zip", hf::shaderArchiveMembers());
  ASSERT_FALSE(HasFatalFailure());
  hf::writeFile("shaders", "in the way");

  std::vector<std::string> lines;
  EXPECT_EQ(extractShaders(&lines), 1);
  std::vector<std::string> expected;
  for (const std::string &name : hf::shaderMemberNames()) expected.push_back("error opening " + name);
  EXPECT_EQ(lines, expected);
  EXPECT_EQ(hf::readFile("shaders"), "in the way");
}

// The output is a link to /dev/full: every write fails with ENOSPC, for a
// member held in the stream's buffer until the close as for a larger one.
TEST_F(UnzipExtraction, FullDiskIsAWriteError) {
  if (!hf::exists("/dev/full")) GTEST_SKIP() << "no /dev/full";
  ASSERT_EQ(mkdir("audio", 0775), 0);
  ASSERT_EQ(symlink("/dev/full", "audio/velvora.mod"), 0);
  for (size_t size : {size_t{100}, size_t{100000}}) {
    SCOPED_TRACE(size);
    hf::writeArchive("music.zip", {member("audio/velvora.mod", hf::memberData("full", size))});
    ASSERT_FALSE(HasFatalFailure());
    hf::StdoutCapture out;
    EXPECT_EQ(muExtrFile1(), 1);
    EXPECT_EQ(out.finish(),
              " extracting: audio/velvora.mod\n"
              "error in writing extracted file\n");
  }
}

TEST_F(UnzipExtraction, StoredNamesUpTo255BytesAreKeptWhole) {
  std::string deep;
  while (deep.size() < 240) deep += "abcdefghi/";
  const std::string longest = deep + std::string(255 - deep.size(), 'x');
  const std::string tooLong = longest + "y";
  hf::writeArchive("names.zip", {member(longest, "deep"), member(tooLong, "deeper")});
  ASSERT_FALSE(HasFatalFailure());

  std::string printed;
  EXPECT_EQ(extractAt("names.zip", 0, &printed), 0);
  EXPECT_EQ(printed, " extracting: " + longest + "\n");
  EXPECT_EQ(hf::readFile(longest), "deep");

  EXPECT_EQ(extractAt("names.zip", 1, &printed), UNZ_BADZIPFILE);
  EXPECT_EQ(printed, "error -103 with zipfile in unzGetCurrentFileInfo\n");
  EXPECT_EQ(hf::filesUnder("."), (std::vector<std::string>{longest, "names.zip"}));
}

TEST_F(UnzipExtraction, MymkdirMakesOneLevelUnderTheUmask) {
  umask(002);
  EXPECT_EQ(mymkdir("one"), 0);
  EXPECT_NE(mymkdir("one"), 0);
  EXPECT_NE(mymkdir("two/three"), 0);
  struct stat st;
  ASSERT_EQ(stat("one", &st), 0);
  EXPECT_EQ(st.st_mode & 07777, 0775u);
  EXPECT_FALSE(hf::exists("two"));
}

}  // namespace
