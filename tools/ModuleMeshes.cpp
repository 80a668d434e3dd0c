#include "tools/ModuleMeshes.h"

#include <cmath>
#include <cstdio>

namespace ds_tools {
namespace {

struct Vertex {
  float x, y, z;
  float u, v;
};

struct Triangle {
  unsigned a, b, c;
};

std::string Number(float value) {
  char text[32];
  std::snprintf(text, sizeof text, "%.4f", value);
  return text;
}

// A text .x file with one mesh: positions, faces and texture coordinates. The saver's
// mesh cache computes the normals itself.
std::string WriteXFile(const char* name, const std::vector<Vertex>& vertices,
                       const std::vector<Triangle>& triangles) {
  std::string out = "xof 0303txt 0032\n\nMesh ";
  out += name;
  out += " {\n " + std::to_string(vertices.size()) + ";\n";
  for (size_t i = 0; i < vertices.size(); ++i) {
    const Vertex& v = vertices[i];
    out += " " + Number(v.x) + ";" + Number(v.y) + ";" + Number(v.z) + ";";
    out += i + 1 < vertices.size() ? ",\n" : ";\n";
  }
  out += " " + std::to_string(triangles.size()) + ";\n";
  for (size_t i = 0; i < triangles.size(); ++i) {
    const Triangle& t = triangles[i];
    out += " 3;" + std::to_string(t.a) + "," + std::to_string(t.b) + "," + std::to_string(t.c) + ";";
    out += i + 1 < triangles.size() ? ",\n" : ";\n";
  }
  out += "\n MeshTextureCoords {\n  " + std::to_string(vertices.size()) + ";\n";
  for (size_t i = 0; i < vertices.size(); ++i) {
    out += "  " + Number(vertices[i].u) + ";" + Number(vertices[i].v) + ";";
    out += i + 1 < vertices.size() ? ",\n" : ";\n";
  }
  out += " }\n}\n";
  return out;
}

// The body: a slim spindle along Z, eight sides, pointed at both ends.
ModuleMesh MakeBody() {
  const int sides = 8;
  const float rings[][2] = {{-34.0f, 0.0f}, {-26.0f, 3.5f}, {-6.0f, 5.0f}, {14.0f, 4.0f}, {30.0f, 2.5f}, {36.0f, 0.0f}};
  const int ringCount = int(sizeof rings / sizeof rings[0]);
  std::vector<Vertex> vertices;
  for (int r = 0; r < ringCount; ++r) {
    for (int s = 0; s <= sides; ++s) {
      const float angle = 2.0f * 3.14159265f * float(s) / float(sides);
      vertices.push_back({rings[r][1] * std::cos(angle), rings[r][1] * std::sin(angle), rings[r][0],
                          float(s) / float(sides), float(r) / float(ringCount - 1)});
    }
  }
  std::vector<Triangle> triangles;
  const unsigned stride = unsigned(sides + 1);
  for (unsigned r = 0; r + 1 < unsigned(ringCount); ++r) {
    for (unsigned s = 0; s < unsigned(sides); ++s) {
      const unsigned a = r * stride + s;
      const unsigned b = a + 1;
      const unsigned c = a + stride;
      const unsigned d = c + 1;
      triangles.push_back({a, c, b});
      triangles.push_back({b, c, d});
    }
  }
  return {68, "butterfly body", WriteXFile("ButterflyBody", vertices, triangles)};
}

// One wing: a flat quad in the XZ plane hinged on the Z axis (the wing beat turns it
// about Z), the picture's left edge at the hinge.
ModuleMesh MakeWing() {
  const std::vector<Vertex> vertices = {
      {0.0f, 0.0f, -40.0f, 0.0f, 1.0f},
      {0.0f, 0.0f, 40.0f, 0.0f, 0.0f},
      {70.0f, 0.0f, -40.0f, 1.0f, 1.0f},
      {70.0f, 0.0f, 40.0f, 1.0f, 0.0f},
  };
  const std::vector<Triangle> triangles = {{0, 1, 2}, {2, 1, 3}};
  return {69, "butterfly wing", WriteXFile("ButterflyWing", vertices, triangles)};
}

// A square of 100 x 100 in the XZ plane around the origin: the clock turns it to face
// the viewer as the dial and squeezes it into the hands.
ModuleMesh MakeClockSquare() {
  const std::vector<Vertex> vertices = {
      {-50.0f, 0.0f, -50.0f, 0.0f, 1.0f},
      {-50.0f, 0.0f, 50.0f, 0.0f, 0.0f},
      {50.0f, 0.0f, -50.0f, 1.0f, 1.0f},
      {50.0f, 0.0f, 50.0f, 1.0f, 0.0f},
  };
  const std::vector<Triangle> triangles = {{0, 1, 2}, {2, 1, 3}};
  return {70, "clock dial and hands", WriteXFile("ClockSquare", vertices, triangles)};
}

}  // namespace

std::vector<ModuleMesh> MakeModuleMeshes() { return {MakeBody(), MakeWing(), MakeClockSquare()}; }

}  // namespace ds_tools
