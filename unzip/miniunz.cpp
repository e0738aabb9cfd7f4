// Extraction of the demo's archives into the working directory. minizip reads
// the archives; this file decides which members, where they go, the
// directories, the time stamps and the messages on standard output.
#undef NDEBUG  // a failed allocation must stop the process in every build
#include "unzip/miniunz.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <utime.h>

#include <cassert>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <string>

#include "unzip/gfstdlib.h"

namespace {

constexpr size_t kNameBufferSize = 256;    // stored names up to 255 bytes
constexpr size_t kWorkBufferSize = 65536;  // one per member
constexpr unsigned kReadSize = 8192;       // asked of each unzReadCurrentFile

const char *const kMusicMembers[] = {"audio/velvora.mod"};
const char *const kShaderMembers[] = {"shaders/basic3d.vs", "shaders/perlin.fs", "shaders/br.fs",
                                      "shaders/tex.fs",     "shaders/spi.fs",    "shaders/mix.fs",
                                      "shaders/credits.fs", "shaders/basic.fs",  "shaders/perlin.vs",
                                      "shaders/basic.vs",   "shaders/fond.fs"};

enum Outcome { kExtracted = 0, kFailed = 1, kNotFound = 2 };

bool isSeparator(char c) { return c == '/' || c == '\\'; }

// Makes every directory of `path`, parents first. A parent that is missing
// after its own creation was tried ends the walk with a message.
void makedir(const char *path) {
  if (!*path) return;
  char *copy = strdup(path);
  assert(copy != nullptr);
  size_t len = strlen(copy);
  if (copy[len - 1] == '/') copy[len - 1] = '\0';
  if (!*copy || mymkdir(copy) == 0) {  // "/" alone: the root is there
    free(copy);
    return;
  }
  for (char *p = copy + 1;; ++p) {
    if (!isSeparator(*p) && *p != '\0') continue;
    const char kept = *p;
    *p = '\0';
    if (mymkdir(copy) != 0 && errno == ENOENT) {
      printf("couldn't create directory %s\n", copy);
      break;
    }
    *p = kept;
    if (kept == '\0') break;
  }
  free(copy);
}

// Access and modification time become the stored date, read as local time.
void applyStoredDate(const char *path, const tm_unz &date) {
  struct tm t = {};
  t.tm_sec = static_cast<int>(date.tm_sec);
  t.tm_min = static_cast<int>(date.tm_min);
  t.tm_hour = static_cast<int>(date.tm_hour);
  t.tm_mday = static_cast<int>(date.tm_mday);
  t.tm_mon = static_cast<int>(date.tm_mon);
  t.tm_year = static_cast<int>(date.tm_year > 1900 ? date.tm_year - 1900 : date.tm_year);
  t.tm_isdst = -1;
  struct utimbuf times;
  times.actime = times.modtime = mktime(&t);
  utime(path, &times);
}

// Opens a new file beside `path` under a name of this start's own
// (PATH.XXXXXXXX.part), so that starts running side by side never share one;
// an existing name, a planted symbolic link included, is never opened.
// The file gets the modes fopen gives (0666 under the umask).
FILE *openUnique(const char *path, std::string *temp) {
  static unsigned serial = 0;
  for (int tries = 0; tries < 64; ++tries) {
    timespec now = {};
    clock_gettime(CLOCK_REALTIME, &now);
    char tail[32];
    const unsigned long mixed = (static_cast<unsigned long>(getpid()) << 20) ^ static_cast<unsigned long>(now.tv_nsec) ^
                                (static_cast<unsigned long>(++serial) * 2654435761ul);
    snprintf(tail, sizeof tail, ".%08lx.part", mixed & 0xfffffffful);
    *temp = std::string(path) + tail;
    const int fd = open(temp->c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0666);
    if (fd >= 0) {
      FILE *out = fdopen(fd, "wb");
      if (!out) {
        close(fd);
        unlink(temp->c_str());
      }
      return out;
    }
    if (errno != EEXIST) return nullptr;
  }
  return nullptr;
}

// Opens the output file's temporary, making its directories when the first
// try fails.
FILE *openOutput(const char *path, std::string *temp) {
  FILE *out = openUnique(path, temp);
  if (out) return out;
  char *dir = pathOf(path);
  const bool hasDir = strpbrk(path, "/\\") != nullptr;
  if (hasDir) {
    makedir(dir);
    out = openUnique(path, temp);
  }
  free(dir);
  return out;
}

// Copies the open member into `out`, counting its bytes and their CRC-32.
// Returns 0 once the whole member is written and the file closed, else the
// read status or -1 for a write that did not complete. `out` is closed in
// every case.
int copyMember(unzFile uf, FILE *out, void *buf, uLong *size, uLong *crc) {
  *size = 0;
  *crc = crc32(0, nullptr, 0);
  for (;;) {
    const int got = unzReadCurrentFile(uf, buf, kReadSize);
    if (got < 0) {
      printf("error %d with zipfile in unzReadCurrentFile\n", got);
      fclose(out);
      return got;
    }
    if (got == 0) break;
    *size += static_cast<uLong>(got);
    *crc = crc32(*crc, static_cast<const Bytef *>(buf), static_cast<uInt>(got));
    if (fwrite(buf, static_cast<size_t>(got), 1, out) != 1) {
      printf("error in writing extracted file\n");
      fclose(out);
      return -1;
    }
  }
  // Buffered bytes reach the disk only here: a failed close is a failed write.
  if (fclose(out) != 0) {
    printf("error in writing extracted file\n");
    return -1;
  }
  return 0;
}

// Extracts `members` of `archive` in order; returns the worst outcome.
int extractMembers(const char *archive, const char *const *members, size_t count) {
  unzFile uf = unzOpen(archive);
  int worst = kExtracted;
  for (size_t i = 0; i < count; ++i) {
    int outcome = kNotFound;
    if (unzLocateFile(uf, members[i], 0) != UNZ_OK)
      printf("file %s not found in the zipfile\n", members[i]);
    else
      outcome = do_extract_currentfile(uf) != 0 ? kFailed : kExtracted;
    if (outcome > worst) worst = outcome;
  }
  unzClose(uf);
  return worst;
}

}  // namespace

int mymkdir(const char *dirname) { return mkdir(dirname, 0775); }

int do_extract_currentfile(unzFile uf) {
  char name[kNameBufferSize];
  unz_file_info info;
  // One byte is kept for the terminator, which minizip leaves out when the
  // name fills the buffer.
  int err = unzGetCurrentFileInfo(uf, &info, name, sizeof name - 1, nullptr, 0, nullptr, 0);
  // A longer name would be cut short and written under another path.
  if (err == UNZ_OK && info.size_filename >= sizeof name) err = UNZ_BADZIPFILE;
  if (err != UNZ_OK) {
    printf("error %d with zipfile in unzGetCurrentFileInfo\n", err);
    return err;
  }
  name[sizeof name - 1] = '\0';

  void *buf = malloc(kWorkBufferSize);
  assert(buf != nullptr);

  err = unzOpenCurrentFilePassword(uf, nullptr);
  if (err != UNZ_OK) {
    printf("error %d with zipfile in unzOpenCurrentFilePassword\n", err);
    unzCloseCurrentFile(uf);
    free(buf);
    return err;
  }

  // Written beside its place and moved there once whole and checked: a
  // member that cannot be written whole (a full disk, corrupt data) or does
  // not check out leaves no partial file, and the file of an earlier start
  // stays as it was.
  std::string part;
  FILE *out = openOutput(name, &part);
  if (!out) {
    printf("error opening %s\n", name);
    unzCloseCurrentFile(uf);
    free(buf);
    return -1;  // nothing was written: not an extracted member
  }
  printf(" extracting: %s\n", name);
  uLong size = 0, crc = 0;
  int result = copyMember(uf, out, buf, &size, &crc);
  // minizip checks the CRC-32 at the close only when the member was read to
  // its declared size: a stream that ends early is checked here, by size
  // and CRC, both.
  const int closed = unzCloseCurrentFile(uf);
  if (result == 0) {
    result = closed != UNZ_OK ? closed : size != info.uncompressed_size || crc != info.crc ? UNZ_CRCERROR : 0;
    if (result != 0) printf("error %d with zipfile in unzCloseCurrentFile\n", result);
  }
  if (result == 0) {
    applyStoredDate(part.c_str(), info.tmu_date);
    if (std::rename(part.c_str(), name) != 0) {
      printf("error in writing extracted file\n");
      result = -1;
    }
  }
  if (result != 0) std::remove(part.c_str());
  free(buf);
  return result;
}

int muExtrFile1(void) {
  return extractMembers("music.zip", kMusicMembers, sizeof kMusicMembers / sizeof *kMusicMembers);
}

int muExtrFile2(void) {
  return extractMembers("shaders.zip", kShaderMembers, sizeof kShaderMembers / sizeof *kShaderMembers);
}
