#version 330 core
// The credits text: white glyphs over black, through their alpha. The text
// texture holds the rendered rows top row first; "inv" = 1 turns it the
// right way up on the quad, whose v runs upwards.
uniform sampler2D tex;
uniform int inv;
in vec2 vsoTexCoord;
out vec4 fragColor;

void main() {
  vec2 uv = inv != 0 ? vec2(vsoTexCoord.x, 1.0 - vsoTexCoord.y) : vsoTexCoord;
  vec4 texel = texture(tex, uv);
  // The blit onto the upload surface (and the blur after it) leave the
  // colour multiplied by the coverage: divide it back out, so that the
  // edges stay white and blending by alpha fades them once, not twice.
  vec3 colour = texel.a > 0.0 ? min(texel.rgb / texel.a, vec3(1.0)) : vec3(0.0);
  fragColor = vec4(colour, texel.a);
}
