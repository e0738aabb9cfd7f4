#include "gl4d/offline/whole_file.h"

#include <fcntl.h>
#include <linux/capability.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstring>

#include "gl4d/offline/stop_signals.h"

namespace gl4d {

namespace {

// ".name.PID-N.part" beside path: unique among processes and in this one.
std::string temporaryName(const std::string &path, unsigned serial) {
  const size_t cut = path.find_last_of('/') + 1;  // 0 without a slash
  return path.substr(0, cut) + "." + path.substr(cut) + "." + std::to_string(getpid()) + "-" +
         std::to_string(serial) + ".part";
}

// Whether the file we are about to write through fd is still the one at
// name: a file swapped in meanwhile is not ours to rename into place.
bool stillAt(int fd, const std::string &name) {
  struct stat ours {}, there {};
  return fstat(fd, &ours) == 0 && lstat(name.c_str(), &there) == 0 && ours.st_dev == there.st_dev &&
         ours.st_ino == there.st_ino;
}

// CAP_FOWNER: the right to replace other users' files in sticky directories.
bool mayReplaceOthersFiles() {
  __user_cap_header_struct header = {_LINUX_CAPABILITY_VERSION_3, 0};
  __user_cap_data_struct caps[_LINUX_CAPABILITY_U32S_3] = {};
  return syscall(SYS_capget, &header, caps) == 0 && (caps[0].effective & (1u << CAP_FOWNER));
}

bool writeAll(int fd, const std::string &data) {
  for (size_t done = 0; done < data.size();) {
    const ssize_t n = write(fd, data.data() + done, data.size() - done);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    done += static_cast<size_t>(n);
  }
  return true;
}

}  // namespace

bool canWriteWhole(const std::string &path, std::string *error, bool viaWriteWhole) {
  const size_t slash = path.find_last_of('/');
  const std::string dir = slash == std::string::npos ? "." : slash == 0 ? "/" : path.substr(0, slash);
  // The longest name this process can give it on the way.
  const std::string longest = viaWriteWhole ? temporaryName(path, UINT_MAX) : path;
  const long dirNameMax = pathconf(dir.c_str(), _PC_NAME_MAX);
  const size_t nameMax = dirNameMax > 0 ? static_cast<size_t>(dirNameMax) : NAME_MAX;
  if (longest.size() >= PATH_MAX || longest.size() - (slash + 1) > nameMax) {
    *error = "cannot write " + path + ": the name is too long (" +
             (viaWriteWhole ? "its temporary name beside it would be " : "") + "longer than " +
             std::to_string(nameMax) + " characters)";
    return false;
  }
  struct stat st {}, dirSt {};
  const bool exists = stat(path.c_str(), &st) == 0;
  if (exists && !S_ISREG(st.st_mode)) {
    *error = "cannot write " + path + ": " + (S_ISDIR(st.st_mode) ? "a directory" : "something other than a file") +
             " stands there";
    return false;
  }
  if (stat(dir.c_str(), &dirSt) != 0 || !S_ISDIR(dirSt.st_mode)) {
    *error = "cannot write " + path + ": there is no directory " + dir;
    return false;
  }
  if (access(dir.c_str(), W_OK) != 0) {
    *error = "cannot write into " + dir + ": " + std::strerror(errno);
    return false;
  }
  // The kernel's rule for renaming over a file in a sticky directory.
  const uid_t me = geteuid();
  if (exists && (dirSt.st_mode & S_ISVTX) && st.st_uid != me && dirSt.st_uid != me && !mayReplaceOthersFiles()) {
    *error = "cannot write " + path + ": it belongs to another user, in a directory where only its owner may " +
             "replace it";
    return false;
  }
  return true;
}

bool writeWhole(const std::string &path, const std::string &data, bool commit, std::string *error) {
  static unsigned wholeFilePartsMade = 0;
  const std::string tmp = temporaryName(path, ++wholeFilePartsMade);
  // A second stop signal waits until the temporary file is gone or renamed.
  const StopSignalsHeld held;
  // Made with the umask's mode, as the file itself would be (mkstemp's 0600
  // would stay after the rename). O_EXCL: a planted link is not followed.
  const int fd = open(tmp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0666);
  if (fd < 0) {
    *error = "cannot write beside " + path + ": " + std::strerror(errno);
    return false;
  }
  const bool written = writeAll(fd, data);
  const bool ours = stillAt(fd, tmp);
  if (close(fd) != 0 || !written || !ours) {
    if (ours) unlink(tmp.c_str());
    *error = "cannot write " + path + (ours ? "" : ": its temporary file was replaced meanwhile");
    return false;
  }
  if (commit && !commitRun()) {
    unlink(tmp.c_str());
    *error = "stopped before " + path + " was written";
    return false;
  }
  if (std::rename(tmp.c_str(), path.c_str()) != 0) {
    *error = "cannot write " + path + ": " + std::strerror(errno);
    unlink(tmp.c_str());
    return false;
  }
  return true;
}

}  // namespace gl4d
