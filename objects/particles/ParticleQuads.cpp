#include "objects/particles/ParticleQuads.h"

#include <cmath>
#include <utility>

#include "document/CompositeParams.h"
#include "objects/particles/Particle.h"
#include "objects/particles/ParticlesObj.h"

namespace {

void SetCorner(DX_V::PCT& v, const D3DXVECTOR3& p, float u, float tv) {
  v.x = p.x;
  v.y = p.y;
  v.z = p.z;
  v.color = kParticleQuadWhite;
  v.u = u;
  v.v = tv;
}

void SetPosition(DX_V::PCT& v, const D3DXVECTOR3& p) {
  v.x = p.x;
  v.y = p.y;
  v.z = p.z;
}

D3DXVECTOR3 PositionOf(const DX_V::PCT& v) { return D3DXVECTOR3(v.x, v.y, v.z); }

unsigned PackUnit(float f) {
  if (f >= 1.0f) return 255;
  if (!(f > 0.0f)) return 0;  // also NaN
  return static_cast<unsigned>(f * 255.0f + 0.5f);
}

}  // namespace

ParticleQuad QuadFromAxes(const D3DXVECTOR3& centre, const D3DXVECTOR3& axis1, const D3DXVECTOR3& axis2, float size) {
  const float r = size * 0.5f;
  ParticleQuad quad;
  SetCorner(quad.q[0], centre - r * axis1 + r * axis2, 0.0f, 1.0f);
  SetCorner(quad.q[1], centre - r * axis1 - r * axis2, 0.0f, 0.0f);
  SetCorner(quad.q[2], centre + r * axis1 + r * axis2, 1.0f, 1.0f);
  SetCorner(quad.q[3], centre + r * axis1 - r * axis2, 1.0f, 0.0f);
  return quad;
}

ParticleQuad QuadFromCentre(const D3DXVECTOR3& centre, float width, float height) {
  return QuadFromAxes(centre, D3DXVECTOR3(width, 0.0f, 0.0f), D3DXVECTOR3(0.0f, height, 0.0f), 1.0f);
}

ParticleQuad RayQuad(const D3DXVECTOR3& start, const D3DXVECTOR3& direction, float length, float startWidth,
                     float endWidth) {
  // A segment of no length has no normal: it collapses to a line instead of turning
  // into undefined corners.
  D3DXVECTOR3 n(0.0f, 0.0f, 0.0f);
  if (length != 0.0f && std::isfinite(length)) n = D3DXVECTOR3(-direction.y, direction.x, 0.0f) / length * 0.5f;
  ParticleQuad quad;
  for (DX_V::PCT& v : quad.q) {
    v.color = kParticleQuadWhite;
    v.u = 0.0f;
    v.v = 0.0f;
  }
  SetPosition(quad.q[0], start + n * startWidth);
  SetPosition(quad.q[1], start - n * startWidth);
  SetPosition(quad.q[2], start + direction + n * endWidth);
  SetPosition(quad.q[3], start + direction - n * endWidth);
  return quad;
}

ParticleQuad QuadFromMediaQuad(const MediaQuad& rectangle) {
  ParticleQuad quad;
  SetCorner(quad.q[0], rectangle.Corner(1).GetValue(), 0.0f, 1.0f);
  SetCorner(quad.q[1], rectangle.Corner(0).GetValue(), 0.0f, 0.0f);
  SetCorner(quad.q[2], rectangle.Corner(3).GetValue(), 1.0f, 1.0f);
  SetCorner(quad.q[3], rectangle.Corner(2).GetValue(), 1.0f, 0.0f);
  return quad;
}

void JoinRayQuads(ParticleQuad& later, ParticleQuad& earlier) {
  const D3DXVECTOR3 first = (PositionOf(earlier.q[2]) + PositionOf(later.q[0])) * 0.5f;
  const D3DXVECTOR3 second = (PositionOf(earlier.q[3]) + PositionOf(later.q[1])) * 0.5f;
  SetPosition(earlier.q[2], first);
  SetPosition(later.q[0], first);
  SetPosition(earlier.q[3], second);
  SetPosition(later.q[1], second);
}

void SetQuadUV(ParticleQuad& quad, float ua, float ub, float va, float vb) {
  quad.q[0].u = ua;
  quad.q[0].v = vb;
  quad.q[1].u = ua;
  quad.q[1].v = va;
  quad.q[2].u = ub;
  quad.q[2].v = vb;
  quad.q[3].u = ub;
  quad.q[3].v = va;
}

void FlipQuadUV(ParticleQuad& quad, int horizontal, int vertical) {
  if (horizontal) {
    std::swap(quad.q[0].u, quad.q[2].u);
    std::swap(quad.q[1].u, quad.q[3].u);
  }
  if (vertical) {
    std::swap(quad.q[0].v, quad.q[3].v);
    std::swap(quad.q[1].v, quad.q[2].v);
  }
}

void SetQuadColor(ParticleQuad& quad, D3DCOLOR color) {
  for (DX_V::PCT& v : quad.q) v.color = color;
}

void WriteQuad(DX_V::PCT* vertices, unsigned k, const ParticleQuad& quad) {
  if (!vertices) return;
  for (int i = 0; i < 4; ++i) vertices[4 * size_t(k) + i] = quad.q[i];
}

D3DCOLOR PackParticleColour(unsigned long storedColour, float alpha) {
  const unsigned red = PackUnit((storedColour & 0xFF) / 255.0f);
  const unsigned green = PackUnit(((storedColour >> 8) & 0xFF) / 255.0f);
  const unsigned blue = PackUnit(((storedColour >> 16) & 0xFF) / 255.0f);
  return (PackUnit(alpha) << 24) | (red << 16) | (green << 8) | blue;
}

void WriteParticleQuad(const DS_Particle& p, const MediaColor& colour, DX_V::PCT* vertices, unsigned k,
                       float pixelSize, float alpha) {
  ParticleQuad quad = QuadFromCentre(p.position, p.size * pixelSize, p.size * pixelSize);
  SetQuadColor(quad, PackParticleColour(colour.GetValue(), p.alpha * alpha * colour.GetAlpha() / 255.0f));
  WriteQuad(vertices, k, quad);
}

void WriteRotatedParticleQuad(const DS_Particle& p, const MediaColor& colour, DX_V::PCT* vertices, unsigned k,
                              float widthFactor, float heightFactor, float alpha) {
  const float c = std::cos(p.angle), s = std::sin(p.angle);
  const float w = p.size * widthFactor, h = p.size * heightFactor;
  // Both axes turned about z with row vectors: (x, y) -> (x cos - y sin, x sin + y cos).
  const D3DXVECTOR3 axis1(w * c, w * s, 0.0f);
  const D3DXVECTOR3 axis2(-h * s, h * c, 0.0f);
  ParticleQuad quad = QuadFromAxes(p.position, axis1, axis2, 1.0f);
  SetQuadColor(quad, PackParticleColour(colour.GetValue(), colour.GetAlpha() * (p.alpha * alpha) / 255.0f));
  WriteQuad(vertices, k, quad);
}

void WriteRegionQuad(DS_ParticlesObj& object, const MediaQuad& rectangle, int horizontalFlip, int verticalFlip,
                     const MediaColor& colour) {
  DX_V::PCT* vertices = object.LockQuads(0);
  if (!vertices) return;
  ParticleQuad quad = QuadFromMediaQuad(rectangle);
  FlipQuadUV(quad, horizontalFlip, verticalFlip);
  SetQuadColor(quad, PackParticleColour(colour.GetValue(), colour.GetAlpha() / 255.0f));
  WriteQuad(vertices, 0, quad);
  object.UnlockQuads(0);
}
