// The credits roll: a few lines of white text, rendered once from a TrueType
// font into a texture and softened by a blur, glide up and away along a plane
// tilted 60 degrees back from the viewer. Timed by SDL's tick count.
// The out-of-memory check in initText stops the program in every build.
#undef NDEBUG
#include "credits.h"

#include <SDL2/SDL.h>
#include <SDL2/SDL_ttf.h>

#include <cassert>
#include <cstdio>
#include <cstdlib>

#include "gl4d/gl4d.h"

static GLuint _pId = 0;
static GLuint _textTexId = 0;
static GLuint _quad = 0;

static const char *const kText = "Honeyfold\nby Tarvek\n@ Korvan5 2025\n\nMusic: velvora\nby Miralt - Sundeq";
static const char *const kFonts[] = {
    "/usr/share/fonts/truetype/liberation/LiberationMono-Regular.ttf",
    "/Applications/LibreOffice.app/Contents/Resources/fonts/truetype/LiberationMono-Regular.ttf",
};

static TTF_Font *openFont(int size) {
  TTF_Font *font = nullptr;
  for (const char *path : kFonts)
    if ((font = TTF_OpenFont(path, size)) != nullptr) break;
  return font;
}

// Renders the text into _textTexId, rows in surface order (top row first).
// Without a font or a rendering the texture stays without image.
static void initText(void) {
  static int firstTime = 1;
  if (firstTime) {
    if (TTF_Init() == -1) {
      std::fprintf(stderr, "TTF_Init: %s\n", SDL_GetError());
      std::exit(2);
    }
    firstTime = 0;
  }
  if (!_textTexId) {
    glGenTextures(1, &_textTexId);
    glBindTexture(GL_TEXTURE_2D, _textTexId);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_NEAREST);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_CLAMP_TO_EDGE);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_CLAMP_TO_EDGE);
  }
  TTF_Font *font = openFont(20);
  if (!font) {
    std::fprintf(stderr, "TTF_OpenFont: %s\n", SDL_GetError());
    return;
  }
  const SDL_Color white = {255, 255, 255, 255};
  SDL_Surface *rendered = TTF_RenderUTF8_Blended_Wrapped(font, kText, white, 800);
  if (!rendered) {
    TTF_CloseFont(font);
    std::fprintf(stderr, "Erreur lors du TTF_RenderText\n");
    return;
  }
  SDL_Surface *surface = SDL_CreateRGBSurface(0, rendered->w, rendered->h, 32, 0x000000FF, 0x0000FF00, 0x00FF0000,
                                              0xFF000000);
  assert(surface && "initText");
  SDL_UpperBlit(rendered, nullptr, surface, nullptr);
  SDL_FreeSurface(rendered);

  glBindTexture(GL_TEXTURE_2D, _textTexId);
  glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA, surface->w, surface->h, 0, GL_RGBA, GL_UNSIGNED_BYTE, surface->pixels);
  std::fprintf(stderr, "Dimensions de la texture : %d %d\n", surface->w, surface->h);
  SDL_FreeSurface(surface);
  TTF_CloseFont(font);
  glBindTexture(GL_TEXTURE_2D, 0);
}

static void init(void) {
  _pId = gl4duCreateProgram("<vs>shaders/basic3d.vs", "<fs>shaders/credits.fs", nullptr);
  gl4duGenMatrix(GL_FLOAT, "model");
  gl4duGenMatrix(GL_FLOAT, "view");
  gl4duGenMatrix(GL_FLOAT, "proj");

  GLint viewport[4];
  glGetIntegerv(GL_VIEWPORT, viewport);
  const GLfloat ratio = static_cast<GLfloat>(viewport[3]) / static_cast<GLfloat>(viewport[2]);
  gl4duBindMatrix("proj");
  gl4duLoadIdentityf();
  gl4duFrustumf(-0.005f, 0.005f, -0.005f * ratio, 0.005f * ratio, 0.01f, 1000.0f);
  gl4duBindMatrix("view");
  gl4duLoadIdentityf();
  gl4duBindMatrix("model");
  _quad = gl4dgGenQuadf();

  initText();
  gl4dfBlur(_textTexId, _textTexId, 2, 1, 0, 0);
}

static void draw(void) {
  static float t0 = -1.0f;
  // One reading a frame, so that the first frame sits exactly at the start.
  const float now = static_cast<float>(SDL_GetTicks());
  if (t0 < 0.0f) t0 = now;
  const float p = ((now - t0) / 1000.0f) * 0.27f - 1.4f;

  glEnable(GL_DEPTH_TEST);
  glClearColor(0.0f, 0.0f, 0.0f, 1.0f);
  glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
  glDisable(GL_DEPTH_TEST);
  glEnable(GL_BLEND);
  glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);

  glUseProgram(_pId);
  glActiveTexture(GL_TEXTURE0);
  glBindTexture(GL_TEXTURE_2D, _textTexId);
  glUniform1i(glGetUniformLocation(_pId, "inv"), 1);
  glUniform1i(glGetUniformLocation(_pId, "tex"), 0);

  gl4duBindMatrix("view");
  gl4duLoadIdentityf();
  gl4duBindMatrix("model");
  gl4duLoadIdentityf();
  gl4duScalef(2.0f, 2.5f, 1.0f);
  // Along (0, cos 60, -sin 60): the direction in which the tilt below turns
  // the quad's own upward axis, so the text slides within its plane.
  gl4duTranslatef(0.65f, static_cast<float>(p * 0.5000000000000001),
                  static_cast<float>(p * -0.8660254037844386 - 2.0));
  gl4duRotatef(-60.0f, 1.0f, 0.0f, 0.0f);
  gl4duSendMatrices();

  gl4dgDraw(_quad);
  glUseProgram(0);
}

static void release(void) {
  if (_textTexId) {
    glDeleteTextures(1, &_textTexId);
    _textTexId = 0;
  }
}

void credits(int state) {
  switch (state) {
    case 0: init(); break;
    case 1: break;
    case 3: release(); break;
    default: draw(); break;
  }
}
