#version 330 core
// Placeholder fragment stage: the texture coordinates as colour.
in vec2 vsoTexCoord;
out vec4 fragColor;

void main() {
  fragColor = vec4(vsoTexCoord, 0.0, 1.0);
}
