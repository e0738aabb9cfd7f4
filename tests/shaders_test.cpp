// Every shader as compiled (files with each define, filters in every variant) passes
// Khronos' reference compiler as GLSL 3.30 core: what one driver forgives another may not.
#include <fstream>

#include "gl4d/core/switches.h"
#include "support/gl.h"
#include "support/world.h"

namespace {

std::vector<std::pair<GLenum, std::string>> compiled;
struct Shaders : hf::GlTest {};

TEST_F(Shaders, PassTheReferenceCompilerAsCompiled) {
  if (std::system("glslangValidator --version > /dev/null 2>&1")) {
    std::printf("SKIP: glslangValidator (glslang-tools) is not installed\n");
    GTEST_SKIP();
  }
  gl4duSetShaderSink([](GLenum stage, const char *source) { compiled.emplace_back(stage, source); });
  for (int software : {0, 1}) {
    gl4duSetSoftwareRasterizer(software);
    animationsInit(), beep(0), beep(3);  // with the defines the scenes give, the trace's passes too
    for (const auto &file : std::filesystem::directory_iterator("shaders"))
      gl4duCreateProgram(((file.path().extension() == ".vs" ? "<vs>" : "<fs>") + file.path().string()).c_str(), nullptr);
  }
  gl4duClean(GL4DU_FILTERS);
  gl4dfPrepare(64, 48);
  gl4duSetShaderSink(nullptr), gl4duSetSoftwareRasterizer(-1);
  EXPECT_GT(compiled.size(), 60u) << "the files twice over and every filter program";
  const std::filesystem::path dir = "shaders-as-compiled";  // in the build directory
  std::filesystem::create_directories(dir);
  std::string files;
  for (size_t i = 0; i < compiled.size(); ++i) {
    files += " " + (dir / std::to_string(i)).string() + (compiled[i].first == GL_VERTEX_SHADER ? ".vert" : ".frag");
    std::ofstream(files.substr(files.rfind(' ') + 1)) << compiled[i].second;
  }
  const int status = std::system(("glslangValidator" + files + " > " + (dir / "log").string() + " 2>&1").c_str());
  EXPECT_EQ(status, 0) << std::ifstream(dir / "log").rdbuf();
  std::filesystem::remove_all(dir);
}

}  // namespace
