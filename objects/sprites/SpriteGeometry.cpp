#include "objects/sprites/SpriteGeometry.h"

#include <utility>

#include "objects/particles/ParticlesObj.h"
#include "objects/sprites/ParticleSystemCtrl.h"
#include "objects/sprites/SpriteParticle.h"

static_assert(ParticleGeomArray::kMaxSprites <= DS_ParticlesObj::kMaxSlotQuads,
              "the sprite quads are made by the particle quad buffers");

ParticleGeomArray::ParticleGeomArray() { binders.SetTarget(this, false); }

ParticleGeomArray::~ParticleGeomArray() {
  // The binder leaves the count parameter while the item may still be alive.
  binders.Clear();
  for (DS_SpriteParticle* sprite : sprites) delete sprite;
  sprites.clear();
  vertices.Unlock();
  indices.Unlock();
}

void ParticleGeomArray::BindCountParam() {
  if (!item) return;
  binders.BindValue(item->spriteCount, this, &ParticleGeomArray::OnCountChanged);
}

unsigned int ParticleGeomArray::CappedCount(const DS_ParticleSystemCtrl& item) {
  return static_cast<unsigned int>(CountToInt(item.spriteCount.GetValue()));
}

unsigned int ParticleGeomArray::GetQuadCapacity() const {
  return vertices.vertexCount > 0 ? static_cast<unsigned int>(vertices.vertexCount) / kVerticesPerSprite : 0u;
}

void ParticleGeomArray::OnCountChanged(unsigned int count) {
  if (count == 0 || !item) return;
  count = static_cast<unsigned int>(CountToInt(count));
  CreateQuadBuffers(*this, static_cast<int>(count));
  m_quadsWritten = false;
  while (sprites.size() < count) {
    DS_SpriteParticle* sprite = new DS_SpriteParticle();
    DS_ParticleSystemCtrl::InitSprite(*sprite, *item);
    DS_ParticleSystemCtrl::InitTwinkle(*sprite, *item);
    sprites.push_back(sprite);
    item->InitParticle(*sprite);
  }
}

void ParticleGeomArray::Update(float t) {
  if (!item) return;
  item->UpdateTime(t);
  item->spriteClock.Advance(t);
  for (DS_SpriteParticle* sprite : sprites) item->UpdateParticle(*sprite);
}

void ParticleGeomArray::WriteQuads(const DS_ParticleSystemCtrl& item) {
  const unsigned int count = CappedCount(item);
  if (GetQuadCapacity() != count || count == 0) return;
  if (!vertices.Lock(0)) return;
  WriteVertices(item, vertices.locked, count);
  vertices.Unlock();
  m_quadsWritten = true;
}

void ParticleGeomArray::WriteVertices(const DS_ParticleSystemCtrl& item, DX_V::PCT* out, unsigned int quads) {
  if (!out) return;
  const float frameCount = static_cast<float>(item.GetFrameCount());
  const bool flipU = item.horizontalFlip.GetValue() != 0;
  const bool flipV = item.verticalFlip.GetValue() != 0;
  unsigned int i = 0;
  for (auto it = sprites.begin(); it != sprites.end() && i < quads; ++it, ++i) {
    const DS_SpriteParticle& sprite = **it;
    const D3DXVECTOR3 corner = DS_ParticleSystemCtrl::GetSpriteCorner(sprite);
    const D3DXVECTOR3 across = 2.0f * sprite.halfWidth * sprite.xAxis;
    const D3DXVECTOR3 down = 2.0f * sprite.halfHeight * sprite.yAxis;
    const D3DXVECTOR3 positions[kVerticesPerSprite] = {corner + down, corner, corner + across + down, corner + across};
    const D3DCOLOR colour = item.ApplyTimelineAlpha(sprite.packedColour);
    DX_V::PCT* quad = out + size_t(i) * kVerticesPerSprite;
    for (int k = 0; k < kVerticesPerSprite; ++k) {
      quad[k].x = positions[k].x;
      quad[k].y = positions[k].y;
      quad[k].z = positions[k].z;
      quad[k].color = colour;
    }

    float v0 = sprite.vTop, v1 = sprite.vBottom;
    if (flipV) std::swap(v0, v1);
    float u0 = sprite.uLeft, u1 = sprite.uRight;
    if (flipU) std::swap(u0, u1);
    if (item.stripFlag) {
      // One strip frame for all sprites: only the first sprite of a frame can
      // find its time up, the later ones see no time elapsed. A frame rate that
      // is not positive (none set) leaves the strip frame standing rather than
      // dividing by zero or advancing on every sprite.
      const float now = item.GetAccumulatedTime();
      const bool running = item.frameRate > 0.0f;
      if (running && 1.0f / item.frameRate < now - m_stripSwitchTime) {
        m_stripFrame = item.NextFrame(m_stripFrame);
        m_stripSwitchTime = now;
      } else if (m_stripSwitchTime > now) {
        m_stripSwitchTime = 0.0f;
      }
      u0 = static_cast<float>(m_stripFrame) / frameCount;
      u1 = static_cast<float>(m_stripFrame + 1) / frameCount;
      if (flipU) std::swap(u0, u1);
    }
    SetQuadUV(out, u0, u1, v0, v1, i);
  }
}

void ParticleGeomArray::SetQuadUV(DX_V::PCT* vertices, float u0, float u1, float v0, float v1, unsigned int quad) {
  DX_V::PCT* q = vertices + size_t(quad) * kVerticesPerSprite;
  q[0].u = u0;
  q[0].v = v1;
  q[1].u = u0;
  q[1].v = v0;
  q[2].u = u1;
  q[2].v = v1;
  q[3].u = u1;
  q[3].v = v0;
}
