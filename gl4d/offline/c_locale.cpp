#include "gl4d/offline/c_locale.h"

namespace gl4d {

namespace {
// Made once, never freed: every thread may use it until the process ends.
locale_t cLocale() {
  static const locale_t c = newlocale(LC_ALL_MASK, "C", static_cast<locale_t>(0));
  return c;
}
}  // namespace

CNumbers::CNumbers() : previous_(cLocale() ? uselocale(cLocale()) : static_cast<locale_t>(0)) {}

CNumbers::~CNumbers() {
  if (previous_) uselocale(previous_);
}

}  // namespace gl4d
