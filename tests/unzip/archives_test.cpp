// The archives the build packs beside the executable, and the tool that
// packs them.
#include <gtest/gtest.h>
#include <minizip/unzip.h>

#include <string>
#include <vector>

#include "support/run_dir.h"
#include "tools/zip_writer.h"
#include "unzip_test_support.h"

namespace {

struct StoredMember {
  std::string name, data;
  tm_unz date;
};

// Every member of the archive at `path`, in stored order.
std::vector<StoredMember> readArchive(const std::string &path) {
  std::vector<StoredMember> members;
  unzFile uf = unzOpen(path.c_str());
  if (!uf) return members;
  for (int err = unzGoToFirstFile(uf); err == UNZ_OK; err = unzGoToNextFile(uf)) {
    StoredMember m;
    char name[256];
    unz_file_info info;
    if (unzGetCurrentFileInfo(uf, &info, name, sizeof name, nullptr, 0, nullptr, 0) != UNZ_OK) break;
    m.name = name;
    m.date = info.tmu_date;
    if (unzOpenCurrentFile(uf) != UNZ_OK) break;
    char block[4096];
    int got;
    while ((got = unzReadCurrentFile(uf, block, sizeof block)) > 0) m.data.append(block, static_cast<size_t>(got));
    if (unzCloseCurrentFile(uf) != UNZ_OK || got < 0) m.data = "(unreadable)";
    members.push_back(m);
  }
  unzClose(uf);
  return members;
}

void expectPackedDate(const StoredMember &m) {
  const auto date = hf::parseZipDate(HONEYFOLD_ARCHIVE_DATE);
  ASSERT_TRUE(date);
  EXPECT_EQ(m.date.tm_year, static_cast<unsigned>(date->year)) << m.name;
  EXPECT_EQ(m.date.tm_mon + 1, static_cast<unsigned>(date->month)) << m.name;
  EXPECT_EQ(m.date.tm_mday, static_cast<unsigned>(date->day)) << m.name;
  EXPECT_EQ(m.date.tm_hour, static_cast<unsigned>(date->hour)) << m.name;
  EXPECT_EQ(m.date.tm_min, static_cast<unsigned>(date->minute)) << m.name;
  EXPECT_EQ(m.date.tm_sec, static_cast<unsigned>(date->second)) << m.name;
}

TEST(UnzipBuiltArchives, ShadersZipHoldsTheElevenSourcesInExtractionOrder) {
  const std::vector<StoredMember> members = readArchive(HONEYFOLD_BINARY_DIR "/shaders.zip");
  ASSERT_EQ(members.size(), hf::shaderMemberNames().size());
  for (size_t i = 0; i < members.size(); ++i) {
    EXPECT_EQ(members[i].name, hf::shaderMemberNames()[i]);
    EXPECT_EQ(members[i].data, hf::readFile(HONEYFOLD_SOURCE_DIR "/" + members[i].name)) << members[i].name;
    expectPackedDate(members[i]);
  }
}

TEST(UnzipBuiltArchives, MusicZipHoldsTheModule) {
  if (!HONEYFOLD_HAS_MUSIC_ZIP) GTEST_SKIP() << "the build has no soundtrack target yet";
  const std::vector<StoredMember> members = readArchive(HONEYFOLD_BINARY_DIR "/music.zip");
  ASSERT_EQ(members.size(), 1u);
  EXPECT_EQ(members[0].name, "audio/velvora.mod");
  EXPECT_EQ(members[0].data, hf::readFile(HONEYFOLD_BINARY_DIR "/audio/velvora.mod"));
  expectPackedDate(members[0]);
}

class UnzipPackingTool : public ::testing::Test {
 protected:
  void SetUp() override { dir_ = hf::makeTempDir("honeyfold-mkzip"); }
  void TearDown() override { hf::removeTree(dir_); }
  hf::ProgramRun pack(const std::vector<std::string> &args, const std::vector<std::string> &env = {}) {
    std::vector<std::string> argv = {MKZIP_PATH};
    argv.insert(argv.end(), args.begin(), args.end());
    return hf::runProgram(argv, dir_, env, {});
  }
  std::string dir_;
};

// Same sources, same bytes: whatever the time zone or the files' own dates.
TEST_F(UnzipPackingTool, SameSourcesGiveTheSameArchive) {
  std::vector<std::string> args = {"a.zip", HONEYFOLD_ARCHIVE_DATE, HONEYFOLD_SOURCE_DIR};
  args.insert(args.end(), hf::shaderMemberNames().begin(), hf::shaderMemberNames().end());
  ASSERT_EQ(pack(args, {"TZ=UTC0"}).status, 0);
  args[0] = "b.zip";
  ASSERT_EQ(pack(args, {"TZ=NZST-12NZDT,M9.5.0,M4.1.0/3"}).status, 0);
  const std::string a = hf::readFile(dir_ + "/a.zip");
  EXPECT_FALSE(a.empty());
  EXPECT_EQ(a, hf::readFile(dir_ + "/b.zip"));
  EXPECT_EQ(a, hf::readFile(HONEYFOLD_BINARY_DIR "/shaders.zip"));
}

TEST_F(UnzipPackingTool, BadInputIsRefusedWithoutAnArchive) {
  hf::writeFile(dir_ + "/present.txt", "here");
  const hf::ProgramRun missing = pack({"out.zip", "2025-01-01 00:00:00", dir_, "present.txt", "absent.txt"});
  EXPECT_EQ(missing.status, 1);
  EXPECT_NE(missing.err.find("cannot read " + dir_ + "/absent.txt"), std::string::npos) << missing.err;

  for (const char *date : {"2025-13-01 00:00:00", "1979-12-31 23:59:58", "2025-01-01 00:00:01", "yesterday"}) {
    const hf::ProgramRun bad = pack({"out.zip", date, dir_, "present.txt"});
    EXPECT_EQ(bad.status, 2) << date;
    EXPECT_NE(bad.err.find("bad date"), std::string::npos) << bad.err;
  }
  EXPECT_EQ(pack({"out.zip"}).status, 2);
  EXPECT_EQ(hf::filesUnder(dir_), std::vector<std::string>{"present.txt"});
}

TEST(UnzipZipDates, ParseTheFormsTheBuildUses) {
  const auto d = hf::parseZipDate("2025-03-01T12:34:56");
  ASSERT_TRUE(d);
  EXPECT_EQ(d->year, 2025);
  EXPECT_EQ(d->month, 3);
  EXPECT_EQ(d->day, 1);
  EXPECT_EQ(d->hour, 12);
  EXPECT_EQ(d->minute, 34);
  EXPECT_EQ(d->second, 56);
  EXPECT_TRUE(hf::parseZipDate("2107-12-31 23:59:58"));
  EXPECT_FALSE(hf::parseZipDate("2108-01-01 00:00:00"));
  EXPECT_FALSE(hf::parseZipDate("2025-03-01 12:34:56 extra"));
  EXPECT_FALSE(hf::parseZipDate("2025-03-01_12:34:56"));
}

}  // namespace
