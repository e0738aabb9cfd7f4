#version 330 core
// Placeholder 3-D vertex stage: model, view and projection.
uniform mat4 proj, view, model;
layout(location = 0) in vec3 vsiPosition;
layout(location = 1) in vec3 vsiNormal;
layout(location = 2) in vec2 vsiTexCoord;
out vec2 vsoTexCoord;
out vec3 vsoNormal;

void main() {
  gl_Position = proj * view * model * vec4(vsiPosition, 1.0);
  vsoNormal = vsiNormal;
  vsoTexCoord = vsiTexCoord;
}
