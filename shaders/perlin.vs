#version 330 core
// The landscape: the grid's flat vertices lifted by gradient noise read from
// the lookup tables. The relief is a function of world x and z, so it stays
// put while the grid follows the camera.
uniform mat4 proj, view, model;
uniform sampler2D permTexture;  // 3-D gradients (rgb) and hash (a)
uniform sampler2D gradTexture;  // 4-D gradients
uniform vec2 tt;      // world x, z of the grid's centre
uniform float ts;     // world half-extent of the grid
uniform float sy;     // relief height
uniform vec2 offset;  // spacing of neighbouring vertices in the grid's unit square
layout(location = 0) in vec3 vsiPosition;
out vec3 vsoPosition;
out vec3 vsoNormal;
out vec2 vsoTexCoord;

// Gradient of lattice cell c from a lookup table (its texel (c.x, c.y) is
// already hashed); the bytes 0, 64, 128 stand for -1, 0, 1.
vec2 gradient(sampler2D table, vec2 c) {
  vec2 g = texture(table, (c + 0.5) / 256.0).xy;
  return floor(g * (255.0 / 64.0) + 0.5) - 1.0;
}

// 2-D gradient noise with the quintic fade, about -1..1.
float gnoise(sampler2D table, vec2 p) {
  vec2 c = floor(p), f = p - c;
  vec2 u = f * f * f * (f * (f * 6.0 - 15.0) + 10.0);
  float n00 = dot(gradient(table, c), f);
  float n10 = dot(gradient(table, c + vec2(1.0, 0.0)), f - vec2(1.0, 0.0));
  float n01 = dot(gradient(table, c + vec2(0.0, 1.0)), f - vec2(0.0, 1.0));
  float n11 = dot(gradient(table, c + vec2(1.0, 1.0)), f - vec2(1.0, 1.0));
  return mix(mix(n00, n10, u.x), mix(n01, n11, u.x), u.y);
}

// Broad hills from one table, finer detail from the other.
float relief(vec2 xz) {
  return sy * (gnoise(permTexture, xz * 0.05) + 0.35 * gnoise(gradTexture, xz * 0.2));
}

void main() {
  vec2 xz = tt + ts * vsiPosition.xz;
  float h = relief(xz);
  // Finite differences one vertex away (the unit square maps onto -1..1).
  vec2 d = 2.0 * offset * ts;
  float hx = relief(xz + vec2(d.x, 0.0));
  float hz = relief(xz + vec2(0.0, d.y));
  vsoNormal = normalize(vec3((h - hx) / d.x, 1.0, (h - hz) / d.y));
  vec4 world = model * vec4(vsiPosition.x, vsiPosition.y + h, vsiPosition.z, 1.0);
  vsoPosition = world.xyz;
  // One tile every two world units, fixed in the world.
  vsoTexCoord = xz * 0.5;
  gl_Position = proj * view * world;
}
