#version 330 core
// A texture drawn as it is.
uniform sampler2D tx;
in vec2 vsoTexCoord;
out vec4 fragColor;

void main() {
  fragColor = texture(tx, vsoTexCoord);
}
