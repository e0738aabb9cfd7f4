#version 330 core
// Textured full-screen quad: "tx" multiplied by "color" when "colorize" is 1,
// and, when "beep" is 1, a small soft spot of that colour at "pt" over the
// fed-back picture, which loses a little light at every pass so that the
// trace's trail fades.
uniform sampler2D tx;
uniform int colorize, beep;
uniform vec4 color;
uniform vec2 pt;  // in texture coordinates, 0..1 across the frame
in vec2 vsoTexCoord;
out vec4 fragColor;

const float SPOT_SIGMA = 0.005;  // in frame heights
// Share of the trail's light kept by one pass: beep draws 21 a frame, so at
// 60 frames a second the trail loses half its light in half a second (and
// all but 5 % in one 2.2 s sweep).
const float TRAIL_KEEP = 0.9989;

// Gaussian spot around centre, measured in frame heights so it stays round
// whatever the frame's shape.
float spot(vec2 uv, vec2 centre) {
  vec2 size = vec2(textureSize(tx, 0));
  vec2 d = (uv - centre) * size / size.y;
  return exp(-dot(d, d) / (2.0 * SPOT_SIGMA * SPOT_SIGMA));
}

// Pseudo-random value in [0, 1) for a seed.
float hash(vec2 seed) {
  return fract(sin(dot(seed * 1013.0, vec2(12.9898, 78.233))) * 43758.5453);
}

// The fade is far below one 8-bit level a pass, so it holds only on average:
// an offset of up to half a level, drawn afresh at every pass from its spot,
// is added before the frame rounds it. The offset is the same over the whole
// frame: the blur that follows each pass averages the pixels around each
// one, and would cancel an offset that changed from pixel to pixel (and show
// the edges of one that changed from block to block). Black, with no light
// to lose, stays black: the offset never reaches half a level.
vec3 fadeTrail(vec3 c) {
  return max(c * TRAIL_KEEP + (hash(pt) - 0.5) / 255.0, 0.0);
}

void main() {
  vec4 c = texture(tx, vsoTexCoord);
  if (colorize == 1) c *= color;
  if (beep == 1) {
    c.rgb = fadeTrail(c.rgb);
    c = mix(c, vec4(color.rgb, 1.0), spot(vsoTexCoord, pt));
  }
  fragColor = c;
}
