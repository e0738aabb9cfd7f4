#include "unzip_test_support.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "support/run_dir.h"

namespace fs = std::filesystem;

namespace hf {

const std::vector<std::string> &shaderMemberNames() {
  static const std::vector<std::string> names = {"shaders/basic3d.vs", "shaders/perlin.fs", "shaders/br.fs",
                                                 "shaders/tex.fs",     "shaders/spi.fs",    "shaders/mix.fs",
                                                 "shaders/credits.fs", "shaders/basic.fs",  "shaders/perlin.vs",
                                                 "shaders/basic.vs",   "shaders/fond.fs"};
  return names;
}

std::string readFile(const std::string &path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream all;
  all << in.rdbuf();
  return all.str();
}

void writeFile(const std::string &path, const std::string &data) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out << data;
}

bool exists(const std::string &path) {
  std::error_code ignored;
  return fs::exists(fs::symlink_status(path, ignored));
}

std::vector<std::string> filesUnder(const std::string &dir) {
  std::vector<std::string> found;
  std::error_code ec;
  for (auto it = fs::recursive_directory_iterator(dir, ec); !ec && it != fs::recursive_directory_iterator();
       it.increment(ec))
    if (it->is_regular_file()) found.push_back(fs::relative(it->path(), dir).string());
  std::sort(found.begin(), found.end());
  return found;
}

std::vector<std::string> splitLines(const std::string &text) {
  std::vector<std::string> lines;
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);) lines.push_back(line);
  return lines;
}

std::string memberData(const std::string &name, size_t size) {
  std::string data;
  data.reserve(size);
  unsigned state = 2166136261u;
  for (char c : name) state = (state ^ static_cast<unsigned char>(c)) * 16777619u;
  while (data.size() < size) {
    state = state * 1103515245u + 12345u;
    data.push_back(static_cast<char>('a' + (state >> 16) % 26));
  }
  return data;
}

ZipMember member(const std::string &name, const std::string &data, ZipDate date) {
  ZipMember m;
  m.name = name;
  m.data = data;
  m.date = date;
  return m;
}

void writeArchive(const std::string &path, const std::vector<ZipMember> &members) {
  std::string error;
  ASSERT_TRUE(writeZip(path, members, &error)) << error;
}

std::vector<ZipMember> shaderArchiveMembers(ZipDate date) {
  std::vector<ZipMember> members;
  for (const std::string &name : shaderMemberNames()) {
    // basic.fs is larger than the working buffer: many reads, many writes.
    const size_t size = name == "shaders/basic.fs" ? 200000 : 300 + name.size() * 17;
    members.push_back(member(name, memberData(name, size), date));
  }
  return members;
}

StdoutCapture::StdoutCapture() {
  std::fflush(stdout);
  saved_ = dup(1);
  char pattern[] = "/tmp/honeyfold-stdout-XXXXXX";
  file_ = mkstemp(pattern);
  unlink(pattern);
  dup2(file_, 1);
}

std::string StdoutCapture::finish() {
  if (saved_ < 0) return {};
  std::fflush(stdout);
  dup2(saved_, 1);
  close(saved_);
  saved_ = -1;
  std::string text;
  char block[4096];
  ssize_t got;
  lseek(file_, 0, SEEK_SET);
  while ((got = read(file_, block, sizeof block)) > 0) text.append(block, static_cast<size_t>(got));
  close(file_);
  file_ = -1;
  return text;
}

StdoutCapture::~StdoutCapture() { finish(); }

ScopedTimeZone::ScopedTimeZone(const char *tz) {
  if (const char *old = std::getenv("TZ")) {
    had_ = true;
    previous_ = old;
  }
  setenv("TZ", tz, 1);
  tzset();
}

ScopedTimeZone::~ScopedTimeZone() {
  if (had_)
    setenv("TZ", previous_.c_str(), 1);
  else
    unsetenv("TZ");
  tzset();
}

ProgramRun runProgram(const std::vector<std::string> &argv, const std::string &dir, const std::vector<std::string> &set,
                      const std::vector<std::string> &unset) {
  const std::string outputs = makeTempDir("honeyfold-run");
  const std::string outPath = outputs + "/out", errPath = outputs + "/err";
  std::fflush(nullptr);
  const pid_t pid = fork();
  if (pid == 0) {
    const int out = open(outPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    const int err = open(errPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    if (out < 0 || err < 0 || chdir(dir.c_str()) != 0) _exit(127);
    dup2(out, 1);
    dup2(err, 2);
    for (const std::string &name : unset) unsetenv(name.c_str());
    for (const std::string &pair : set) putenv(const_cast<char *>(pair.c_str()));
    std::vector<char *> args;
    for (const std::string &a : argv) args.push_back(const_cast<char *>(a.c_str()));
    args.push_back(nullptr);
    execv(args[0], args.data());
    _exit(127);
  }
  ProgramRun run;
  int status = 0;
  if (pid > 0 && waitpid(pid, &status, 0) == pid && WIFEXITED(status)) run.status = WEXITSTATUS(status);
  run.out = readFile(outPath);
  run.err = readFile(errPath);
  removeTree(outputs);
  return run;
}

}  // namespace hf
