// Shader programs from "<vs>path" / "<fs>path" arguments.
#include "gl4d/programs.h"

#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

#include "gl4d/core/internal.h"
#include "gl4d/core/switches.h"

namespace {

std::vector<GLuint> &programs() {
  static std::vector<GLuint> list;
  return list;
}

struct Stage {
  GLenum type;
  std::string path;
};

std::optional<Stage> parseTagged(const char *tagged) {
  static const struct { const char *tag; GLenum type; } tags[] = {
      {"<vs>", GL_VERTEX_SHADER}, {"<fs>", GL_FRAGMENT_SHADER}, {"<gs>", GL_GEOMETRY_SHADER}};
  for (const auto &t : tags)
    if (std::strncmp(tagged, t.tag, 4) == 0) return Stage{t.type, tagged + 4};
  return std::nullopt;
}

std::optional<std::string> readFile(const std::string &path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return std::nullopt;
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

std::string infoLog(GLuint object, bool isProgram) {
  GLint length = 0;
  isProgram ? glGetProgramiv(object, GL_INFO_LOG_LENGTH, &length) : glGetShaderiv(object, GL_INFO_LOG_LENGTH, &length);
  std::string log(static_cast<size_t>(length > 0 ? length : 1), '\0');
  isProgram ? glGetProgramInfoLog(object, length, nullptr, log.data())
            : glGetShaderInfoLog(object, length, nullptr, log.data());
  return log.c_str();
}

// -1: the renderer decides (read once); 0 or 1: forced.
int softwareRasterizer = -1;

bool onSoftwareRasterizer() {
  static const bool software = [] {
    const char *name = reinterpret_cast<const char *>(glGetString(GL_RENDERER));
    return name && (std::strstr(name, "llvmpipe") || std::strstr(name, "softpipe") || std::strstr(name, "swrast"));
  }();
  return softwareRasterizer < 0 ? software : softwareRasterizer == 1;
}

// gl4duDefine's names and values, in the order they were given.
std::vector<std::pair<std::string, std::string>> &defines() {
  static std::vector<std::pair<std::string, std::string>> list;
  return list;
}

void (*shaderSink)(GLenum, const char *) = nullptr;

// The source with the defines after its #version line, and
// GL4D_SOFTWARE_RASTERIZER on a software rasteriser.
std::string withDefines(const std::string &source) {
  std::string lines = onSoftwareRasterizer() ? "#define GL4D_SOFTWARE_RASTERIZER 1\n" : "";
  for (const auto &[name, value] : defines()) lines += "#define " + name + " " + value + "\n";
  if (lines.empty()) return source;
  const size_t version = source.find("#version");
  const size_t end = version == std::string::npos ? 0 : source.find('\n', version);
  const size_t at = end == std::string::npos ? source.size() : end + (version != std::string::npos);
  std::string head = source.substr(0, at);
  if (!head.empty() && head.back() != '\n') head += '\n';
  return head + lines + source.substr(at);
}

// Returns the compiled shader, or 0 after printing why not.
GLuint compile(const Stage &stage) {
  const auto source = readFile(stage.path);
  if (!source) {
    std::fprintf(stderr, "gl4duCreateProgram: cannot read shader file %s\n", stage.path.c_str());
    return 0;
  }
  std::string log;
  const GLuint shader = gl4d::compileShader(stage.type, withDefines(*source), &log);
  if (!shader)
    std::fprintf(stderr, "gl4duCreateProgram: %s does not compile:\n%s\n", stage.path.c_str(), log.c_str());
  return shader;
}

}  // namespace

GLuint gl4duCreateProgram(const char *first, ...) {
  std::vector<const char *> args;
  va_list ap;
  va_start(ap, first);
  for (const char *arg = first; arg; arg = va_arg(ap, const char *)) args.push_back(arg);
  va_end(ap);

  std::vector<GLuint> shaders;
  std::string names;
  bool failed = args.empty();
  for (const char *arg : args) {
    const auto stage = parseTagged(arg);
    if (!stage) {
      std::fprintf(stderr, "gl4duCreateProgram: %s has no <vs>, <fs> or <gs> tag\n", arg);
      failed = true;
      break;
    }
    const GLuint shader = compile(*stage);
    if (!shader) {
      failed = true;
      break;
    }
    shaders.push_back(shader);
    names += (names.empty() ? "" : ", ") + stage->path;
  }

  GLuint program = 0;
  if (!failed) {
    std::string log;
    program = gl4d::linkProgram(shaders, &log);
    if (!program)
      std::fprintf(stderr, "gl4duCreateProgram: %s do not link:\n%s\n", names.c_str(), log.c_str());
    else
      programs().push_back(program);
  }
  for (GLuint s : shaders) glDeleteShader(s);
  return program;
}

void gl4duDefine(const char *name, const char *value) {
  if (!name || !*name) return;
  auto &list = defines();
  for (auto it = list.begin(); it != list.end(); ++it)
    if (it->first == name) {
      list.erase(it);
      break;
    }
  if (value) list.emplace_back(name, value);
}

void gl4duSetShaderSink(void (*sink)(GLenum, const char *)) { shaderSink = sink; }

void gl4duSetSoftwareRasterizer(int which) { softwareRasterizer = which < 0 ? -1 : which != 0; }

GLboolean gl4duIsSoftwareRasterizer(void) { return onSoftwareRasterizer() ? GL_TRUE : GL_FALSE; }

void gl4d::releasePrograms() {
  for (GLuint p : programs()) glDeleteProgram(p);
  programs().clear();
}

GLuint gl4d::compileShader(GLenum type, const std::string &source, std::string *log) {
  if (shaderSink) shaderSink(type, source.c_str());
  const GLuint shader = glCreateShader(type);
  const char *text = source.c_str();
  glShaderSource(shader, 1, &text, nullptr);
  glCompileShader(shader);
  GLint ok = GL_FALSE;
  glGetShaderiv(shader, GL_COMPILE_STATUS, &ok);
  if (ok) return shader;
  *log = infoLog(shader, false);
  glDeleteShader(shader);
  return 0;
}

GLuint gl4d::linkProgram(const std::vector<GLuint> &shaders, std::string *log) {
  GLuint program = glCreateProgram();
  for (GLuint s : shaders) glAttachShader(program, s);
  glLinkProgram(program);
  GLint ok = GL_FALSE;
  glGetProgramiv(program, GL_LINK_STATUS, &ok);
  if (!ok) {
    *log = infoLog(program, true);
    glDeleteProgram(program);
    return 0;
  }
  for (GLuint s : shaders) glDetachShader(program, s);
  return program;
}
