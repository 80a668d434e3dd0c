#include "objects/particles/ParticleMath.h"

#include <cmath>
#include <cstdint>
#include <cstdlib>

#include "document/Utilities.h"

namespace {

const float kPi = 3.1415927f;
const double kPiDouble = 3.1415927;

// Octaves beyond this add nothing a float can hold: 2^i x leaves the lattice's int
// range, and a count from a document must not turn into a long loop.
const int kMaxOctaves = 32;

// Lattice value of integer m, in (-1, 1].
double Lattice(int m) {
  const uint32_t u = static_cast<uint32_t>(m);
  const uint32_t h = u ^ (u << 13);
  const uint32_t w = h * (h * h * 15731u + 789221u) - 771171059u;
  return 1.0 - static_cast<double>(w & 0x7FFFFFFFu) / 1073741824.0;
}

}  // namespace

D3DXVECTOR3 RandomDirectionZ(float length, float a, float b) {
  const float angle = (a + RandomFloat(0.0f, 1.0f) * (b - a)) * kPi / 180.0f;
  return D3DXVECTOR3(length * std::cos(angle), length * std::sin(angle), 0.0f);
}

D3DXVECTOR3 RandomDirection3D(float length) {
  const D3DXVECTOR3 v = RandomDirectionZ(length, 0.0f, 360.0f);
  const float angle = RandomFloat(0.0f, 1.0f) * 360.0f * kPi / 180.0f;
  // Rotation about y with row vectors: x' = x cos + z sin, z' = -x sin + z cos.
  const float c = std::cos(angle), s = std::sin(angle);
  return D3DXVECTOR3(v.x * c + v.z * s, v.y, -v.x * s + v.z * c);
}

double ValueNoise1D(double x) {
  // An infinite or undefined input (a zero scale upstream) reads the lattice at 0
  // rather than handing NaN on.
  if (!std::isfinite(x)) x = 0.0;
  const int j = SaturateToInt(x);
  const int k = SaturateToInt(static_cast<double>(j) + 1.0);
  const double f = (1.0 - std::cos((x - j) * kPiDouble)) * 0.5;
  return Lattice(j) * (1.0 - f) + Lattice(k) * f;
}

double OctaveNoise1D(double x, double scale, double persistence, int octaves) {
  if (octaves > kMaxOctaves) octaves = kMaxOctaves;
  double sum = 0.0;
  double frequency = 1.0;
  double amplitude = 1.0;
  for (int i = 0; i < octaves; ++i) {
    sum += ValueNoise1D(frequency * x / scale) * amplitude;
    frequency *= 2.0;
    amplitude *= persistence;
  }
  return sum;
}
