#version 330 core
// Cross-fade: the first scene's capture at dt = 0, the second's at dt = 1,
// linear in between.
uniform sampler2D tex0, tex1;
uniform float dt;
in vec2 vsoTexCoord;
out vec4 fragColor;

void main() {
  vec3 first = texture(tex0, vsoTexCoord).rgb;
  vec3 second = texture(tex1, vsoTexCoord).rgb;
  // Opaque, so that whatever blending the scenes left on, the previous frame
  // never shows through.
  fragColor = vec4(mix(first, second, dt), 1.0);
}
