#version 330 core
// The backdrop: slow waves through the hue ramp on unit 1, drifting as
// "temps" grows. The quad is huge ("tt" and "ts" scale its coordinates);
// only its middle, about the horizon, is ever seen.
uniform sampler1D tex1;
uniform vec2 tt;
uniform float ts;
uniform float temps;
in vec2 vsoTexCoord;
out vec4 fragColor;

const float VIEW = 40.0;   // wave units across the whole quad
const float GLOW = 0.55;   // kept darker than the lit world in front of it

void main() {
  vec2 p = (vsoTexCoord * tt * ts - 0.5) * VIEW;
  // Two crossing waves bend the bands; the whole ramp turns slowly.
  float hue = 0.04 * p.x + 0.18 * sin(0.9 * p.y + 0.35 * temps + 0.6 * sin(0.4 * p.x - 0.2 * temps)) +
              0.12 * sin(0.3 * p.x - 0.25 * temps) + 0.02 * temps;
  // Brighter towards the horizon (p.y = 0), darker overhead.
  float shade = GLOW * (0.55 + 0.45 * exp(-abs(p.y) * 0.35));
  fragColor = vec4(shade * texture(tex1, hue).rgb, 1.0);
}
