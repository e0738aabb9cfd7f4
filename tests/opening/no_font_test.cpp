// Without the font (its directory hidden by an empty mount in a private
// mount namespace) huit and the credits say so and go on with empty quads.
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <string>

namespace {

struct ProbeRun {
  int status = -1;
  std::string out, err;
};

std::string slurp(const std::string &path) {
  std::string s;
  if (FILE *f = std::fopen(path.c_str(), "r")) {
    char buf[4096];
    size_t n;
    while ((n = std::fread(buf, 1, sizeof buf, f)) > 0) s.append(buf, n);
    std::fclose(f);
  }
  return s;
}

// The probe in a mount namespace of its own, the font directory covered.
ProbeRun probeWithoutFont() {
  const std::string out = std::string(HONEYFOLD_BINARY_DIR) + "/no_font_probe.out";
  const std::string err = std::string(HONEYFOLD_BINARY_DIR) + "/no_font_probe.err";
  const std::string cmd = "unshare -m sh -c 'mount -t tmpfs tmpfs /usr/share/fonts/truetype/liberation && exec \"$0\"' " +
                          std::string(NO_FONT_PROBE) + " >" + out + " 2>" + err;
  ProbeRun r;
  const int s = std::system(cmd.c_str());
  r.status = WIFEXITED(s) ? WEXITSTATUS(s) : -1;
  r.out = slurp(out);
  r.err = slurp(err);
  return r;
}

size_t count(const std::string &s, const std::string &what) {
  size_t n = 0;
  for (size_t p = s.find(what); p != std::string::npos; p = s.find(what, p + 1)) ++n;
  return n;
}

TEST(NoFont, HuitAndTheCreditsSaySoAndDrawEmptyQuads) {
  if (geteuid() != 0 || std::system("unshare -m true 2>/dev/null") != 0)
    GTEST_SKIP() << "hiding the font directory needs a private mount namespace (root)";
  const ProbeRun r = probeWithoutFont();
  ASSERT_EQ(r.status, 0) << r.err;
  ASSERT_NE(r.out.find("font reachable: 0\n"), std::string::npos) << "the font was not hidden: " << r.out;
  EXPECT_EQ(count(r.err, "TTF_OpenFont: "), 2u) << r.err;
  EXPECT_EQ(r.err.rfind("TTF_OpenFont: ", 0), 0u) << "huit's message comes first: " << r.err;
  EXPECT_EQ(count(r.err, "Dimensions de la texture"), 0u) << r.err;
  EXPECT_NE(r.out.find("huit brightest: 0\n"), std::string::npos) << r.out;
  EXPECT_NE(r.out.find("credits brightest: 0\n"), std::string::npos) << r.out;
}

}  // namespace
