// Shared by the extraction, path-helper and whole-binary tests: scratch
// working directories, archives written with minizip's zip API, captured
// standard output and child processes.
#pragma once

#include <sys/types.h>

#include <string>
#include <vector>

#include "tools/zip_writer.h"

namespace hf {

// The shader members in the order the demo extracts them.
const std::vector<std::string> &shaderMemberNames();

std::string readFile(const std::string &path);
void writeFile(const std::string &path, const std::string &data);
bool exists(const std::string &path);
// Regular files under dir, relative to it, sorted.
std::vector<std::string> filesUnder(const std::string &dir);
std::vector<std::string> splitLines(const std::string &text);

// Bytes that differ from member to member and do not compress to nothing.
std::string memberData(const std::string &name, size_t size);
ZipMember member(const std::string &name, const std::string &data, ZipDate date = {});
// Writes the archive or fails the current test (check HasFatalFailure()).
void writeArchive(const std::string &path, const std::vector<ZipMember> &members);
// Every shader member, with the given date; one of them spans several reads.
std::vector<ZipMember> shaderArchiveMembers(ZipDate date = {});

// Collects what is written to file descriptor 1 (printf included).
class StdoutCapture {
 public:
  StdoutCapture();
  ~StdoutCapture();
  std::string finish();
  StdoutCapture(const StdoutCapture &) = delete;
  StdoutCapture &operator=(const StdoutCapture &) = delete;

 private:
  int saved_ = -1;
  int file_ = -1;
};

// The local time zone for the life of the object.
class ScopedTimeZone {
 public:
  explicit ScopedTimeZone(const char *tz);
  ~ScopedTimeZone();

 private:
  std::string previous_;
  bool had_ = false;
};

struct ProgramRun {
  int status = -1;  // exit status, or -1 when the program did not exit normally
  std::string out, err;
};
// Runs argv in dir with the environment changed by `set` ("NAME=value") and
// `unset` (names), and collects its output.
ProgramRun runProgram(const std::vector<std::string> &argv, const std::string &dir, const std::vector<std::string> &set,
                      const std::vector<std::string> &unset);

}  // namespace hf
