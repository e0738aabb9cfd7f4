// Numbers as the C locale writes and reads them, whatever locale the program
// has set: the figures, file names and option values of the layer must not
// change with the user's decimal comma.
#pragma once

#include <locale.h>

namespace gl4d {

// For its lifetime the calling thread formats and parses numbers (printf,
// strtod and their kin) in the C locale; the thread's own comes back after.
class CNumbers {
 public:
  CNumbers();
  ~CNumbers();
  CNumbers(const CNumbers &) = delete;
  CNumbers &operator=(const CNumbers &) = delete;

 private:
  locale_t previous_;
};

}  // namespace gl4d
