#version 330 core
// Textured full-screen quad: "tx" multiplied by "color" when "colorize" is 1,
// and, when "beep" is 1, a small soft spot of that colour at "pt".
uniform sampler2D tx;
uniform int colorize, beep;
uniform vec4 color;
uniform vec2 pt;  // in texture coordinates, 0..1 across the frame
in vec2 vsoTexCoord;
out vec4 fragColor;

const float SPOT_SIGMA = 0.005;  // in frame heights

// Gaussian spot around centre, measured in frame heights so it stays round
// whatever the frame's shape.
float spot(vec2 uv, vec2 centre) {
  vec2 size = vec2(textureSize(tx, 0));
  vec2 d = (uv - centre) * size / size.y;
  return exp(-dot(d, d) / (2.0 * SPOT_SIGMA * SPOT_SIGMA));
}

void main() {
  vec4 c = texture(tx, vsoTexCoord);
  if (colorize == 1) c *= color;
  if (beep == 1) c = mix(c, vec4(color.rgb, 1.0), spot(vsoTexCoord, pt));
  fragColor = c;
}
