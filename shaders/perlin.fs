#version 330 core
// Shared fragment stage of the landscape ("sol" = 1) and the bee
// ("corps" = 2): the surface colour lit by "nbL" point lights whose light
// fades with distance, then tone mapped, since the chase rigs let the light
// colours grow without bound.
//
// SURFACE, where the program that draws with this stage defines it, keeps
// only that surface's paths: SURFACE_GROUND (no stripes, no highlights),
// SURFACE_PLAIN_GROUND (the ground without its tile either: the brown
// relief) or SURFACE_BEE (no tile). A software rasteriser runs both sides of
// every branch under a mask, uniform conditions included, so the ground
// would pay for the bee's stripes and highlights on every pixel, and the
// brown relief for the tile it does not show. Undefined, all are kept and
// the uniforms choose.
#define SURFACE_GROUND 1
#define SURFACE_BEE 2
#define SURFACE_PLAIN_GROUND 3
#if !defined(SURFACE) || SURFACE == SURFACE_GROUND
#define HAS_GROUND 1
#endif
#if !defined(SURFACE) || SURFACE == SURFACE_BEE
#define HAS_BEE 1
#endif
uniform vec4 couleur;
uniform int hasTex;
uniform int sol;
uniform int corps;
uniform sampler2D tex;    // the landscape's tile
uniform sampler2D myTex;  // the bee's stripes: a black row over two red ones
uniform int nbL;
uniform vec4 Lp[4];  // light positions, world
uniform vec4 Lc[4];  // light colours, above 1 as often as not
in vec3 vsoPosition;
in vec3 vsoNormal;
in vec2 vsoTexCoord;
in float vsoAlong;  // the bee: position along its long axis, -1..1
flat in vec3 vsoEye;
out vec4 fragColor;

const vec3 AMBIENT = vec3(0.1, 0.12, 0.22);  // a bluish sky
const float FALLOFF = 0.015;    // light / (1 + FALLOFF * distance^2)
const float STRIPES = 1.6;      // stripe periods per unit of the body's long axis
const float KNEE = 0.6;         // tone mapping leaves values below this alone
const float GLOSS = 0.6, SHININESS = 40.0;  // the bee's highlights
// The ground fades into the backdrop from GROUND_EDGE to GROUND_END (the
// grid's edge), in world units from the eye: both defined by the program
// that draws it, which filters the backdrop only where it can show.

#ifdef HAS_GROUND
// The tile, filtered anisotropically: the ground is seen at grazing angles.
// A hardware driver's sampler does it (the texture carries the driver's
// highest anisotropy). A software rasteriser's own anisotropic path (the
// window library defines GL4D_SOFTWARE_RASTERIZER there) costs several times
// the whole pass, or is missing (softpipe filters only between mipmap
// levels), so there the filter is taken here the way hardware takes it:
// bilinear probes of level 0 (the tile has no mipmaps) spread evenly along
// the major axis of the pixel's footprint, as many as the ratio of its axes
// up to MAX_ANISOTROPY, averaged. Probes more than a texel apart would skip
// texels and closer ones add nothing, so the minor axis counts as at least a
// texel. A probe takes its texels from the rule that fills the tile
// (TILE_SIZE texels a side, a black frame TILE_FRAME texels wide along the
// first rows and columns, white cells of alpha TILE_CELL_ALPHA / 255, all
// defined by the program that fills it): the very values a read would give,
// at a fraction of a read's cost here, and no sampler to filter them again.
#ifdef GL4D_SOFTWARE_RASTERIZER
const float MAX_ANISOTROPY = 16.0;  // what llvmpipe offers

// Texel t of the tile, 0 <= t < TILE_SIZE; the alpha as an 8-bit read gives it.
vec4 tileAt(ivec2 t) {
  return all(greaterThanEqual(t, ivec2(TILE_FRAME))) ? vec4(1.0, 1.0, 1.0, float(TILE_CELL_ALPHA) * (1.0 / 255.0))
                                                     : vec4(0.0, 0.0, 0.0, 1.0);
}

// Bilinear, the tile repeated; p in texels.
vec4 probe(vec2 p) {
  p -= 0.5;
  vec2 f = fract(p);
  ivec2 c = ivec2(floor(p)), m = ivec2(TILE_SIZE - 1);
  vec4 a = tileAt(c & m), b = tileAt((c + ivec2(1, 0)) & m);
  vec4 d = tileAt((c + ivec2(0, 1)) & m), e = tileAt((c + ivec2(1, 1)) & m);
  return mix(mix(a, b, f.x), mix(d, e, f.x), f.y);
}

vec4 tileTexel(vec2 uv) {
  vec2 p = uv * vec2(TILE_SIZE), dx = dFdx(p), dy = dFdy(p);
  float lx = length(dx), ly = length(dy);
  int probes = int(min(ceil(max(lx, ly) / max(min(lx, ly), 1.0)), MAX_ANISOTROPY));
  vec2 step = (lx >= ly ? dx : dy) / float(probes);
  p -= 0.5 * float(probes - 1) * step;
  vec4 sum = vec4(0.0);
  for (int i = 0; i < probes; ++i) sum += probe(p + float(i) * step);
  return sum / float(probes);
}
#else
vec4 tileTexel(vec2 uv) { return texture(tex, uv); }
#endif
#endif

// Colour before lighting: the tile laid over the ground by its alpha, or the
// stripes multiplying the bee's colour. The stripes run across the body's
// long axis (the wings and the head are black anyway).
#ifdef HAS_GROUND
vec4 groundAlbedo() {
  vec4 t = tileTexel(vsoTexCoord);
  return vec4(mix(couleur.rgb, t.rgb, t.a), couleur.a);
}
#endif
#ifdef HAS_BEE
vec4 beeAlbedo() { return couleur * texture(myTex, vec2(0.5, STRIPES * vsoAlong)); }
#endif

vec4 albedo() {
  if (hasTex == 0) return couleur;
#if !defined(HAS_BEE) && !defined(HAS_GROUND)
  return couleur;  // the plain ground: no tile whatever "hasTex" says
#elif !defined(HAS_BEE)
  return groundAlbedo();
#elif !defined(HAS_GROUND)
  return beeAlbedo();
#else
  if (sol == 1) return groundAlbedo();
  return beeAlbedo();
#endif
}

// Light i arriving at p: its colour dimmed by distance, and the direction
// towards it. Light 0 stands far overhead (40 units up or more): it lights
// like the sun, undimmed by distance.
vec3 arriving(int i, vec3 p, out vec3 l) {
  vec3 toLight = Lp[i].xyz - p;
  float d2 = dot(toLight, toLight);
  l = toLight * inversesqrt(d2);
  return i == 0 ? Lc[i].rgb : Lc[i].rgb / (1.0 + FALLOFF * d2);
}

// Compresses the brightest channel smoothly towards 1 above KNEE and scales
// the others with it: over-bright light keeps its hue instead of clipping
// to white.
vec3 compressHighlights(vec3 c) {
  float m = max(c.r, max(c.g, c.b));
  if (m <= KNEE) return c;
  float mapped = 1.0 - (1.0 - KNEE) * exp(-(m - KNEE) / (1.0 - KNEE));
  return c * (mapped / m);
}

void main() {
  // The wings are drawn without culling: light their back faces too.
  vec3 n = normalize(gl_FrontFacing ? vsoNormal : -vsoNormal);
  vec4 c = albedo();
  vec3 light = c.rgb * AMBIENT;
  int lights = min(nbL, 4);
  vec3 l;
  for (int i = 0; i < lights; ++i) light += c.rgb * arriving(i, vsoPosition, l) * max(dot(n, l), 0.0);
#ifdef HAS_BEE
  // Only the bee is glossy, so that its black head and wings catch the
  // lights.
  vec3 toEye = normalize(vsoEye - vsoPosition);
  for (int i = 0; i < (corps == 2 ? lights : 0); ++i) {
    vec3 arrived = arriving(i, vsoPosition, l);
    if (dot(n, l) > 0.0) light += arrived * GLOSS * pow(max(dot(n, normalize(l + toEye)), 0.0), SHININESS);
  }
#endif
  float alpha = c.a;
  // The ground fades out towards the grid's edge, showing the backdrop.
  if (sol == 1) alpha *= 1.0 - smoothstep(GROUND_EDGE, GROUND_END, length(vsoPosition.xz - vsoEye.xz));
  fragColor = vec4(compressHighlights(light), alpha);
}
