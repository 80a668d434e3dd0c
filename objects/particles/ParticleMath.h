#pragma once
// Random directions and one-dimensional value noise, shared by the particle generators
// and the effect brushes. Angles are in degrees; every random pick is taken from the
// process-wide rand() sequence.

#include <d3dx9math.h>

// (length, 0, 0) rotated about the z axis by an angle uniform in [a, b] degrees.
D3DXVECTOR3 RandomDirectionZ(float length, float a, float b);

// RandomDirectionZ(length, 0, 360), then rotated about the y axis by a second angle
// uniform in [0, 360] degrees. Keeps the length; the directions crowd towards the y
// axis rather than spreading evenly over the sphere.
D3DXVECTOR3 RandomDirection3D(float length);

// Cosine-interpolated lattice noise, in (-1, 1].
double ValueNoise1D(double x);

// Sum over i < octaves of ValueNoise1D(2^i x / scale) * persistence^i.
double OctaveNoise1D(double x, double scale, double persistence, int octaves);
