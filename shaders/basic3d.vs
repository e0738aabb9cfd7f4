#version 330 core
// 3-D meshes drawn with "model" (the bee, the backdrop, the credits' quad):
// world position and normal for the lighting, the mesh's own position for
// the bee's stripes, its texture coordinates as they come, and the eye.
uniform mat4 proj, view, model;
layout(location = 0) in vec3 vsiPosition;
layout(location = 1) in vec3 vsiNormal;
layout(location = 2) in vec2 vsiTexCoord;
out vec3 vsoPosition;
out vec3 vsoNormal;
out vec2 vsoTexCoord;
out float vsoAlong;
flat out vec3 vsoEye;

// The camera's position in the world: "view" is a rotation and a
// translation, so its inverse is the transposed rotation.
vec3 eyeOf(mat4 v) { return -transpose(mat3(v)) * v[3].xyz; }

void main() {
  vec4 world = model * vec4(vsiPosition, 1.0);
  vsoPosition = world.xyz;
  // Inverse transpose: the bee's body and wings are scaled unevenly.
  vsoNormal = normalize(transpose(inverse(mat3(model))) * vsiNormal);
  vsoTexCoord = vsiTexCoord;
  vsoAlong = vsiPosition.z;
  vsoEye = eyeOf(view);
  gl_Position = proj * (view * world);
}
