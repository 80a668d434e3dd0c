#include "objects/sprites/ParticleSystemCtrl.h"

#include <cmath>
#include <cstdlib>

#include "device/ResourceLookup.h"
#include "document/DocResManager.h"
#include "document/Utilities.h"
#include "objects/sprites/SpriteArrayObj.h"
#include "objects/sprites/SpriteParticle.h"

namespace {

// The alpha byte of opacity x alpha. Out-of-range products keep their low 8
// bits as the format always has; a non-finite one (a broken twinkle range) is
// transparent instead of an undefined conversion.
DWORD AlphaByte(unsigned char opacity, float alpha) {
  const float product = static_cast<float>(opacity) * alpha;
  if (!std::isfinite(product) || std::fabs(product) >= 2147483520.0f) return 0;
  return static_cast<DWORD>(static_cast<int>(product)) & 0xFFu;
}

}  // namespace

DS_ABObj* DS_ParticleSystemCtrl::CreateObject() {
  ResolveImageLinks();
  return new DS_SpriteArrayObj(Clone());
}

void DS_ParticleSystemCtrl::ResolveImageLinks() {
  if (!mainImage.GetPath().empty()) return;
  DS_DocResManager* manager = g_CurrentDocResManager;
  if (!manager) return;
  const DS_ImageFileLink main = manager->MakeAnimatedImageLink(embeddedImages, embeddedFrameTimes);
  mainImage.SetKey(main.GetKey());
  if (embeddedSecondImage.ResourceId() != 0) {
    const DS_ImageFileLink second = manager->MakeImageLink(embeddedSecondImage);
    secondImage.SetKey(second.GetKey());
  }
  embeddedImages.clear();
  embeddedFrameTimes.clear();
}

float DS_ParticleSystemCtrl::GetFrameAspect() const {
  float aspect = 1.0f;
  if (const DS_TextureSet* set = LookupTextureSet(mainImage)) aspect = set->scale;
  if (stripFlag) aspect *= static_cast<float>(GetFrameCount());
  // The half extents divide by the aspect.
  if (!std::isfinite(aspect)) aspect = 1.0f;
  return aspect;
}

void DS_ParticleSystemCtrl::InitSprite(DS_SpriteParticle& sprite, const DS_ParticleSystemCtrl& item) {
  sprite.direction = D3DXVECTOR3(0.0f, 0.0f, 0.0f);
  sprite.velocity = D3DXVECTOR3(0.0f, 0.0f, 0.0f);
  sprite.position = D3DXVECTOR3(0.0f, 0.0f, 0.0f);
  sprite.vTop = sprite.vBottom = sprite.uLeft = sprite.uRight = 0.0f;
  sprite.aspect = item.GetFrameAspect();
  sprite.xAxis = D3DXVECTOR3(1.0f, 0.0f, 0.0f);
  sprite.yAxis = D3DXVECTOR3(0.0f, 1.0f, 0.0f);
  sprite.position = D3DXVECTOR3(100.0f, 100.0f, 0.0f);
  sprite.sizeFactor = RandomFloat(item.sizeFactorMin, item.sizeFactorMax);
  SetHalfExtents(item.spriteSize.GetValue(), sprite);
  sprite.vTop = 0.0f;
  sprite.vBottom = 1.0f;
  sprite.uLeft = 0.0f;
  sprite.uRight = 1.0f;
}

void DS_ParticleSystemCtrl::InitTwinkle(DS_SpriteParticle& sprite, const DS_ParticleSystemCtrl& item) {
  sprite.deadline = 0.0f;
  sprite.secondTimer = 0.0f;
  sprite.delay = 0.0f;
  sprite.timer = 0.0f;
  sprite.respawned = 0;
  sprite.hidden = 0;
  sprite.edgeSide = DS_SpriteParticle::kNoEdge;
  sprite.alpha = 1.0f;
  const bool odd = (std::rand() & 1) != 0;
  sprite.twinkleSpeed = item.twinkleRate * (odd ? -1.0f : 1.0f);
  sprite.packedColour = PackColor(item, sprite);
}

void DS_ParticleSystemCtrl::SetHalfExtents(unsigned int spriteSize, DS_SpriteParticle& sprite) {
  const float c = sprite.sizeFactor * static_cast<float>(spriteSize) * 0.5f;
  if (sprite.aspect < 1.0f) {
    sprite.halfWidth = c;
    sprite.halfHeight = sprite.aspect * c;
  } else {
    sprite.halfHeight = c;
    sprite.halfWidth = c / sprite.aspect;
  }
}

D3DXVECTOR3
DS_ParticleSystemCtrl::GetSpriteCorner(const DS_SpriteParticle& sprite) {
  return sprite.position - sprite.halfWidth * sprite.xAxis - sprite.halfHeight * sprite.yAxis;
}

void DS_ParticleSystemCtrl::StepTwinkle(DS_SpriteParticle& sprite, DS_ParticleSystemCtrl& item, bool respawn) {
  sprite.alpha += item.GetStep() * sprite.twinkleSpeed;
  if (sprite.alpha < item.twinkleMin) {
    if (respawn) item.InitParticle(sprite);
    sprite.alpha = item.twinkleMin;
    sprite.twinkleSpeed = -sprite.twinkleSpeed;
  } else if (sprite.alpha > item.twinkleMax) {
    sprite.alpha = item.twinkleMax;
    sprite.twinkleSpeed = -sprite.twinkleSpeed;
  }
}

D3DCOLOR DS_ParticleSystemCtrl::PackColor(const DS_ParticleSystemCtrl& item, const DS_SpriteParticle& sprite) {
  const DWORD stored = static_cast<DWORD>(item.colour.GetValue());
  const DWORD red = stored & 0xFFu;
  const DWORD green = (stored >> 8) & 0xFFu;
  const DWORD blue = (stored >> 16) & 0xFFu;
  return (AlphaByte(item.GetOpacity(), sprite.alpha) << 24) | (red << 16) | (green << 8) | blue;
}
