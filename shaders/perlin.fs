#version 330 core
// Shared fragment stage of the landscape ("sol" = 1) and the bee
// ("corps" = 2): the surface colour lit by "nbL" point lights.
uniform vec4 couleur;
uniform int hasTex;
uniform int sol;
uniform int corps;
uniform sampler2D tex;    // the landscape's tile
uniform sampler2D myTex;  // the bee's stripes
uniform int nbL;
uniform vec4 Lp[4];  // light positions, world
uniform vec4 Lc[4];  // light colours, may exceed 1
in vec3 vsoPosition;
in vec3 vsoNormal;
in vec2 vsoTexCoord;
out vec4 fragColor;

const vec3 AMBIENT = vec3(0.15);

// Colour before lighting: the tile laid over the ground by its alpha, or the
// stripes multiplying the bee's colour.
vec4 albedo() {
  if (hasTex == 0) return couleur;
  if (sol == 1) {
    vec4 t = texture(tex, vsoTexCoord);
    return vec4(mix(couleur.rgb, t.rgb, t.a), couleur.a);
  }
  return couleur * texture(myTex, vsoTexCoord);
}

// Lambert term of light i, fading with the square of the distance.
vec3 diffuse(int i, vec3 p, vec3 n) {
  vec3 toLight = Lp[i].xyz - p;
  float fall = 1.0 / (1.0 + 0.002 * dot(toLight, toLight));
  return Lc[i].rgb * max(dot(n, normalize(toLight)), 0.0) * fall;
}

void main() {
  // The wings are drawn without culling: light their back faces too.
  vec3 n = normalize(gl_FrontFacing ? vsoNormal : -vsoNormal);
  vec3 light = AMBIENT;
  for (int i = 0; i < min(nbL, 4); ++i) light += diffuse(i, vsoPosition, n);
  if (corps == 2) light *= 1.3;  // the bee stands out a little from the ground
  vec4 c = albedo();
  fragColor = vec4(c.rgb * light, c.a);
}
