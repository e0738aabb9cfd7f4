// Text textures: the steps huit and credits share to turn a string into a
// GL texture. The rendered surface is blitted onto a 32-bit surface with
// R, G, B, A in byte order, which GL takes as GL_RGBA / GL_UNSIGNED_BYTE.
// The out-of-memory check stops the program in every build.
#undef NDEBUG
#include "text.h"

#include <SDL2/SDL.h>
#include <SDL2/SDL_ttf.h>

#include <cassert>
#include <cstdio>
#include <cstdlib>

static const char *const kFonts[] = {
    "/usr/share/fonts/truetype/liberation/LiberationMono-Regular.ttf",
    "/Applications/LibreOffice.app/Contents/Resources/fonts/truetype/LiberationMono-Regular.ttf",
};

void textStartFonts(int *firstTime) {
  if (!*firstTime) return;
  if (TTF_Init() == -1) {
    std::fprintf(stderr, "TTF_Init: %s\n", SDL_GetError());
    std::exit(2);
  }
  *firstTime = 0;
}

static TTF_Font *openFont(int size) {
  TTF_Font *font = nullptr;
  for (const char *path : kFonts)
    if ((font = TTF_OpenFont(path, size)) != nullptr) break;
  return font;
}

static void genTextTexture(GLuint *tex, GLint filter) {
  glGenTextures(1, tex);
  glBindTexture(GL_TEXTURE_2D, *tex);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, filter);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, filter);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_CLAMP_TO_EDGE);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_CLAMP_TO_EDGE);
}

bool textToTexture(GLuint *tex, GLint filter, const char *text, int size, int wrap, int *w, int *h) {
  if (!*tex) genTextTexture(tex, filter);
  TTF_Font *font = openFont(size);
  if (!font) {
    std::fprintf(stderr, "TTF_OpenFont: %s\n", SDL_GetError());
    return false;
  }
  const SDL_Color white = {255, 255, 255, 255};
  SDL_Surface *rendered = TTF_RenderUTF8_Blended_Wrapped(font, text, white, static_cast<Uint32>(wrap));
  if (!rendered) {
    TTF_CloseFont(font);
    std::fprintf(stderr, "Erreur lors du TTF_RenderText\n");
    return false;
  }
  SDL_Surface *surface = SDL_CreateRGBSurface(0, rendered->w, rendered->h, 32, 0x000000FF, 0x0000FF00, 0x00FF0000,
                                              0xFF000000);
  assert(surface && "initText");
  SDL_UpperBlit(rendered, nullptr, surface, nullptr);
  SDL_FreeSurface(rendered);

  glBindTexture(GL_TEXTURE_2D, *tex);
  // A 32-bit surface's rows are w * 4 bytes, unpadded: GL's default unpacking fits.
  glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA, surface->w, surface->h, 0, GL_RGBA, GL_UNSIGNED_BYTE, surface->pixels);
  if (w) *w = surface->w;
  if (h) *h = surface->h;
  SDL_FreeSurface(surface);
  TTF_CloseFont(font);
  glBindTexture(GL_TEXTURE_2D, 0);
  return true;
}
