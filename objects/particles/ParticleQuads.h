#pragma once
// How the particle families turn a particle, a ray segment or a rectangle into a quad
// of four DX_V::PCT vertices, and how they pack a stored colour with an opacity into a
// vertex colour. A quad's corners q0..q3 are drawn as the triangles (q0, q1, q2) and
// (q2, q1, q3); unrotated, q0 is left-bottom, q1 left-top, q2 right-bottom and q3
// right-top (scene y grows downwards), with texture coordinates (0,1), (0,0), (1,1),
// (1,0).

#include <d3dx9math.h>

#include "render/VertexFormats.h"

class DS_Particle;
class DS_ParticlesObj;
class MediaColor;
class MediaQuad;

struct ParticleQuad {
  DX_V::PCT q[4];
};

// Opaque white.
const D3DCOLOR kParticleQuadWhite = 0xFFFFFFFF;

ParticleQuad QuadFromCentre(const D3DXVECTOR3& centre, float width, float height);
// q0 = c - r a1 + r a2, q1 = c - r a1 - r a2, q2 = c + r a1 + r a2, q3 = c + r a1 - r a2
// with r = size / 2.
ParticleQuad QuadFromAxes(const D3DXVECTOR3& centre, const D3DXVECTOR3& axis1, const D3DXVECTOR3& axis2, float size);
// A segment from `start` along `direction` (of length `length`), `startWidth` wide at
// its start and `endWidth` at its end. Texture coordinates are left to SetQuadUV.
ParticleQuad RayQuad(const D3DXVECTOR3& start, const D3DXVECTOR3& direction, float length, float startWidth,
                     float endWidth);
// q0 = corner 1, q1 = corner 0, q2 = corner 3, q3 = corner 2.
ParticleQuad QuadFromMediaQuad(const MediaQuad& rectangle);
// Closes the gap between consecutive ray segments: the later segment's start corners
// and the earlier one's end corners move to their midpoints.
void JoinRayQuads(ParticleQuad& later, ParticleQuad& earlier);
// q0 (ua, vb), q1 (ua, va), q2 (ub, vb), q3 (ub, va).
void SetQuadUV(ParticleQuad& quad, float ua, float ub, float va, float vb);
// Horizontal: swaps u of q0/q2 and q1/q3. Vertical: swaps v of q0/q3 and q1/q2.
void FlipQuadUV(ParticleQuad& quad, int horizontal, int vertical);
void SetQuadColor(ParticleQuad& quad, D3DCOLOR color);

// Copies the quad to vertices 4k .. 4k + 3. The caller keeps k below the quad count of
// the slot it locked.
void WriteQuad(DX_V::PCT* vertices, unsigned k, const ParticleQuad& quad);

// A stored colour (0x00BBGGRR) and an opacity as a vertex colour (ARGB). Each channel
// f in 0..1 becomes 0 for f <= 0, 255 for f >= 1, else the integer part of f x 255 + 0.5.
D3DCOLOR PackParticleColour(unsigned long storedColour, float alpha);

// The particle as a square of p.size x pixelSize, tinted with `colour` at p.alpha x
// alpha x the colour's opacity.
void WriteParticleQuad(const DS_Particle& p, const MediaColor& colour, DX_V::PCT* vertices, unsigned k,
                       float pixelSize, float alpha);
// The particle as a p.size x sx by p.size x sy quad turned by p.angle about its centre.
void WriteRotatedParticleQuad(const DS_Particle& p, const MediaColor& colour, DX_V::PCT* vertices, unsigned k,
                              float widthFactor, float heightFactor, float alpha);
// The one quad of a single-rectangle generator: the rectangle, its flips and its first
// colour at the colour's own opacity, into slot 0 of `object` (nothing when the slot
// has no buffer yet).
void WriteRegionQuad(DS_ParticlesObj& object, const MediaQuad& rectangle, int horizontalFlip, int verticalFlip,
                     const MediaColor& colour);
