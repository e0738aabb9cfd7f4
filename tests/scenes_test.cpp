// The shared resources and the opening scenes through what they draw, play and filter on the manual clock: the
// cross-fade, the colour screens, the figure "8", its red dissolve, the sound trace and the spiral.
#include <SDL2/SDL_ttf.h>

#include <algorithm>
#include <cmath>
#include <complex>

#include "spi.h"
#include "support/gl.h"
#include "support/sound.h"
#include "support/world.h"

namespace {

using hf::FW, hf::FH;

// The sound's state fresh too.
struct Scenes : hf::SceneTest {
  void SetUp() override { SceneTest::SetUp(), hf::sound::reset(); }
  hf::Picture trace(hf::Frame &f, int fps, double from, double to, Sint16 (*mean)(double));
  hf::Picture drawAt(void (*scene)(int), double t, hf::Frame *into = nullptr) {
    hf::clockAt(origin, t);
    (into ? into : frame)->bind();
    glEnable(GL_DEPTH_TEST), glClear(GL_DEPTH_BUFFER_BIT), glDisable(GL_BLEND), hf::filterCalls.clear();
    scene(2);
    EXPECT_TRUE(glIsEnabled(GL_DEPTH_TEST) && !glIsEnabled(GL_BLEND)) << "depth or blending left changed at " << t;
    return (into ? into : frame)->read();
  }
};

TEST_F(Scenes, TheSharedTexturesHoldTheTileStripesAndHueRamp) {
  const hf::Picture tile = hf::readTexture(hf::world::gridTex());
  const struct { int row, col; hf::Rgba texel; } tiles[] = {{4, 100, {0, 0, 0, 255}}, {5, 5, {255, 255, 255, 55}}, {100, 4, {0, 0, 0, 255}},
               {127, 127, {255, 255, 255, 55}}, {0, 0, {0, 0, 0, 255}}, {64, 5, {255, 255, 255, 55}}};
  for (const auto &t : tiles) EXPECT_TRUE(hf::near(tile.at(t.col, t.row), t.texel, 0)) << t.row << ", " << t.col;
  const hf::Picture stripes = hf::readTexture(hf::world::beeTex()), ramp = hf::readTexture(hf::world::colorsTex(), GL_TEXTURE_1D);
  const hf::Rgba rows[] = {{0, 0, 0, 255}, {255, 0, 0, 255}, {255, 0, 0, 255}};
  for (int y = 0; y < 3; ++y) EXPECT_TRUE(hf::near(stripes.at(0, y), rows[y], 0)) << "stripe " << y;
  const hf::Rgba hues[] = {{255, 0, 0}, {255, 255, 0}, {0, 255, 0}, {0, 255, 255}, {0, 0, 255}, {255, 0, 255}};
  for (int x = 0; x < 6; ++x) EXPECT_TRUE(hf::near(ramp.at(x, 0), hues[x], 0)) << "hue " << x;
}

// grad3 as specified; grad4 by its rule: zero in component e / 8, the other
// three negative where the bits of e % 8 are set, the earliest the highest.
const int kGrad3[16][3] = {{0, 1, 1}, {0, 1, -1}, {0, -1, 1}, {0, -1, -1}, {1, 0, 1}, {1, 0, -1},
                           {-1, 0, 1}, {-1, 0, -1}, {1, 1, 0}, {1, -1, 0}, {-1, 1, 0}, {-1, -1, 0},
                           {1, 0, -1}, {-1, 0, -1}, {0, -1, 1}, {0, 1, 1}};
int grad4(int e, int c) {
  if (c == e / 8) return 0;
  const int bit = 2 - (c - (c > e / 8));
  return (e % 8 >> bit) & 1 ? -1 : 1;
}

TEST_F(Scenes, TheNoiseTablesHoldAPermutationAndItsGradients) {
  glActiveTexture(GL_TEXTURE1);
  GLint perm = 0, grad = 0;
  glGetIntegerv(GL_TEXTURE_BINDING_2D, &perm);
  glActiveTexture(GL_TEXTURE2);
  glGetIntegerv(GL_TEXTURE_BINDING_2D, &grad);
  glActiveTexture(GL_TEXTURE0);
  const hf::Picture p = hf::readTexture(perm), g = hf::readTexture(grad);
  ASSERT_EQ(p.w * p.h, 65536);
  EXPECT_TRUE(hf::near(p.at(0, 0), {64, 128, 0, 17}, 0));  // the reference permutation: perm[151] = 17
  EXPECT_TRUE(hf::near(p.at(1, 0), {0, 64, 128, 182}, 0));
  EXPECT_TRUE(hf::near(p.at(0, 1), {0, 64, 0, 119}, 0));
  auto encode = [](int v) { return 64 * v + 64; };
  for (int t = 0; t < 256; ++t) {
    std::vector<int> seen(256, 0);
    for (int s = 0; s < 256; ++s) {
      const int v = p.at(s, t).a;
      ++seen[v];
      const int *g3 = kGrad3[v % 16];
      ASSERT_TRUE(hf::near(p.at(s, t), {encode(g3[0]), encode(g3[1]), encode(g3[2]), v}, 0)) << s << ", " << t;
      const int e = v % 32;
      ASSERT_TRUE(hf::near(g.at(s, t), {encode(grad4(e, 0)), encode(grad4(e, 1)), encode(grad4(e, 2)), encode(grad4(e, 3))}, 0))
          << s << ", " << t;
    }
    ASSERT_EQ(std::count(seen.begin(), seen.end(), 1), 256) << "row " << t << " is not a permutation";
  }
}

// Scenes of a single colour for the cross-fade.
void red(int s) {
  if (s == 2) glClearColor(1, 0, 0, 1), glClear(GL_COLOR_BUFFER_BIT);
}
void green(int s) {
  if (s == 2) glClearColor(0, 1, 0, 1), glClear(GL_COLOR_BUFFER_BIT);
}

TEST_F(Scenes, TheCrossFadeGoesLinearlyFromTheFirstSceneToTheSecond) {
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  fondu(red, green, 1000, 0, 0);
  glViewport(0, 0, 50, 40);
  const struct { GL4DHscene second; GLuint elapsed; hf::Rgba seen; } steps[] = {
      {green, 0, {255, 0, 0}}, {green, 250, {191, 64, 0}}, {green, 1000, {0, 255, 0}}, {nullptr, 500, {128, 128, 0}}};
  for (const auto &s : steps) {
    fondu(red, s.second, 1000, s.elapsed, 2);
    GLint attached = 0, vp[4];
    glGetFramebufferAttachmentParameteriv(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_FRAMEBUFFER_ATTACHMENT_OBJECT_NAME, &attached);
    glGetIntegerv(GL_VIEWPORT, vp);
    EXPECT_EQ(static_cast<GLuint>(attached), frame->tex);
    EXPECT_EQ(vp[2] * 1000 + vp[3], 50040) << "the caller's viewport";
    EXPECT_TRUE(hf::near(frame->read().at(20, 20), s.seen, 1)) << "at " << s.elapsed << " ms";
  }
  EXPECT_EXIT(fondu(red, green, 1000, 1001, 2), ::testing::ExitedWithCode(0), "1001-1000 -- 1.001000\n");
}

TEST_F(Scenes, TheGreenFlashMovesTheSoundToTheSnowDecay) {
  for (int state : {0, 1, 3}) {
    vert(state);
    noir(state);
  }
  EXPECT_EQ(hf::sound::step(), 0) << "only a draw selects the step";
  EXPECT_TRUE(hf::near(drawAt(noir, 0).mean(), {0, 0, 0, 255}, 0));
  EXPECT_TRUE(hf::near(drawAt(vert, 0).mean(), {0, 89, 0, 255}, 0));
  EXPECT_EQ(hf::sound::step(), 1);
}

// The figure grows by 0.07 rad a second from 0.1, its blur falling with the angle a, floor(128 ((pi/2 - a) /
// (pi/2))^0.666). Rough sound scatters it by (path length - 100) / 2 and, past 15 s, starts the snow; every frame hands
// it on with its blur radius, so that the dissolve starts from the last frame drawn however few frames the end had.
TEST_F(Scenes, TheEightComesIntoFocusScatteredByTheSoundAndStandsRaised) {
  huit(0);
  // Where the specified transform puts the figure's ink at scale s, from the font itself.
  ASSERT_EQ(TTF_Init(), 0);
  TTF_Font *font = TTF_OpenFont("/usr/share/fonts/truetype/liberation/LiberationMono-Regular.ttf", 1280);
  ASSERT_NE(font, nullptr);
  SDL_Surface *text = TTF_RenderUTF8_Blended_Wrapped(font, "8", {255, 255, 255, 255}, 1280);
  SDL_Surface *rgba = SDL_ConvertSurfaceFormat(text, SDL_PIXELFORMAT_ABGR8888, 0);
  const hf::Picture glyph{rgba->w, rgba->h, std::vector<std::uint8_t>((std::uint8_t *)rgba->pixels,
                                                                      (std::uint8_t *)rgba->pixels + rgba->w * rgba->h * 4)};
  SDL_FreeSurface(rgba), SDL_FreeSurface(text), TTF_CloseFont(font);
  // Blended onto black by its alpha twice (the upload keeps coverage in the
  // colour too), a texel shows above 128 where its alpha is above 181.
  const std::array<int, 4> ink = glyph.box([](const hf::Rgba &c) { return c.a > 181; });  // rows top-down: the surface's first is the texture's first
  const auto inkAt = [&](const hf::Picture &p, double s, double t) {
    const double k = double(FH) / FW;
    auto px = [&](double col) { return (0.5 * s * (2 * col / glyph.w - 1) + 1) / 2 * FW; };
    auto py = [&](double row) { return std::clamp((s * (2 * row / glyph.h - 1 + 0.106) / k + 1) / 2 * FH, 0.0, double(FH)); };
    const std::array<int, 4> seen = p.box([](const hf::Rgba &c) { return c.r > 128; });
    const double expected[4] = {px(ink[0]), py(ink[1]), px(ink[2]), py(ink[3])};
    for (int i = 0; i < 4; ++i) EXPECT_NEAR(seen[i], expected[i], 2.0) << "box side " << i << " at " << t << " s";
  };
  const struct { double t; Sint16 path; const char *filters; int snow, blur; } frames[] = {  // path: the sound's
      {0, 100, "blur 122 ", 0, 122}, {5, 101, "blur 102 ", 0, 102}, {10, 2000, "scatter 950 blur 79 ", 0, 79},
      {14, 102, "scatter 1 blur 58 ", 0, 58}, {15.5, 0, "blur 50 ", 0, 50}, {15.6, 102, "scatter 1 blur 49 ", 1, 49},
      {19.9, 0, "blur 17 ", 1, 17}, {20.5, 0, "blur 10 ", 1, 10}, {25, 0, "blur 0 ", 1, 0}};
  for (const auto &f : frames) {
    std::vector<Sint16> block(2048);
    for (size_t i = 1; i < block.size(); i += 2) block[i] = f.path;
    ahSetAudioStream(block.data(), 4096);
    huit(1);
    drawAt(huit, f.t);
    EXPECT_EQ(hf::filterCalls, f.filters) << "at " << f.t << " s";
    EXPECT_EQ(hf::sound::neige(), f.snow) << "at " << f.t << " s";
    EXPECT_EQ(hf::world::blurRadius(), f.blur) << "the radius handed on at " << f.t << " s";
    // Scattered by 1, the figure is still sharp where it is handed on: drawn at the frame before's angle, 0.1 + 0.07 x 10 s.
    if (f.t == 14) inkAt(hf::readTexture(hf::world::texOut()), std::sin(0.8), f.t);
  }
  ahSetAudioStream(nullptr, 0);
  const hf::Picture p = drawAt(huit, 25.01);
  inkAt(p, std::sin(1.5707864), 25.01);  // at scale sin(cap)
  EXPECT_EQ(hf::meanDifference(p, hf::readTexture(hf::world::texOut())), 0) << "the picture handed on";
}

// The red dissolve of a grey block handed on: scattered further every frame, 21 sqrt(k) texels after k 60 Hz steps
// (a random walk; a step at the first frame), saturated red, under the blur handed on (16), gone in 7.5 s, a frame late.
TEST_F(Scenes, TheRedDissolveScattersFurtherEachStepUnderABlurThatRelaxes) {
  std::vector<std::uint32_t> block(FW * FH, 0);
  for (int y = FH / 2 - 16; y < FH / 2 + 16; ++y) std::fill_n(&block[y * FW + FW / 2 - 16], 32, 0xff505050u);
  glBindTexture(GL_TEXTURE_2D, hf::world::texOut());
  glTexSubImage2D(GL_TEXTURE_2D, 0, 0, 0, FW, FH, GL_RGBA, GL_UNSIGNED_BYTE, block.data());
  const hf::Picture handed = hf::readTexture(hf::world::texOut());
  hf::world::blurRadius() = 16;
  const struct { double t; int blur; } dissolve[] = {{30, 16}, {30.1, 16}, {30.3, 15}, {32, 15}, {34, 11}, {36, 7}, {38, 3}, {39, 0}};
  double spread = 0, before = dissolve[0].t;
  hf::Picture last;
  for (const auto &f : dissolve) {
    last = drawAt(rouge, f.t);
    const long scatter = std::lround(21 * std::sqrt(f.t == before ? 1 : 60 * (f.t - std::exchange(before, f.t))));
    EXPECT_EQ(hf::filterCalls, "scatter " + std::to_string(scatter) + " blur " + std::to_string(f.blur) + " ") << f.t;
    const double now = hf::meanDifference(handed, hf::readTexture(hf::world::texOut()));
    EXPECT_TRUE(now > spread || f.t > 31) << "scattered further at " << f.t << " s (until spread over the frame)";
    spread = now;
  }
  EXPECT_EQ(last.box([](const hf::Rgba &c) { return c.g || c.b || (c.r && c.r != 255); })[2], 0) << "saturated red";
  EXPECT_GT(last.mean().r, 10);
}

TEST_F(Scenes, TheTraceSweepsOnceEveryTwoPointTwoSecondsAtTheSoundsHeight) {
  drawAt(beep, 0);
  EXPECT_EQ(hf::sound::step(), 2) << "the countdown starts with the trace";
  std::vector<Sint16> level(2048, 150);  // a mean of 150: half way up
  const struct { double t; bool loud; double x, y; } frames[] = {
      {1.1, false, 0.5, 0.5}, {1.2, false, 0.5455, 0.5}, {1.3, false, 0.5909, 0.5},
      {2.75, false, 0.25, 0.5}, {3.85, true, 0.75, 0.75}};
  int trail = 0;
  for (const auto &f : frames) {
    ahSetAudioStream(f.loud ? level.data() : nullptr, f.loud ? 4096 : 0);
    beep(1);
    const hf::Picture p = drawAt(beep, f.t);
    int bx = 0, by = 0;
    for (int y = 0; y < FH; ++y)
      for (int x = 0; x < FW; ++x)
        if (p.at(x, y).g > p.at(bx, by).g) bx = x, by = y;
    EXPECT_NEAR(bx, f.x * FW, 2) << "the point's column at " << f.t << " s";
    EXPECT_NEAR(by, f.y * FH, 2) << "the point's row at " << f.t << " s";
    EXPECT_GT(p.at(bx, by).g, 90) << "a bright point at " << f.t << " s";
    // The spot's tint, (0.2, 1, 0.2), over the trail's green where the spot misses the pixel's centre.
    EXPECT_TRUE(p.at(bx, by).r == p.at(bx, by).b && p.at(bx, by).r >= 0.1 * p.at(bx, by).g && p.at(bx, by).r <= 0.2 * p.at(bx, by).g + 2)
        << p.at(bx, by) << ": green at " << f.t << " s";
    const int g = p.at(FW / 2, FH / 2).g;  // the trail where the point stood at 1.1 s: fading, but there
    EXPECT_TRUE(f.t <= 1.1 || f.t > 2 || (g > 20 && g < trail)) << g << " after " << trail << " at " << f.t << " s";
    trail = g;
  }
  ahSetAudioStream(nullptr, 0);
}

// The sound trace drawn into f at fps frames a second from `from` (afresh at 0) to `to` seconds, the sound
// block's mean at each frame from mean(t): the last frame.
hf::Picture Scenes::trace(hf::Frame &f, int fps, double from, double to, Sint16 (*mean)(double)) {
  if (from == 0) beep(3), gl4dhResetTimes(), origin = hf::freshClock();
  hf::Picture p;
  for (long n = std::lround(from * fps); n <= std::lround(to * fps); ++n) {
    std::vector<Sint16> block(2048, mean(double(n) / fps));
    ahSetAudioStream(block.data(), 4096), beep(1);
    p = drawAt(beep, double(n) / fps, &f);
  }
  ahSetAudioStream(nullptr, 0);
  return p;
}

// The trail along the row of the point, from the head back to where it falls below 16 levels; the frame's light.
struct Trail {
  int head = 0, length = 0;
  double light = 0;
};
Trail trailOf(const hf::Picture &p) {
  Trail t;
  for (int x = 0; x < p.w; ++x) t.head = p.at(x, p.h / 2).g > p.at(t.head, p.h / 2).g ? x : t.head;
  while (t.head > t.length && p.at(t.head - t.length, p.h / 2).g >= 16) ++t.length;
  for (int y = 0; y < p.h; ++y)
    for (int x = 0; x < p.w; ++x) t.light += p.at(x, y).g;
  return t;
}

TEST_F(Scenes, TheTracesTrailIsAsLongAtAnyRate) {
  // 1.5 s of silence: the point at mid-height, 0.68 of the way across.
  const Trail at60 = trailOf(trace(*frame, 60, 0, 1.5, [](double) -> Sint16 { return 0; }));
  EXPECT_NEAR(at60.head, 1.5 / 2.2 * FW, 1);
  EXPECT_GT(at60.length, 40) << "a trail a third of the frame long";
  for (int fps : {30, 144}) {
    const Trail t = trailOf(trace(*frame, fps, 0, 1.5, [](double) -> Sint16 { return 0; }));
    EXPECT_EQ(t.head, at60.head) << fps << " fps";
    EXPECT_NEAR(t.length, at60.length, 1) << fps << " fps";
    EXPECT_NEAR(t.light / at60.light, 1.0, 0.01) << fps << " fps";
  }
}

// Green light of the trace's own picture: its sum, its largest, and the mean and variance of x weighted by it.
struct Light {
  double sum = 0, most = 0, x = 0, xx = 0;
};
Light traceLight() {
  GLint w = 0, h = 0;
  glBindTexture(GL_TEXTURE_2D, hf::world::traceLight());
  glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_WIDTH, &w);
  glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_HEIGHT, &h);
  std::vector<float> v(static_cast<size_t>(w) * h * 4);
  glGetTexImage(GL_TEXTURE_2D, 0, GL_RGBA, GL_FLOAT, v.data());
  glBindTexture(GL_TEXTURE_2D, 0);
  Light l;
  for (size_t i = 0; i < v.size() / 4; ++i) {
    const double g = v[i * 4 + 1], x = static_cast<double>(i % w) + 0.5;
    l.sum += g, l.most = std::max(l.most, g), l.x += g * x, l.xx += g * x * x;
  }
  l.x /= l.sum, l.xx = l.xx / l.sum - l.x * l.x;
  return l;
}

// A pass keeps 0.9989 of the light and blurs it by a Gaussian of variance 2 (4 / 3)^2 pixels^2 (radius 4, 2
// iterations); a spot lays 2 pi sigma^2 of light (sigma 0.005 frame heights); the frame's edges keep what reaches them.
TEST_F(Scenes, TheTraceFadesAndBlursByItsPasses) {
  for (int h : {270, 360}) {
    hf::Frame big(h * 16 / 9, h);
    // The first frame's spots, from (0, 0.5) to a point off the top (a mean of 3000: height 10), 5 / 21 of the height
    // apart: two in the frame, at its left edge, half out, 20 and 19 passes old.
    trace(big, 60, 0, 0, [](double) -> Sint16 { return 3000; });
    const double spot = M_PI * std::pow(0.005 * h, 2) * (std::pow(0.9989, 20) + std::pow(0.9989, 19));
    EXPECT_NEAR(traceLight().sum / spot, 1.0, 0.01) << h;
    // Far off the top (height 100) but at mid-height from 1 to 1.1 s: a
    // short stroke, then 0.2 s of blur and fade alone.
    auto dip = [](double t) -> Sint16 { return t >= 1.0 && t < 1.1 ? 0 : 30000; };
    trace(big, 60, 0, 1.3, dip);
    const Light a = traceLight();
    trace(big, 60, 1.3, 1.5, dip);
    const Light b = traceLight();
    EXPECT_NEAR(b.sum / a.sum / std::pow(0.9989, 252), 1.0, 0.002) << h;
    EXPECT_NEAR((b.xx - a.xx) / (252 * 32.0 / 9.0), 1.0, 0.02) << h;
  }
}

// Where the point passes, its spot replaced the light beneath it: the trail never outshines the spot (tried
// where the spot is widest against a pass's blur).
TEST_F(Scenes, TheTraceNeverOutshinesItsSpot) {
  for (int h : {540, 1080}) {
    hf::Frame big(h * 16 / 9, h);
    trace(big, 60, 0, 0.1, [](double) -> Sint16 { return 0; });
    const double most = traceLight().most;
    EXPECT_TRUE(most > 0.9 && most < 1.2) << most << " at " << h;
  }
}

// The phase of the spiral's known pattern (red: one cycle across, the arms; green: four down, the
// rings) around the circle of radius e^l frame heights or, from it, out along the ray at angle a.
double whirlPhase(const hf::Picture &p, double l, double a = -1) {
  std::complex<double> z = 0;
  for (int i = 0; i < 360; ++i) {
    const double u = i / 360.0, r = std::exp(a < 0 ? l : l + u) * p.h, b = a < 0 ? 2 * M_PI * u : a;
    const hf::Rgba c = p.at(int(p.w / 2.0 + r * std::cos(b)), int(p.h / 2.0 + r * std::sin(b)));
    z += double(a < 0 ? c.r : c.g) * std::polar(1.0, -2 * M_PI * u);
  }
  return std::arg(z);
}

// The spiral's curve c(t), "t": 1 down to 0.5 over 10 s, then logistic, 1 / (1 + e^-(12c - 6)),
// down to 1 / (e^6 + 1) at 20 s and after; "tt" is (20c)^4.
TEST_F(Scenes, TheSpiralWhirlsAlongItsCurveAndStartsTheModule) {
  spi(0);
  GLint bound = -1, vp[4];
  glGetIntegerv(GL_FRAMEBUFFER_BINDING, &bound);
  glGetIntegerv(GL_VIEWPORT, vp);
  EXPECT_EQ(bound, 0);
  EXPECT_EQ(vp[2] * 1000 + vp[3], FW * 1000 + FH);
  drawAt(spi, 0);
  EXPECT_EQ(hf::sound::step(), 3);
  // Its pattern (the one texture of its size and format) replaced by the known one: at 1 and 8 s (c = (20 - t) / 20)
  // the arms wind 0.35 + 1.4 c turns a unit of log radius; over 50 ms they turn by the phase 4e-4 (20 c)^4's move
  // (and, out at l, by their loosening) and the rings flow out by 0.4 pi of it; the rings are round.
  GLint format[2] = {0, 0};
  for (GLuint t = 1; t < 1u << 16 && (format[0] != 1024 || format[1] != GL_RGBA32F); ++t)
    if (glIsTexture(t) && t != hf::world::colorsTex())
      glBindTexture(GL_TEXTURE_2D, t), glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_WIDTH, &format[0]), glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_INTERNAL_FORMAT, &format[1]);
  std::vector<float> known(1024 * 1024 * 4, 1.0f);
  for (int i = 0; i < 1024 * 1024; ++i)
    known[4 * i] = 0.5f + 0.5f * std::cos(2 * M_PI * (i % 1024 + 0.5) / 1024), known[4 * i + 1] = 0.5f + 0.5f * std::cos(8 * M_PI * (i / 1024 + 0.5) / 1024);
  glTexSubImage2D(GL_TEXTURE_2D, 0, 0, 0, 1024, 1024, GL_RGBA, GL_FLOAT, known.data()), glBindTexture(GL_TEXTURE_2D, 0);
  hf::Frame big(480, 270);
  for (double t : {1.0, 8.0}) {
    const hf::Picture a = drawAt(spi, t, &big), b = drawAt(spi, t + 0.05, &big);
    const double l = std::log(0.12), phase = 4e-4 * (std::pow(19.95 - t, 4) - std::pow(20 - t, 4));
    double turns = 0;  // the arm followed out one unit of log radius from 0.12 heights
    for (int j = 1; j <= 40; ++j) turns += std::remainder(whirlPhase(a, l + j / 40.0) - whirlPhase(a, l + (j - 1) / 40.0), 2 * M_PI) / (2 * M_PI);
    EXPECT_NEAR(turns, 0.35 + 1.4 * (20 - t) / 20, 0.01) << "the winding at " << t << " s";
    EXPECT_NEAR(std::remainder(whirlPhase(b, l) - whirlPhase(a, l), 2 * M_PI) / (phase - 2 * M_PI * 1.4 * 0.05 / 20 * l), 1, 0.03) << "the turn at " << t << " s";
    EXPECT_NEAR(std::remainder(whirlPhase(b, l, 0) - whirlPhase(a, l, 0), 2 * M_PI) / (0.4 * M_PI * phase), 1, 0.03) << "the flow at " << t << " s";
    for (int k = 1; k < 8; ++k) EXPECT_NEAR(std::remainder(whirlPhase(a, l, k * M_PI / 4) - whirlPhase(a, l, 0), 2 * M_PI), 0, 0.05) << "round rings at " << t << " s";
  }
  GLuint prog = 1;  // the one program with a "tt" and a "t"
  while (prog < 1u << 16 && (!glIsProgram(prog) || glGetUniformLocation(prog, "tt") < 0 || glGetUniformLocation(prog, "t") < 0)) ++prog;
  const double curve[][2] = {{9.999, 0.50005}, {10.001, 0.49985}, {12, 0.2314752}, {19.999, 0.002474104},
                             {20.001, 0.002472623}, {30, 0.002472623}};  // after the measures above: the clock never runs back
  for (const auto &[t, c] : curve) {
    drawAt(spi, t);
    EXPECT_NEAR(hf::uniformFloats(prog, "t")[0], c, 2e-6 + 1e-5 * c) << "at " << t << " s";
    EXPECT_NEAR(hf::uniformFloats(prog, "tt")[0], std::pow(20 * c, 4), 1e-4 * std::pow(20 * c, 4)) << "at " << t << " s";
  }
}

}  // namespace
