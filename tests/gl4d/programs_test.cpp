// Programs from tagged files: a working program links; a broken or missing
// file gives 0 and a message that names it.
#include <gtest/gtest.h>

#include <fstream>
#include <string>

#include "gl4d/gl4d.h"
#include "support/gl_test.h"
#include "support/run_dir.h"

namespace {

class Programs : public hf::GlTest {
 protected:
  void SetUp() override {
    hf::GlTest::SetUp();
    dir_ = hf::makeTempDir("programs");
    write("ok.vs", "#version 330 core\nlayout(location = 0) in vec3 p;\nvoid main() { gl_Position = vec4(p, 1.0); }\n");
    write("ok.fs", "#version 330 core\nout vec4 c;\nvoid main() { c = vec4(1.0); }\n");
    write("broken.fs", "#version 330 core\nout vec4 c;\nvoid main() { c = vec4(1.0) }\n");
    write("other.fs", "#version 330 core\nvec4 definedNowhere();\nout vec4 c;\nvoid main() { c = definedNowhere(); }\n");
  }
  void TearDown() override {
    hf::removeTree(dir_);
    hf::GlTest::TearDown();
  }
  void write(const std::string &name, const std::string &text) { std::ofstream(dir_ + "/" + name) << text; }
  std::string tagged(const char *tag, const std::string &name) { return tag + dir_ + "/" + name; }
  std::string dir_;
};

TEST_F(Programs, ValidSourcesLinkIntoAProgram) {
  const GLuint p = gl4duCreateProgram(tagged("<vs>", "ok.vs").c_str(), tagged("<fs>", "ok.fs").c_str(), nullptr);
  ASSERT_NE(p, 0u);
  GLint linked = 0;
  glGetProgramiv(p, GL_LINK_STATUS, &linked);
  EXPECT_EQ(linked, GL_TRUE);
}

TEST_F(Programs, ACompileErrorGivesZeroAndNamesTheFile) {
  testing::internal::CaptureStderr();
  const GLuint p = gl4duCreateProgram(tagged("<vs>", "ok.vs").c_str(), tagged("<fs>", "broken.fs").c_str(), nullptr);
  const std::string err = testing::internal::GetCapturedStderr();
  EXPECT_EQ(p, 0u);
  EXPECT_NE(err.find("broken.fs"), std::string::npos) << err;
  EXPECT_NE(err.find("does not compile"), std::string::npos) << err;
}

TEST_F(Programs, AMissingFileGivesZeroAndNamesTheFile) {
  testing::internal::CaptureStderr();
  const GLuint p = gl4duCreateProgram(tagged("<vs>", "nowhere.vs").c_str(), tagged("<fs>", "ok.fs").c_str(), nullptr);
  const std::string err = testing::internal::GetCapturedStderr();
  EXPECT_EQ(p, 0u);
  EXPECT_NE(err.find("nowhere.vs"), std::string::npos) << err;
}

TEST_F(Programs, AnUntaggedPathIsRefused) {
  testing::internal::CaptureStderr();
  const GLuint p = gl4duCreateProgram((dir_ + "/ok.vs").c_str(), nullptr);
  const std::string err = testing::internal::GetCapturedStderr();
  EXPECT_EQ(p, 0u);
  EXPECT_NE(err.find("ok.vs"), std::string::npos) << err;
}

TEST_F(Programs, ALinkErrorGivesZeroAndNamesTheFiles) {
  testing::internal::CaptureStderr();
  const GLuint p = gl4duCreateProgram(tagged("<vs>", "ok.vs").c_str(), tagged("<fs>", "other.fs").c_str(), nullptr);
  const std::string err = testing::internal::GetCapturedStderr();
  EXPECT_EQ(p, 0u);
  EXPECT_NE(err.find("other.fs"), std::string::npos) << err;
  EXPECT_NE(err.find("link"), std::string::npos) << err;
}

}  // namespace
