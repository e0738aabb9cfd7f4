// Unpacking the archives into the working directory: members, directories,
// dates, messages and outcomes; and the exported path helpers.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <regex>
#include <sstream>

#include "tools/zip_writer.h"
#include "unzip/gfstdlib.h"
#include "unzip/miniunz.h"

namespace fs = std::filesystem;

namespace {

const char *const kShaders[] = {"shaders/basic3d.vs", "shaders/perlin.fs", "shaders/br.fs",   "shaders/tex.fs",
                                "shaders/spi.fs",     "shaders/mix.fs",    "shaders/credits.fs", "shaders/basic.fs",
                                "shaders/perlin.vs",  "shaders/basic.vs",  "shaders/fond.fs"};
const hf::ZipDate kMarch1st = {2025, 3, 1, 12, 0, 0}, kJuly1st = {2025, 7, 1, 12, 0, 0};

hf::ZipMember member(const std::string &name, const std::string &data, hf::ZipDate date = kMarch1st) {
  hf::ZipMember m;
  m.name = name;
  m.data = data;
  m.date = date;
  return m;
}

std::string readFile(const std::string &path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream s;
  s << in.rdbuf();
  return s.str();
}

// Bytes that differ from member to member; long ones take several reads.
std::string dataOf(const std::string &name, size_t size = 100) {
  std::string d;
  for (size_t i = 0; d.size() < size; ++i) d += name + std::to_string(i * 7919 % 1000) + "\n";
  return d.substr(0, size);
}

// A scratch working directory, and standard output collected.
class Unzip : public ::testing::Test {
 protected:
  void SetUp() override {
    dir_ = fs::temp_directory_path() / ("hf-unzip-" + std::to_string(getpid()));
    fs::create_directories(dir_);
    previous_ = fs::current_path();
    fs::current_path(dir_);
    setenv("TZ", "CET-1CEST,M3.5.0,M10.5.0/3", 1);  // not UTC, and summer time: dates read otherwise are off
    tzset();
  }
  void TearDown() override {
    fs::current_path(previous_);
    fs::remove_all(dir_);
  }
  void archive(const char *path, std::vector<hf::ZipMember> members) {
    std::string error;
    ASSERT_TRUE(hf::writeZip(path, members, &error)) << error;
  }
  // Runs extract with standard output into a file; returns its lines.
  template <typename F>
  std::string output(F extract, int *result) {
    std::fflush(stdout);
    const int saved = dup(1);
    FILE *f = std::fopen("stdout.txt", "w+");
    dup2(fileno(f), 1);
    *result = extract();
    std::fflush(stdout);
    dup2(saved, 1);
    close(saved);
    std::fclose(f);
    const std::string text = readFile("stdout.txt");
    fs::remove("stdout.txt");
    return text;
  }
  fs::path dir_, previous_;
};

TEST_F(Unzip, MembersLandUnderTheirPathsWithTheirDatesAndAreRewrittenAtEveryStart) {
  std::vector<hf::ZipMember> members;
  for (const char *m : kShaders) members.push_back(member(m, dataOf(m, m == kShaders[1] ? 30000 : 100)));
  archive("shaders.zip", members);
  members.push_back(member("audio/velvora.mod", dataOf("mod", 5000), kJuly1st));
  archive("music.zip", {members.back()});
  std::string expected;
  for (const char *m : kShaders) expected += std::string(" extracting: ") + m + "\n";
  umask(020);  // 0775 gives 0755; 0777 would keep other's write, a umask not applied group's
  for (int start = 0; start < 2; ++start) {
    int result = -1;
    EXPECT_EQ(output(muExtrFile2, &result), expected) << "start " << start;
    EXPECT_EQ(result, 0);
    EXPECT_EQ(output(muExtrFile1, &result), " extracting: audio/velvora.mod\n");
    EXPECT_EQ(result, 0);
    for (const hf::ZipMember &m : members) {
      struct stat st = {};
      ASSERT_EQ(stat(m.name.c_str(), &st), 0) << m.name;
      EXPECT_EQ(readFile(m.name), m.data) << m.name;
      const time_t local = m.date.month == 3 ? 1740826800 : 1751364000;  // 11:00 UTC (CET), 10:00 UTC (CEST)
      EXPECT_EQ(st.st_mtime, local) << m.name;
      EXPECT_EQ(st.st_atime, local) << m.name;
    }
    struct stat st = {};
    stat("shaders", &st);
    EXPECT_EQ(st.st_mode & 0777, 0755u) << "0775 under the umask";
    for (const hf::ZipMember &m : members) std::ofstream(m.name) << "edited since";
  }
  umask(022);
}

// A flipped byte in a stored or deflated member, or a stream that ends early (its CRC right for what is there):
// reported, and the file an earlier start extracted stays as it was; the others come out.
TEST_F(Unzip, ADamagedMemberLeavesTheEarlierFileAsItWas) {
  const std::string data = dataOf("crc", 20000);
  for (int damage = 0; damage < 3; ++damage) {
    hf::ZipMember bad = member("shaders/perlin.fs", data);
    bad.deflate = damage == 1;
    if (damage == 2) bad.raw = hf::RawMember{static_cast<uint32_t>(crc32(0, (const Bytef *)data.data(), 20000)), 20100};
    archive("shaders.zip", {member("shaders/basic3d.vs", "a"), bad, member("shaders/fond.fs", "f")});
    std::string zip = readFile("shaders.zip");
    if (damage < 2) zip[zip.find(bad.name) + bad.name.size() + 300] ^= 0x10;  // in the data: no extra fields
    std::ofstream("shaders.zip", std::ios::binary) << zip;
    fs::create_directories("shaders"), std::ofstream("shaders/perlin.fs") << "earlier";
    int result = 0;
    const std::string out = output(muExtrFile2, &result);
    EXPECT_TRUE(std::regex_search(out, std::regex("perlin.fs\nerror -[0-9]+ with zipfile in unz(Read|Close)CurrentFile"))) << out;
    EXPECT_EQ(readFile("shaders/perlin.fs") + readFile("shaders/fond.fs"), "earlierf") << "damage " << damage;
    EXPECT_NE(result, 0);
    EXPECT_EQ(std::distance(fs::directory_iterator("shaders"), {}), 3) << "a temporary file left";
  }
}

TEST_F(Unzip, AFileWhereTheDirectoryShouldBeGivesAnOpeningError) {
  archive("music.zip", {member("audio/velvora.mod", "M.K.")});
  std::ofstream("audio") << "in the way";
  int result = 0;
  EXPECT_EQ(output(muExtrFile1, &result), "error opening audio/velvora.mod\n");
  EXPECT_EQ(result, 1);
  EXPECT_EQ(readFile("audio"), "in the way");
}

TEST(PathHelpers, SplitAtTheLastSlashOrBackslash) {
  const char *cases[][3] = {{"a/b/c.txt", "a/b", "c.txt"}, {"c.txt", "", "c.txt"}, {"/c", "", "c"},
                            {"a/b/", "a/b", ""},           {"a\\b\\c", "a\\b", "c"}, {"a/b\\c/d", "a/b\\c", "d"}};
  for (const auto &c : cases) {
    char *dir = pathOf(c[0]), *name = filenameOf(c[0]);
    EXPECT_STREQ(dir, c[1]) << c[0];
    EXPECT_STREQ(name, c[2]) << c[0];
    std::free(dir);
    std::free(name);
  }
}

TEST_F(Unzip, MoveCopiesEveryByteThenRemovesTheSourceAndLosesNothingOnFailure) {
  const std::string data = dataOf("mv", 50000);
  std::ofstream("src") << data;
  EXPECT_EQ(mv("src", "dst"), MV_OK);
  EXPECT_EQ(readFile("dst"), data);
  EXPECT_FALSE(fs::exists("src"));
  EXPECT_EQ(mv("missing", "other"), MV_NO_SOURCE);
  EXPECT_FALSE(fs::exists("other"));
  EXPECT_EQ(mv("dst", "no/such/dir/x"), MV_NO_DESTINATION);
  EXPECT_EQ(mv("dst", "dst"), MV_SAME_FILE);
  EXPECT_EQ(readFile("dst"), data);
}

}  // namespace
