#version 330 core
// The spiral: the pattern "tx" seen through a log-polar twist. "t" (1 down to
// about 0.0025) sets how tightly the arms wind; "tt" = (20 t)^4 is their
// phase, so the whirl spins fast at first and comes to rest as "t" falls.
uniform sampler2D tx;
uniform float tt;
uniform float t;
in vec2 vsoTexCoord;
out vec4 fragColor;

const float TAU = 6.28318530718;
// Repeats of the pattern around the centre: a whole number, so that the
// tileable pattern meets itself where atan jumps and leaves no seam.
const float REPEATS = 1.0;

// Width over height of the target, from how the texture coordinate changes
// from one pixel to the next (no resolution uniform is needed).
float aspectRatio() { return abs(dFdy(vsoTexCoord.y)) / max(abs(dFdx(vsoTexCoord.x)), 1e-6); }

void main() {
  vec2 q = (vsoTexCoord - 0.5) * vec2(aspectRatio(), 1.0);
  float r = max(length(q), 1e-4);
  float logR = log(r);
  float phase = 0.0004 * tt;      // radians; 64 at the start, ~0 at the end
  // Turns of an arm each time the radius grows e-fold: tight at first, loose
  // at the end.
  float winding = 0.35 + 1.4 * t;
  vec2 logPolar = vec2(REPEATS * (atan(q.y, q.x) + phase) / TAU + winding * logR,
                       0.25 * logR + 0.05 * phase);  // the pattern also flows inwards
  vec3 colour = texture(tx, logPolar).rgb;
  // The centre, where the log-polar map crowds every texel, becomes a glow
  // whose brightness follows the spin; the corners darken a little.
  vec3 glow = vec3(1.0, 0.85, 0.55) * (0.75 + 0.25 * t);
  colour = mix(glow, colour, smoothstep(0.0, 0.09, r));
  colour *= 1.0 - 0.35 * smoothstep(0.45, 1.0, r);
  fragColor = vec4(colour, 1.0);
}
