#version 330 core
// Full-screen passes: the quad under the orthographic "pm" (the identity for
// a quad that covers the frame), texture coordinates 0..1 across it.
uniform mat4 pm;
layout(location = 0) in vec3 vsiPosition;
layout(location = 2) in vec2 vsiTexCoord;
out vec2 vsoTexCoord;

void main() {
  gl_Position = pm * vec4(vsiPosition, 1.0);
  vsoTexCoord = vsiTexCoord;
}
