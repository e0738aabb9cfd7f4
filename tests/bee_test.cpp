// The bee world through what it draws and sets over time on the manual clock: the landscape, the bee and its wings, the
// chase rigs, their lights and sky, the opening flight step by step, the filtered scenes against their rigs.
#include <glm/glm.hpp>
#include <glm/gtc/type_ptr.hpp>

#include <algorithm>
#include <cmath>
#include <complex>
#include <functional>
#include <numeric>

#include "gl4d/core/switches.h"
#include "support/gl.h"
#include "support/world.h"

namespace {

using hf::FW, hf::FH;

glm::mat4 view() {
  glm::mat4 v;
  gl4duGetMatrixData("view", glm::value_ptr(v));
  return v;
}
glm::vec3 eye() { return -glm::transpose(glm::mat3(view())) * glm::vec3(view()[3]); }
glm::vec3 beeAt() { return glm::make_vec3(hf::world::bee()); }

// Light sets: light 0's height, then the four lights' base colours.
const float kX[13] = {40, 0.8f, 0.8f, 0.4f, 1, 1, 1, 1, 0.1f, 0.1f, 0.1f, 1, 0.1f};
const float kY[13] = {4000, 0.2f, 0.2f, 0.2f, 0.5f, 0.5f, 2, 2, 0.8f, 0.8f, 0.3f, 0.3f, 0.8f};

// How far "Lp" and "Lc" on the bee's and both grounds' programs are at clock t from
// light 0 over the start, 1 to 3 circling the eye at heights h, colours times k.
double lightsOff(const float *set, double t, glm::vec3 eye, glm::vec3 h, float k) {
  const double x[3] = {16.5 * std::cos(7 * t), 1 + 9.5 * std::cos(9 * t), -4 + 9.5 * std::cos(3 * t)};
  const double z[3] = {-15 + 20.9 * std::sin(8 * t), 2 + 20.9 * std::sin(-12 * t), 10 + 20.9 * std::sin(6 * t)};
  double off = 0;
  for (int i = 0; i < 12; ++i) {
    const int n = i % 4;
    const GLuint lit = hf::world::program(i < 8 ? i / 4 : 4);
    const auto p = hf::uniformFloats(lit, ("Lp[" + std::to_string(n) + "]").c_str());
    const auto c = hf::uniformFloats(lit, ("Lc[" + std::to_string(n) + "]").c_str());
    const glm::vec3 at = n ? glm::vec3(eye.x + x[n - 1], h[n - 1], eye.z + z[n - 1]) : glm::vec3(0, set[0], 3);
    for (int j = 0; j < 3; ++j)
      off = std::max<double>({off, std::fabs(p[j] - at[j]), 10 * std::fabs(c[j] - set[1 + 3 * n + j] * (n ? k : 1))});
  }
  return off;
}

struct Bee : hf::SceneTest {
  // fresh: scattering restarted; rewind() then lets the rig's frame be redrawn as the scene drew it.
  hf::Picture drawAt(void (*scene)(int), double t, bool fresh = false) {
    if (fresh) gl4duClean(GL4DU_FILTERS);
    hf::filterCalls.clear();
    hf::clockAt(origin, t);
    frame->bind();
    scene(2);
    return frame->read();
  }
  void rewind() { gl4duClean(GL4DU_FILTERS); }
  // A frame cleared to grey, the eye at from looking at to, one far white sun on program p; draw() draws with depth and blending on.
  hf::Picture stage(glm::vec3 from, glm::vec3 to, glm::vec3 up, GLuint p, float grey,
                    const std::function<void()> &draw) {
    frame->bind();
    glClearColor(grey, grey, grey, 1);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    glEnable(GL_DEPTH_TEST), glEnable(GL_BLEND);
    gl4duBindMatrix("view"), gl4duLoadIdentityf();
    gl4duLookAtf(from.x, from.y, from.z, to.x, to.y, to.z, up.x, up.y, up.z);
    const GLfloat sun[4] = {0, 4000, 3, 1}, white[4] = {1, 1, 1, 1};
    for (GLuint q : {hf::world::program(4), p})  // the brown relief's own program too
      glUseProgram(q), glUniform1i(glGetUniformLocation(q, "nbL"), 1), glUniform4fv(glGetUniformLocation(q, "Lp"), 1, sun),
          glUniform4fv(glGetUniformLocation(q, "Lc"), 1, white);
    draw();
    glUseProgram(0);
    glDisable(GL_DEPTH_TEST), glDisable(GL_BLEND), glDisable(GL_CULL_FACE);
    return frame->read();
  }
  // Heights of what an eye at height y straight above sees, pixel by pixel, from the depth (near 0.01, far 1000).
  std::vector<double> heights(double y) {
    std::vector<float> d(FW * FH);
    glBindFramebuffer(GL_READ_FRAMEBUFFER, frame->fbo), glReadPixels(0, 0, FW, FH, GL_DEPTH_COMPONENT, GL_FLOAT, d.data());
    std::vector<double> h(d.size());
    for (size_t i = 0; i < d.size(); ++i) h[i] = y - 20.0 / (1000.01 - (2 * d[i] - 1) * 999.99);
    return h;
  }
  // The landscape alone from above and behind (x, z), the grid shift further.
  hf::Picture landscape(float x, float z, float sy, float shift = 0) {
    return stage({x, 1.5f, z + 4}, {x, 0.1f, z}, {0, 1, 0}, hf::world::program(1), 0,
                 [&] { hf::world::grid(x + shift, sy, z + 4); });
  }
};

// Pixels where some channel differs by more than tolerance levels.
int changed(const hf::Picture &a, const hf::Picture &b, int tolerance) {
  int n = 0;
  for (size_t i = 0; i < a.px.size(); i += 4)
    n += std::max({std::abs(a.px[i] - b.px[i]), std::abs(a.px[i + 1] - b.px[i + 1]),
                   std::abs(a.px[i + 2] - b.px[i + 2])}) > tolerance;
  return n;
}

TEST_F(Bee, TheTiledGroundAndTheHillsStayPutWhileTheGridFollowsTheEye) {
  hf::Picture here = landscape(0.3f, -7, 0);
  here.save("landscape");
  EXPECT_LT(hf::meanDifference(here, landscape(0.3f, -9, 0)), 0.5) << "one tile on, the same flat ground";
  EXPECT_LT(hf::meanDifference(here, landscape(2.3f, -7, 0)), 0.5) << "one tile aside, the same flat ground";
  EXPECT_GT(hf::meanDifference(here, landscape(0.3f, -7.5f, 0)), 2.0) << "half a tile on, the lines have moved";
  const float spacing = 128.0f / 511.0f;
  here = landscape(0.3f, -7, 1);
  for (int k : {1, 3, 5, 8}) EXPECT_EQ(changed(here, landscape(0.3f, -7, 1, k * spacing), 16), 0) << "slid by " << k;
  // In flight the grid slides by every fraction of a spacing: the hills are
  // sampled elsewhere, within rasterisation noise.
  for (float f : {0.1f, 0.25f, 0.5f, 0.77f})
    EXPECT_LT(changed(here, landscape(0.3f, -7, 1, f * spacing), 16), FW * FH / 100) << "slid by " << f;
}

// The grid culled and the backdrop filtered only in the rows it shows in: flat, then in relief from the height the
// bee climbs to; then under the highest hill found (0.84 over the plane at sy = 1, 0.6 of the bound), the eye
// between its top and half the bound, the view's lower plane level: only the bound keeps that hill drawn.
TEST_F(Bee, CullingAndTheBackdropsRowsChangeNoPixel) {
  const GLfloat zero[4] = {0, 0, 0, 0}, climbed[4] = {0, 1, 2, 2}, high[4] = {0, 1, 2, 2.0011f};
  glm::mat4 proj;
  gl4duGetMatrixData("proj", glm::value_ptr(proj));
  const std::function<void()> frames[] = {
      [&] { hf::world::subbeeX(zero); }, [&] { hf::world::subbeeX(climbed); }, [&] { hf::world::subbeeY(high); },
      [&] { hf::world::bee()[0] = 99, hf::world::bee()[2] = 0, hf::world::subbeeY(high); },
      [&] { stage({-210.1f, -0.23f, -786.8f}, {-210.1f, -0.23f + 1 / proj[1][1], -787.8f}, {0, 1, 0}, hf::world::program(1),
                  0, [] { hf::world::grid(-210.1f, 1, -788.8f); }); }};
  hf::world::saveMotion();
  for (size_t i = 0; i < std::size(frames); ++i) {
    hf::Picture seen[2];
    for (int on : {0, 1}) {
      hf::clockAt(origin, 8);  // the same moment, the same motion
      frame->bind(), gl4dgSetCulling(on), gl4dfSetRegions(on);
      gl4duClean(GL4DU_FILTERS);  // the backdrop's scattering starts its sequence again
      hf::world::restoreMotion(), hf::world::bee()[1] = i ? 2.6f : 0.1f, frames[i]();
      seen[on] = frame->read();
    }
    EXPECT_EQ(changed(seen[0], seen[1], 0), 0) << "frame " << i;
    if (i) {
      EXPECT_LT(gl4dgDrawnShare(hf::world::gridMesh()), 0.7f) << "frame " << i << ": the relief's grid culled";
    }
  }
}

// A cross-fade's second scene of the same world, at the same moment, into another frame, takes the first's ground where
// no backdrop shows: it is what that scene draws alone, its own scattering of the backdrop included.
TEST_F(Bee, TheSecondSceneOfOneWorldIsWhatItDrawsAlone) {
  hf::Frame other(FW, FH);
  const GLfloat zero[4] = {0, 0, 0, 0}, high[4] = {0, 1, 2, 2.0011f};
  for (const GLfloat *p : {zero, high}) {
    const auto draw = [&](hf::Frame &into) {
      hf::clockAt(origin, 8), into.bind(), hf::world::wingPhase() = 0, hf::world::bee()[1] = p[3] ? 2.6f : 0.1f;
      p[3] ? hf::world::subbeeY(p) : hf::world::subbeeX(p);
      return into.read();
    };
    gl4duClean(GL4DU_FILTERS), draw(other);
    const hf::Picture alone = draw(other);  // the second pattern, drawn whole into the frame kept from
    gl4duClean(GL4DU_FILTERS), draw(other);
    EXPECT_EQ(changed(alone, draw(*frame), 0), 0) << (p[3] ? "relief" : "flat");
  }
}

// The far ground at grazing angles through llvmpipe's anisotropic sampler and the shader's footprint.
TEST_F(Bee, TheTileLooksAlikeThroughItsSamplerAndFilteredByHand) {
  GLuint &landscapeProgram = hf::world::program(1);
  const GLuint made = landscapeProgram;
  hf::Picture paths[2];
  for (int software : {0, 1}) {
    gl4duSetSoftwareRasterizer(software);
    landscapeProgram = gl4duCreateProgram("<vs>shaders/perlin.vs", "<fs>shaders/perlin.fs", nullptr);
    paths[software] = stage({0.3f, 0.6f, -5}, {0.3f, 0.3f, -15}, {0, 1, 0}, landscapeProgram, 0,
                            [&] { hf::world::grid(0.3f, 0, -5); });
  }
  gl4duSetSoftwareRasterizer(-1), landscapeProgram = made;
  paths[0].save("tile-sampler"), paths[1].save("tile-footprint");
  for (int c = 0; c < 3; ++c) {
    std::vector<int> d;
    for (size_t i = c; i < paths[0].px.size(); i += 4) d.push_back(std::abs(paths[0].px[i] - paths[1].px[i]));
    std::sort(d.begin(), d.end());
    const double mean = std::accumulate(d.begin(), d.end(), 0.0) / d.size();
    EXPECT_LT(mean, 2.0) << "channel " << c;
    EXPECT_LE(d[d.size() * 99 / 100], 32) << "channel " << c << ", mean " << mean;
  }
}

// The relief under points of the world, from the depth straight above them: at sy = 1 as recorded (the shader's
// own; the drivers agree within 2e-4), twice as far from the plane at sy = 2; blue and tiled up to 2.001, brown above.
TEST_F(Bee, TheReliefStandsAtItsHeightsGrowsWithItAndTurnsBrownJustAboveTwo) {
  const auto below = [&](float x, float z, float sy) {
    stage({x, 4, z}, {x, -1, z}, {0, 0, -1}, hf::world::program(1), 0, [&] { hf::world::grid(x, sy, z); });
    return heights(4)[FH / 2 * FW + FW / 2];
  };
  const float points[][3] = {{0, 0, -1.1007f}, {5.5f, -3, -1.0502f}, {-11, 7, -0.8576f}, {17, -21, -0.9057f}, {-23, -13, -0.8739f}, {31, 29, -0.5978f}};
  for (const auto &[x, z, h] : points) {
    EXPECT_NEAR(below(x, z, 1), h, 2e-3) << x << ", " << z;
    EXPECT_NEAR(below(x, z, 2) + 1, 2 * (h + 1), 2e-3) << "twice as high at " << x << ", " << z;
  }
  for (float sy : {0.0f, 2.001f, 2.0011f, 2.5f}) {
    const hf::Rgba g = landscape(0, -3, sy).mean(0, 0, FW, FH / 3);
    EXPECT_GT(sy > 2.001f ? g.r - g.b - 5 : g.b - g.r - 20, 0)
        << (sy > 2.001f ? "brown" : "blue") << " at " << sy << ": " << g;
  }
}

// The ground lit by a sun (light 0, undimmed) and a lamp (light 1), in its middle pixel, in a cell of the tile: under a
// bluish sky light, 0.1, 0.12 and 0.22 of its colour (unlit, against a sun of 0.5); a lamp straight above dimmed by
// 1 / (1 + 0.015 d^2) (at 2 and 10); seen from 131 straight above, covering what lies behind it out to 44 units from
// the eye, half of it at 53.5 (the middle row); over relief, slopes falling towards +x (the depth's) brighter lit from +x.
TEST_F(Bee, TheGroundIsLitUnderABluishSkyByLampsDimmedWithDistanceAndFadesFarOff) {
  const auto seen = [&](glm::vec3 eye, float sy, float grey, glm::vec4 sun, glm::vec4 lamp = {}) {
    return stage(eye, {eye.x, -1, eye.z}, {0, 0, -1}, hf::world::program(1), grey, [&] {
      const GLuint p = hf::world::program(1);
      const GLfloat lp[8] = {sun.x, sun.y, sun.z, 1, lamp.x, lamp.y, lamp.z, 1}, lc[8] = {sun.w, sun.w, sun.w, 1, lamp.w, lamp.w, lamp.w, 1};
      glUniform1i(glGetUniformLocation(p, "nbL"), 2), glUniform4fv(glGetUniformLocation(p, "Lp"), 2, lp);
      glUniform4fv(glGetUniformLocation(p, "Lc"), 2, lc), glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA), hf::world::grid(eye.x, sy, eye.z);
    });
  };
  const auto middle = [&](glm::vec4 sun, glm::vec4 lamp) { return seen({1, 1.5f, 1}, 0, 0, sun, lamp).at(FW / 2, FH / 2); };
  const hf::Rgba dark = middle({}, {}), lit = middle({0, 4000, 3, 0.5f}, {});
  const double sky[3] = {0.1, 0.12, 0.22}, near = middle({}, {1, 1, 1, 0.75f}).b - dark.b, far = middle({}, {1, 9, 1, 0.75f}).b - dark.b;
  const int unlit[3] = {dark.r, dark.g, dark.b}, sunlit[3] = {lit.r, lit.g, lit.b};
  for (int c = 0; c < 3; ++c) EXPECT_NEAR(unlit[c] / (2.0 * (sunlit[c] - unlit[c])), sky[c], c < 2 ? 0.01 : 0.006) << "sky light " << c;
  EXPECT_NEAR((near - far) / (100 * far - 4 * near), 0.015, 0.00075) << "falloff, from (1 + 4 k) / (1 + 100 k) = far / near";
  const hf::Picture over[2] = {seen({0, 130, 0}, 0, 0, {0, 4000, 3, 0.5f}), seen({0, 130, 0}, 0, 1, {0, 4000, 3, 0.5f})};
  double least = 1, half = 0;  // cover within 44 units; the furthest at least a half
  for (int x = FW / 2; x < FW; ++x) {
    const double d = (x + 0.5 - FW / 2) / (FW / 2) * 65.5, cover = 1 - (over[1].at(x, FH / 2).r - over[0].at(x, FH / 2).r) / 255.0;
    least = d <= 44 ? std::min(least, cover) : least, half = cover >= 0.5 ? d : half;
  }
  EXPECT_GT(least, 0.99);
  EXPECT_NEAR(half, 53.5, 1);
  const hf::Picture east = seen({3, 6, 2}, 2, 0, {4000, 4000, 0, 2}), west = seen({3, 6, 2}, 2, 0, {-4000, 4000, 0, 2});
  const std::vector<double> h = heights(6);
  int agree = 0, counted = 0;
  for (int i = 1; i + 1 < FW * FH; ++i) {
    const int d = east.at(i % FW, i / FW).r - west.at(i % FW, i / FW).r;
    if (i % FW && i % FW < FW - 1 && std::fabs(h[i + 1] - h[i - 1]) > 0.005 && std::abs(d) > 2) ++counted, agree += (h[i + 1] < h[i - 1]) == (d > 0);
  }
  EXPECT_GT(agree, std::max(0.9 * counted, 1000.0)) << "of " << counted << " pixels on slopes";
}

// From behind, both wings at the bottom of their beat: bars 30 degrees down.
TEST_F(Bee, TheBeeIsAStripedBodyThreeTimesAsLongAsItIsWideBeatingItsWingsThirtyDegreesEachWay) {
  const auto bee = [] { hf::world::beeDraw(0); };
  hf::Picture p = stage({0, 2.5f, 0}, {0, 0.1f, 0}, {0, 0, -1}, hf::world::program(0), 1, bee);  // head up
  p.save("bee-from-above");
  const std::array<int, 4> body = p.box([](const hf::Rgba &c) { return c.r > 60 && c.g < c.r / 3; });  // red stripes
  const double length = body[3] - body[1], width = body[2] - body[0];
  EXPECT_NEAR(length / width, 0.8 / 0.24, 0.6) << "body " << width << " x " << length << " pixels";
  EXPECT_NEAR((body[0] + body[2]) / 2.0, FW / 2.0, 1.5) << "centred under the eye";
  int stripes = 0;
  for (int y = body[1] + 1; y < body[3]; ++y) stripes += (p.at(FW / 2, y).r > 100) != (p.at(FW / 2, y - 1).r > 100);
  EXPECT_GE(stripes, 4) << "red and black bands along the body";
  hf::world::wingPhase() = M_PI / 2;
  p = stage({0, 0.1f, 1.5f}, {0, 0.1f, 0}, {0, 1, 0}, hf::world::program(0), 1, bee);
  p.save("bee-from-behind");
  for (int side : {-1, 1}) {  // the bar's axis from its pixels' second moments
    std::complex<double> s = 0, s2 = 0, n = 0;
    for (int k = 0; k < FW * FH; ++k) {
      const std::complex<double> z(k % FW, k / FW);
      if ((k % FW - FW / 2) * side > 24 && p.at(k % FW, k / FW).g < 200) n += 1, s += z, s2 += z * z;
    }
    EXPECT_NEAR(std::arg(s2 - s * s / n) * 90 / M_PI, -30 * side, 2) << "the wing on side " << side;
  }
}

// Each rig flies the bee on, watches from behind and above under its lights.
TEST_F(Bee, TheChaseFliesTheBeeOnAndWatchesFromBehindAndAboveUnderItsLights) {
  const GLfloat zero[4] = {0, 0, 0, 0}, high[4] = {0, 1, 2, 2.0011f};
  const std::tuple<void (*)(const GLfloat *), const GLfloat *, glm::vec3, const float *> rigs[] = {
      {hf::world::subbeeY, high, {0, 1.5f, 4}, kY}, {hf::world::subbeeX, zero, {0, 0.5f, 2}, kX}};
  for (const auto &[rig, p, offset, lights] : rigs) {
    hf::clockAt(origin, 10 * (p == zero));
    frame->bind();
    rig(p);
    const float z = beeAt().z;
    hf::clockAt(origin, 10 * (p == zero) + 0.5);
    gl4duClean(GL4DU_FILTERS);
    rig(p);
    for (int i = 0; i < 3; ++i) EXPECT_NEAR(eye()[i] - beeAt()[i], offset[i], 1e-4) << "eye offset " << i;
    EXPECT_NEAR(beeAt().z, z - 2.475f, 1e-4) << "4.95 units a second towards -z";
    const glm::vec3 h = offset.y * glm::vec3(1, 3, 2) + glm::vec3(1.5f, 1, 0.9f);  // the lights' heights
    EXPECT_LT(lightsOff(lights, 0.5, eye(), h, 0.5f + 3.633341f), 1e-3) << "its lights";
  }
  const auto top = [](hf::Picture p) { return p.px.erase(p.px.begin(), p.px.end() - FW * 16), p.h = 4, p; };
  const hf::Picture sky = top(frame->read());  // subbeeX's, over the horizon
  glClear(GL_COLOR_BUFFER_BIT), gl4duClean(GL4DU_FILTERS), hf::world::fond(0.5 + 1.633341);
  EXPECT_EQ(changed(sky, top(frame->read()), 0), 0) << "the backdrop alone at the rig's time";
  EXPECT_GT(sky.mean().r + sky.mean().g + sky.mean().b, 60) << "and lit: " << sky.mean();
  // Its hue where the eye looks, at 64 x 36, a draw a second for 1000 s: the ramp turns once in 50 s (the hue's mean
  // rate), its bands sway at 0.35 rad/s (the strongest rate left).
  hf::Frame small(64, 36);
  std::vector<double> hue(1000);
  for (int k = 0; k < 1000; ++k) {
    small.bind(), glClear(GL_COLOR_BUFFER_BIT), hf::world::fond(k);
    const hf::Rgba c = small.read().mean(30, 16, 34, 20);
    const double h = std::atan2(std::sqrt(3.0) * (c.g - c.b), 2.0 * c.r - c.g - c.b) / (2 * M_PI);
    hue[k] = k ? hue[k - 1] + std::remainder(h - hue[k - 1], 1.0) : h;
  }
  const double rate = (hue[999] - hue[0]) / 999;
  std::pair<double, double> strongest = {0, 0};  // amplitude, rad/s
  for (double w = 0.1; w < 0.6; w += 0.002) {
    std::complex<double> z = 0;
    for (int k = 0; k < 1000; ++k) z += (hue[k] - rate * k) * std::polar(1.0, -w * k);
    strongest = std::max(strongest, {std::abs(z), w});
  }
  EXPECT_NEAR(rate, 0.02, 0.001) << "turns of the hue a second";
  EXPECT_NEAR(strongest.second, 0.35, 0.01) << "the bands' sway, rad/s";
  // The wings beat 20.7 times a second (two beats of 1.085 rad a 60 Hz step), at any frame rate.
  double t = 10.5;
  for (int fps : {30, 60, 144}) {
    const double phase = hf::world::wingPhase(), from = t;
    for (int i = 0; i < 4; ++i) hf::clockAt(origin, t += 1.0 / fps), hf::world::subbeeX(zero);
    EXPECT_NEAR((hf::world::wingPhase() - phase) / (t - from) / (2 * M_PI), 2 * 1.085 * 60 / (2 * M_PI), 1e-3)
        << "beats a second at " << fps << " fps";
  }
}

// The opening flight by its 60 Hz steps: hover, climb, stutter, swing behind the bee, flight against the drag,
// lights from 15.49 s, backdrop from 19.49. Each moment is drawn after the step before it, so that its last frame
// is one step; the jumps between moments move the settling and the flight by every step they cover; the flight's
// speed is the steps' at 30 and 144 frames a second too.
TEST_F(Bee, TheOpeningFlightStepByStep) {
  std::vector<int> steps = {0, 150, 151, 255, 282, 306, 349, 390, 476, 522, 570, 630, 690, 738, 747};  // 1/60 s
  for (int n = 750; n < 22 * 60; n += 15) steps.push_back(n);
  glm::vec3 offset(0, 0.16652f, -0.26652f);  // the eye's, just over the bee
  float z = 0, speed = 0;
  int done = 0;
  const auto stepTo = [&](int n) {  // the steps up to n, as the show takes them
    for (; done < n; ++done) {
      const double ts = (done + 1) / 60.0;
      if (ts >= 9.16 && ts < 12.49) offset += static_cast<float>(std::pow((ts - 9.16) / 3.33, 2)) * (glm::vec3(0, 0.5f, 2) - offset);
      const float dt = 1 / 60.0f, v = speed + 1.5f * dt;
      if (ts >= 12.49) z -= speed * dt, speed = v - 0.8f * v * dt * v * dt;
    }
  };
  for (const int n : steps) {
    const double t = n / 60.0;
    SCOPED_TRACE(t);
    stepTo(n);
    if (n) drawAt(beebegin, (n - 1) / 60.0);
    const double wings = hf::world::wingPhase();
    drawAt(beebegin, t);
    if (n == 349) offset = {0, 3.9f, 0};  // the top of the climb
    if (n > 151 && n < 349)  // a quarter, half and three quarters of the way up at 4.25, 4.7 and 5.1 s
      EXPECT_NEAR((eye().y - beeAt().y - 0.16652) / (3.9 - 0.16652), n == 255 ? 0.25 : n == 282 ? 0.5 : 0.75, 0.005) << "the climb";
    else
      for (int i = 0; i < 3; ++i) EXPECT_NEAR(eye()[i] - beeAt()[i], offset[i], 1e-3) << "eye over the bee, " << i;
    offset = eye() - beeAt();
    const glm::vec3 up(view()[0][1], view()[1][1], view()[2][1]), ahead(-view()[0][2], -view()[1][2], -view()[2][2]);
    EXPECT_LT(glm::distance(ahead, t < 5.83 ? glm::vec3(0, -1, 0) : glm::normalize(beeAt() - eye())), 1e-3) << "looking down, then at the bee";
    EXPECT_TRUE(t >= 5.83 || glm::distance(up, glm::normalize(glm::vec3(-FH, 0, -FW))) < 1e-3) << "the frame's top ahead, turned by atan(H / W)";
    EXPECT_TRUE(t < 12.49 || std::fabs(view()[0][0] - 1) < 1e-3) << "upright behind the bee";
    EXPECT_NEAR(beeAt().z, z, 2e-3) << "the bee's flight";
    const double q = t > 5.83 ? std::pow((t - 5.83) / 3.33, 2) : 0, beat = (hf::world::wingPhase() - wings) / 2;
    EXPECT_NEAR(beat, t > 9.16 ? M_PI / 3 + 0.025 : (0.1 * q + 0.9 * std::fabs(std::sin(2.5 * M_PI * q))) * M_PI / 3,
                t > 9.16 ? 0.025 : 1e-4)
        << "the wings' beat in one step, stuttering, then fluttering";
    const float f = t > 15.49 ? 0.5f * (static_cast<float>(t) - 15.49f) : 0;
    EXPECT_LT(lightsOff(kX, t, eye(), {2, 1.5f, 1.4f}, f), 1e-3) << "the lights";
    EXPECT_NEAR(hf::uniformFloats(hf::world::program(2), "temps")[0], std::max(0.0f, f - 2), 1e-4) << "backdrop's time";
    EXPECT_FALSE(glIsEnabled(GL_DEPTH_TEST) || glIsEnabled(GL_BLEND)) << "depth and blending as found";
    if (n != 630) continue;  // a sixth of a second of settling at 144 fps, each frame drawn twice (a stalled clock)
    for (int k = 1; k <= 48; ++k) drawAt(beebegin, t + (k + 1) / 2 / 144.0);
    stepTo(640);
    for (int i = 0; i < 3; ++i) EXPECT_NEAR(eye()[i] - beeAt()[i], offset[i], 1e-3) << "settling at 144 fps, " << i;
    offset = eye() - beeAt();
  }
  for (const auto &[fps, frames] : {std::pair{30, 3}, {144, 12}}) {  // a sixth and a twelfth of a second
    const float from = beeAt().z, expected = z;
    const double t = done / 60.0;
    for (int k = 1; k <= frames; ++k) drawAt(beebegin, t + k / double(fps));
    stepTo(done + frames * 60 / fps);
    EXPECT_NEAR((beeAt().z - from) / (z - expected), 1, 1e-3) << "the speed at " << fps << " fps, " << speed << " units/s";
  }
  // The flutter over 300 steps in a row, spread evenly over its 0.05 rad (300 even draws span less than 0.0475 of it
  // once in 280,000 seeds).
  hf::Frame small(32, 18);
  double lo = 9, hi = 0;
  for (int k = 1; k <= 300; ++k) {
    const double wings = hf::world::wingPhase();
    hf::clockAt(origin, (done + k) / 60.0), small.bind(), beebegin(2);
    lo = std::min(lo, (hf::world::wingPhase() - wings) / 2), hi = std::max(hi, (hf::world::wingPhase() - wings) / 2);
  }
  EXPECT_TRUE(lo >= M_PI / 3 - 1e-6 && hi <= M_PI / 3 + 0.05 + 1e-6 && hi - lo > 0.0475) << lo << " to " << hi;
}

// bee3 the edges of the chase's frame (dark but for them) after the sky's scattering and blur and a blur of 3, bee2
// their negative, channel by channel. bee4 lifts the bee by s1, s1 + s3 ahead of its base, the eye s3 over it and 2
// to 4 behind, the relief (t - 6)^0.9 <= 2.
TEST_F(Bee, TheFilteredScenesEdgesInBee2AndBee3TheClimbInBee4ThenBee5UnfilteredAndBee6AndBee7Blurred) {
  hf::world::saveMotion();
  const hf::Picture light = drawAt(bee2, 0, true);
  EXPECT_EQ(hf::filterCalls, "scatter 7 blur 21 blur 3 ");
  hf::world::restoreMotion();
  const hf::Picture dark = drawAt(bee3, 0, true);
  EXPECT_LT(dark.mean().r + dark.mean().g + dark.mean().b, 3 * 85) << dark.mean();
  int off = 0;
  for (size_t i = 0; i < light.px.size(); ++i) off += i % 4 != 3 && std::abs(light.px[i] + dark.px[i] - 255) > 1;
  EXPECT_EQ(off, 0) << "levels of bee2 and bee3 not adding up to 255";
  auto s = [](double t, double c) { return 1 / (1 + std::exp(-6 * (t - c) / c)); };
  for (double t : {0.0, 1.0, 1.9, 3.0, 6.5, 7.5, 9.0}) {
    SCOPED_TRACE(t);
    const double s1 = 2.5 * s(t, 1.9), s3 = 3.5 * s(t, 3);
    const hf::Picture climb = drawAt(bee4, t, true);
    const glm::vec3 seen = eye() - beeAt();
    EXPECT_NEAR(beeAt().y, 0.1 + s1, 1e-4) << "lifted";
    EXPECT_NEAR(beeAt().z, -4.95 * t - s1 - s3, 1e-3) << "flown on and surged ahead";
    EXPECT_NEAR(seen.y, s3 - s1 + 0.5, 1e-4) << "the eye over the base";
    EXPECT_NEAR(seen.z, 2 + 2 * s(t, 1), 1e-4) << "and behind";
    if (t < 6) continue;  // (earlier the eye's last bit still moves the tiles' edges)
    const GLfloat p[4] = {0, seen.y - 0.5f, seen.z - 2, static_cast<float>(std::min(2.0, std::pow(t - 6, 0.9)))};
    rewind(), hf::world::redrawRig(p, false);
    gl4dfSobelSetResultMode(GL4DF_SOBEL_RESULT_INV_LUMINANCE), gl4dfSobelSetMixFactor(0.9f);
    gl4dfSobelSetMixMode(GL4DF_SOBEL_MIX_ADD), gl4dfSobel(frame->tex, frame->tex, GL_FALSE);
    // A few pixels (0 to 1 on llvmpipe, 6 to 7 on softpipe): the eye is worked out apart from bee4's, and the edges
    // magnify a last-bit difference where a ridge meets the sky. The relief's growth a tenth off moves over 2,000.
    EXPECT_LE(changed(climb, frame->read(), 8), 20) << "relief " << p[3];
  }
  // bee5: its rig's frame alone; bee6, bee7: scattered, blurred 10 + 2 or 4 t.
  const GLfloat high[4] = {0, 1, 2, 2.0011f};
  const std::tuple<void (*)(int), double, GLuint> rows[] = {{bee5, 10, 0},    {bee6, 10, 10},   {bee7, 10, 10},
                                                            {bee6, 12.6, 15}, {bee7, 12.6, 20}, {bee5, 15, 0},
                                                            {bee6, 15, 20},   {bee7, 15, 30}};
  for (const auto &[scene, t, radius] : rows) {
    const hf::Picture seen = drawAt(scene, t, true);
    rewind(), hf::world::redrawRig(high, true);
    if (radius) gl4dfScattering(frame->tex, frame->tex, 13, 0, 0, GL_FALSE);
    if (radius) gl4dfBlur(frame->tex, frame->tex, radius, 1, 0, GL_FALSE);
    EXPECT_EQ(changed(seen, frame->read(), 0), 0) << "at " << t << " s, radius " << radius;
  }
}

}  // namespace
