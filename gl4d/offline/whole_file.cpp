#include "gl4d/offline/whole_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace gl4d {

bool canWriteWhole(const std::string &path, std::string *error) {
  const size_t slash = path.find_last_of('/');
  const std::string dir = slash == std::string::npos ? "." : slash == 0 ? "/" : path.substr(0, slash);
  struct stat st {};
  if (stat(path.c_str(), &st) == 0 && !S_ISREG(st.st_mode)) {
    *error = "cannot write " + path + ": " + (S_ISDIR(st.st_mode) ? "a directory" : "something other than a file") +
             " stands there";
    return false;
  }
  if (stat(dir.c_str(), &st) != 0 || !S_ISDIR(st.st_mode)) {
    *error = "cannot write " + path + ": there is no directory " + dir;
    return false;
  }
  if (access(dir.c_str(), W_OK) != 0) {
    *error = "cannot write into " + dir + ": " + std::strerror(errno);
    return false;
  }
  return true;
}

bool writeWhole(const std::string &path, const std::function<bool(const std::string &tmp)> &write,
                std::string *error) {
  // ".name.PID-N.part" beside it: unique among processes and in this one;
  // made with the umask's mode, as the file itself would be (mkstemp's 0600
  // would stay after the rename).
  static unsigned wholeFilePartsMade = 0;
  const size_t cut = path.find_last_of('/') + 1;  // 0 without a slash
  const std::string tmp = path.substr(0, cut) + "." + path.substr(cut) + "." + std::to_string(getpid()) + "-" +
                          std::to_string(++wholeFilePartsMade) + ".part";
  const int fd = open(tmp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
  if (fd < 0) {
    *error = "cannot write beside " + path + ": " + std::strerror(errno);
    return false;
  }
  close(fd);
  if (!write(tmp)) {
    std::remove(tmp.c_str());
    *error = "cannot write " + path;
    return false;
  }
  if (std::rename(tmp.c_str(), path.c_str()) != 0) {
    *error = "cannot write " + path + ": " + std::strerror(errno);
    std::remove(tmp.c_str());
    return false;
  }
  return true;
}

}  // namespace gl4d
