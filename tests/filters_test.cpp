// The image filters against CPU references of what they promise, in place
// or not, leaving the caller's GL state as they found it.
#include <algorithm>
#include <cmath>
#include <cstring>
#include <functional>

#include "support/gl.h"

namespace {

constexpr int W = 48, H = 32;

// RGBA floats in 0..1, read with the edges repeated (as the filters read).
struct Image {
  int w = W, h = H;
  std::vector<float> v = std::vector<float>(W * H * 4);
  float at(int x, int y, int c) const {
    x = std::clamp(x, 0, w - 1);
    y = std::clamp(y, 0, h - 1);
    return v[(y * w + x) * 4 + c];
  }
  float &set(int x, int y, int c) { return v[(y * w + x) * 4 + c]; }
};

Image fromPicture(const hf::Picture &p) {
  Image img{p.w, p.h, std::vector<float>(p.px.size())};
  for (size_t i = 0; i < p.px.size(); ++i) img.v[i] = p.px[i] / 255.0f;
  return img;
}

// Root mean square difference over the four channels, in 8-bit levels.
double rms(const Image &a, const Image &b) {
  double s = 0;
  for (size_t i = 0; i < a.v.size(); ++i) s += std::pow(255.0 * (a.v[i] - b.v[i]), 2);
  return std::sqrt(s / a.v.size());
}

Image gaussian(const Image &in, double sigma) {
  Image img = in;
  for (int axis = 0; axis < 2; ++axis) {
    const Image src = img;
    const int reach = static_cast<int>(std::ceil(4 * sigma));
    for (int y = 0; y < H; ++y)
      for (int x = 0; x < W; ++x)
        for (int c = 0; c < 4; ++c) {
          double sum = 0, weights = 0;
          for (int i = -reach; i <= reach; ++i) {
            const double k = std::exp(-0.5 * i * i / (sigma * sigma));
            sum += k * src.at(x + (axis ? 0 : i), y + (axis ? i : 0), c);
            weights += k;
          }
          img.set(x, y, c) = static_cast<float>(sum / weights);
        }
  }
  return img;
}

Image median(const Image &in) {
  Image out = in;
  for (int y = 0; y < H; ++y)
    for (int x = 0; x < W; ++x)
      for (int c = 0; c < 4; ++c) {
        float v[9];
        for (int k = 0; k < 9; ++k) v[k] = in.at(x + k % 3 - 1, y + k / 3 - 1, c);
        std::nth_element(v, v + 4, v + 9);
        out.set(x, y, c) = v[4];
      }
  return out;
}

// Sobel by its definition: the 3 x 3 kernels convolved with each channel, or with the luminance image, the gradient's
// length capped at 1, inverted in the INV modes, then mixed with the input by the mode; alpha the input's.
Image sobel(const Image &in, int result, int mix, float factor) {
  const float kx[3][3] = {{-1, 0, 1}, {-2, 0, 2}, {-1, 0, 1}};  // rows top down; the y kernel is its transpose
  const bool luminance = result >= GL4DF_SOBEL_RESULT_LUMINANCE;
  Image lum = in, out = in;
  for (size_t i = 0; i < in.v.size(); i += 4) lum.v[i] = 0.299f * in.v[i] + 0.587f * in.v[i + 1] + 0.114f * in.v[i + 2];
  for (int y = 0; y < H; ++y)
    for (int x = 0; x < W; ++x)
      for (int c = 0; c < 3; ++c) {
        float gx = 0, gy = 0;
        for (int j = 0; j < 3; ++j)
          for (int i = 0; i < 3; ++i) {
            const float p = luminance ? lum.at(x + i - 1, y + j - 1, 0) : in.at(x + i - 1, y + j - 1, c);
            gx += kx[j][i] * p, gy += kx[i][j] * p;
          }
        float e = std::min(1.0f, std::sqrt(gx * gx + gy * gy)), v = in.at(x, y, c);
        if (result == GL4DF_SOBEL_RESULT_INV_RGB || result == GL4DF_SOBEL_RESULT_INV_LUMINANCE) e = 1 - e;
        e = mix == GL4DF_SOBEL_MIX_ADD ? v + factor * e : mix == GL4DF_SOBEL_MIX_MULT ? v * (1 - factor + factor * e) : e;
        out.set(x, y, c) = std::clamp(e, 0.0f, 1.0f);
      }
  return out;
}

// Smooth ramps, a hard edge and noise: every filter has something to do.
std::vector<std::uint8_t> pattern() {
  std::vector<std::uint8_t> px(W * H * 4);
  for (int y = 0; y < H; ++y)
    for (int x = 0; x < W; ++x) {
      const unsigned n = (x * 73856093u ^ y * 19349663u) * 2654435761u >> 24;
      std::uint8_t *p = &px[(y * W + x) * 4];
      p[0] = static_cast<std::uint8_t>(x * 5);
      p[1] = x > 20 && y < 20 ? 230 : 20;
      p[2] = static_cast<std::uint8_t>(n);
      p[3] = static_cast<std::uint8_t>(255 - y * 3);
    }
  return px;
}

struct Filters : hf::GlTest {
  std::vector<std::uint8_t> src = pattern();
  Image input = fromPicture({W, H, src});
  // The filter from a fresh texture of the pattern, in place or into another.
  Image run(const std::function<void(GLuint, GLuint)> &filter, bool inPlace = true) {
    const GLuint in = hf::makeTexture(W, H, src.data()), out = inPlace ? in : hf::makeTexture(W, H);
    filter(in, out);
    const Image result = fromPicture(hf::readTexture(out));
    glDeleteTextures(1, &in);
    if (!inPlace) glDeleteTextures(1, &out);
    return result;
  }
};

TEST_F(Filters, BlurIsTheGaussianOfAThirdOfItsRadiusAndItsIterations) {
  const struct {
    GLuint radius, iterations;
  } cases[] = {{3, 1}, {4, 2}, {12, 1}, {21, 1}, {60, 1}};
  for (const auto &c : cases)
    for (bool inPlace : {true, false})
      EXPECT_LT(rms(run([&](GLuint i, GLuint o) { gl4dfBlur(i, o, c.radius, c.iterations, 0, GL_FALSE); }, inPlace),
                    gaussian(input, c.radius / 3.0 * std::sqrt(c.iterations))),
                1.5)
          << "radius " << c.radius << ", " << c.iterations << " iterations, in place " << inPlace;
  EXPECT_EQ(rms(run([](GLuint i, GLuint o) { gl4dfBlur(i, o, 0, 1, 0, GL_FALSE); }), input), 0.0);
}

TEST_F(Filters, MedianAndSobelInEveryModeMatchTheirReferences) {
  EXPECT_LT(rms(run([](GLuint i, GLuint o) { gl4dfMedian(i, o, 1, GL_FALSE); }, false), median(input)), 0.5);
  const struct {
    GL4DFenum result, mix;
    float factor;
  } cases[] = {{GL4DF_SOBEL_RESULT_RGB, GL4DF_SOBEL_MIX_NONE, 1},     {GL4DF_SOBEL_RESULT_INV_RGB, GL4DF_SOBEL_MIX_NONE, 1},
               {GL4DF_SOBEL_RESULT_LUMINANCE, GL4DF_SOBEL_MIX_NONE, 1}, {GL4DF_SOBEL_RESULT_INV_LUMINANCE, GL4DF_SOBEL_MIX_ADD, 0.4f},
               {GL4DF_SOBEL_RESULT_RGB, GL4DF_SOBEL_MIX_MULT, 0.3f},    {GL4DF_SOBEL_RESULT_LUMINANCE, GL4DF_SOBEL_MIX_ADD, 1.5f}};
  for (const auto &c : cases) {
    gl4dfSobelSetResultMode(c.result);
    gl4dfSobelSetMixMode(c.mix);
    gl4dfSobelSetMixFactor(c.factor);  // held within 0..1
    EXPECT_LT(rms(run([](GLuint i, GLuint o) { gl4dfSobel(i, o, GL_FALSE); }),
                  sobel(input, c.result, c.mix, std::min(c.factor, 1.0f))),
              0.6)
        << "result " << c.result << ", mix " << c.mix;
  }
}

TEST_F(Filters, ScatteringMovesPixelsWithinItsRadiusAndKeepsTheirColours) {
  src.assign(W * H * 4, 0);
  for (int i = 0; i < 4; ++i) src[((H / 2) * W + W / 2) * 4 + i] = 255;  // one white pixel
  int moved = 0, lit = 0;
  for (int call = 0; call < 50; ++call) {
    const Image out = run([](GLuint i, GLuint o) { gl4dfScattering(i, o, 5, 0, 0, GL_FALSE); });
    for (int y = 0; y < H; ++y)
      for (int x = 0; x < W; ++x)
        if (out.at(x, y, 0) > 0) {
          ++lit;
          EXPECT_LE(std::hypot(x - W / 2, y - H / 2), 5.0) << "a white pixel at " << x << ", " << y;
          EXPECT_EQ(out.at(x, y, 1), 1.0f) << "colours are moved, not mixed";
          moved += x != W / 2 || y != H / 2;
        }
  }
  EXPECT_GT(moved, 25) << "of " << lit << " white pixels seen in 50 calls, too few moved";
  EXPECT_EQ(rms(run([](GLuint i, GLuint o) { gl4dfScattering(i, o, 0, 0, 0, GL_FALSE); }), fromPicture({W, H, src})), 0);
}

// Inside a region, each filter as a whole call computes it, at every blur plan (full resolution, levels 2, 3 and 5
// through the strip); the region first, while the temporaries hold nothing of the picture. Scattering's sequence moves
// on with an empty region.
TEST_F(Filters, ARegionIsWhatTheWholeCallComputesThere) {
  const int w = 150, h = 110, x0 = 37, y0 = 41, x1 = 96, y1 = 64;
  std::vector<std::uint8_t> noise(w * h * 4);
  for (size_t i = 0; i < noise.size(); ++i) noise[i] = static_cast<std::uint8_t>((i * 2654435761u) >> 13);
  const std::function<void(GLuint)> filters[] = {
      [](GLuint t) { gl4dfBlur(t, t, 4, 1, 0, GL_FALSE); },  [](GLuint t) { gl4dfBlur(t, t, 7, 1, 0, GL_FALSE); },
      [](GLuint t) { gl4dfBlur(t, t, 12, 1, 0, GL_FALSE); }, [](GLuint t) { gl4dfBlur(t, t, 21, 1, 0, GL_FALSE); },
      [](GLuint t) { gl4dfMedian(t, t, 2, GL_FALSE); },      [](GLuint t) { gl4dfScattering(t, t, 7, 3, 0, GL_FALSE); }};
  for (size_t f = 0; f < std::size(filters); ++f) {
    hf::Picture seen[2];
    for (int whole : {0, 1}) {
      gl4duClean(GL4DU_FILTERS);
      gl4dfSetRegion(0, 0, whole ? -1 : 0, 0), filters[f](hf::makeTexture(w, h, noise.data()));
      gl4dfSetRegion(x0, y0, whole ? -1 : x1 - x0, y1 - y0);
      const GLuint t = hf::makeTexture(w, h, noise.data());
      filters[f](t);
      seen[whole] = hf::readTexture(t);
    }
    int differ = 0;
    for (int y = y0; y < y1; ++y)
      for (int x = x0; x < x1; ++x) differ += std::memcmp(&seen[0].px[(y * w + x) * 4], &seen[1].px[(y * w + x) * 4], 4) != 0;
    EXPECT_EQ(differ, 0) << "filter " << f;
  }
  gl4duClean(GL4DU_FILTERS);
}

TEST_F(Filters, CopiesAreExactUprightOrFlippedAndAverageWhenShrinking) {
  EXPECT_EQ(rms(run([](GLuint i, GLuint o) { gl4dfConvTex2Tex(i, o, GL_FALSE); }, false), input), 0.0);
  const Image flipped = run([](GLuint i, GLuint o) { gl4dfConvTex2Tex(i, o, GL_TRUE); }, false);
  EXPECT_EQ(flipped.at(3, 0, 1), input.at(3, H - 1, 1));
  EXPECT_EQ(flipped.at(30, H - 1, 2), input.at(30, 0, 2));
  const GLuint in = hf::makeTexture(W, H, src.data()), half = hf::makeTexture(W / 2, H / 2);
  gl4dfConvTex2Tex(in, half, GL_FALSE);
  const hf::Picture small = hf::readTexture(half);
  for (int c = 0; c < 4; ++c)
    EXPECT_NEAR(small.px[(7 * (W / 2) + 5) * 4 + c] / 255.0,
                (input.at(10, 14, c) + input.at(11, 14, c) + input.at(10, 15, c) + input.at(11, 15, c)) / 4, 1.5 / 255)
        << "channel " << c;
  glDeleteTextures(1, &in);
  glDeleteTextures(1, &half);
}

TEST_F(Filters, LeaveTheCallersStateAsTheyFoundIt) {
  struct State {
    GLint fbo, viewport[4], program, unit, tex0;
    GLboolean depth, blend, cull;
    GLfloat clear[4];
    bool operator==(const State &o) const { return std::memcmp(this, &o, sizeof *this) == 0; }
  };
  auto capture = [] {
    State s;
    std::memset(&s, 0, sizeof s);
    glGetIntegerv(GL_FRAMEBUFFER_BINDING, &s.fbo);
    glGetIntegerv(GL_VIEWPORT, s.viewport);
    glGetIntegerv(GL_CURRENT_PROGRAM, &s.program);
    glGetIntegerv(GL_ACTIVE_TEXTURE, &s.unit);
    glActiveTexture(GL_TEXTURE0);
    glGetIntegerv(GL_TEXTURE_BINDING_2D, &s.tex0);
    glActiveTexture(static_cast<GLenum>(s.unit));
    s.depth = glIsEnabled(GL_DEPTH_TEST), s.blend = glIsEnabled(GL_BLEND), s.cull = glIsEnabled(GL_CULL_FACE);
    glGetFloatv(GL_COLOR_CLEAR_VALUE, s.clear);
    return s;
  };
  hf::Frame frame(W, H);
  const GLuint other = hf::makeTexture(4, 4);
  glViewport(3, 4, 20, 10);
  glUseProgram(gl4duCreateProgram("<vs>shaders/basic.vs", "<fs>shaders/basic.fs", nullptr));
  glBindTexture(GL_TEXTURE_2D, other);
  glActiveTexture(GL_TEXTURE2);
  glEnable(GL_DEPTH_TEST), glEnable(GL_BLEND), glEnable(GL_CULL_FACE);
  glClearColor(0.1f, 0.2f, 0.3f, 0.4f);
  const State before = capture();
  const std::function<void(GLuint)> filters[] = {
      [](GLuint t) { gl4dfBlur(t, t, 9, 2, 0, GL_FALSE); }, [](GLuint t) { gl4dfScattering(t, t, 4, 1, 0, GL_TRUE); },
      [](GLuint t) { gl4dfMedian(t, t, 2, GL_FALSE); },      [](GLuint t) { gl4dfSobel(t, t, GL_FALSE); },
      [](GLuint t) { gl4dfConvTex2Tex(t, t, GL_TRUE); }};
  for (size_t i = 0; i < std::size(filters); ++i) {
    filters[i](frame.tex);  // the frame texture itself, attached to the bound framebuffer
    EXPECT_TRUE(capture() == before) << "filter " << i;
  }
  glUseProgram(0);
  glActiveTexture(GL_TEXTURE0);
  glDisable(GL_DEPTH_TEST), glDisable(GL_BLEND), glDisable(GL_CULL_FACE);
  glDeleteTextures(1, &other);
}

}  // namespace
