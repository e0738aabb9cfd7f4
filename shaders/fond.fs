#version 330 core
// The backdrop: bands of the hue ramp on unit 1, swaying and drifting as
// "temps" grows.
uniform sampler1D tex1;
uniform vec2 tt;
uniform float ts;
uniform float temps;
in vec2 vsoTexCoord;
out vec4 fragColor;

void main() {
  vec2 uv = vsoTexCoord * tt * ts;
  float hue = 3.0 * uv.x + 0.25 * sin(12.0 * uv.y + temps) + 0.05 * temps;
  fragColor = vec4(0.5 * texture(tex1, hue).rgb, 1.0);
}
