#version 330 core
// 3-D meshes (the bee, the backdrop): world position and normal for the
// lighting, texture coordinates as the mesh gives them.
uniform mat4 proj, view, model;
layout(location = 0) in vec3 vsiPosition;
layout(location = 1) in vec3 vsiNormal;
layout(location = 2) in vec2 vsiTexCoord;
out vec3 vsoPosition;
out vec3 vsoNormal;
out vec2 vsoTexCoord;

void main() {
  vec4 world = model * vec4(vsiPosition, 1.0);
  vsoPosition = world.xyz;
  // Inverse transpose: the bee's body is scaled unevenly.
  vsoNormal = normalize(transpose(inverse(mat3(model))) * vsiNormal);
  vsoTexCoord = vsiTexCoord;
  gl_Position = proj * view * world;
}
